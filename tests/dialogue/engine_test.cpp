// The dialogue with the device: bytes in, effects out. The effects are carried out on plain
// values: the bytes answered, the lamp lit last, the log, the failures.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/fakes.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

struct Step {
    int received;
    std::string sent;
    int lamp;
};

std::string Byte(int value) {
    return std::string(1, static_cast<char>(value));
}

std::vector<Step> ReadSteps(int object, int data) {
    return {{172, "", 1},
            {172, "\x55", 1},
            {202, Byte(object / 256), 1},
            {202, Byte(object % 256), 1},
            {data, "", 1}};
}

std::vector<Step> WriteSteps(int object, int image) {
    return {{172, "", 2},
            {172, "\xAA", 2},
            {202, Byte(object / 256), 2},
            {202, Byte(object % 256), 2},
            {202, Byte(image), 2},
            {202, "", 2}};
}

std::string Line(int data, const std::string& object) {
    return std::to_string(data) + " - " + object + "\r\n";
}

class DialogueTest : public ::testing::Test {
  protected:
    void SetUp() override {
        engine.Reset();
        engine.Connected();
        Feed({172});  // the link's first poll
        effects.pane.text.clear();
    }

    void StartJob(double first, double end, bool write = false) {
        engine.Start(RangeJob(first, end, write));
    }
    std::string JobOutcome() const { return JobOutcomeText(engine.report(), "COM 1"); }

    // Feeds received bytes and returns the bytes answered.
    std::string Feed(std::initializer_list<int> bytes) {
        effects.sent.clear();
        for (int byte : bytes) engine.Receive(static_cast<std::uint8_t>(byte), effects);
        return effects.sent;
    }

    void Run(const std::vector<Step>& steps, std::size_t count = SIZE_MAX) {
        for (std::size_t i = 0; i < steps.size() && i < count; ++i) {
            SCOPED_TRACE("value " + std::to_string(i) + ": " + std::to_string(steps[i].received));
            EXPECT_EQ(Feed({steps[i].received}), steps[i].sent);
            EXPECT_EQ(effects.lamp, steps[i].lamp);
        }
    }

    const std::string& Pane() const { return effects.pane.text; }

    LinkEngine engine;
    EffectRecorder effects;
    const LinkState& state = engine.state();
    ObjectTable& table = engine.table();
};

// ---- whole exchanges ------------------------------------------------------------------------

struct ExchangeCase {
    int object, image, readBack;
};

class ExchangeTest : public DialogueTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ExchangeTest, ReadStoresAndLogsTheDataByte) {
    const ExchangeCase& c = GetParam();
    StartJob(c.object, c.object);
    if (c.readBack == 172) Run(ReadSteps(c.object, c.readBack));  // a 172 is read twice
    Run(ReadSteps(c.object, c.readBack));
    EXPECT_EQ(table[c.object], c.readBack);
    // "Only Data" hides polls, not the first 172, which is marked until the second read.
    EXPECT_EQ(Pane(),
              (c.readBack == 172 ? "172*" : "") + Line(c.readBack, std::to_string(c.object)));
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(effects.lamp, 1);  // until the device polls again in idle
    Run({{172, "", 0}});
    EXPECT_TRUE(effects.failures.empty());
}

TEST_P(ExchangeTest, WriteSendsTheImageThenReadsItBack) {
    const ExchangeCase& c = GetParam();
    table.Set(c.object, static_cast<std::uint8_t>(c.image));
    StartJob(c.object, c.object, true);
    Run(WriteSteps(c.object, c.image));
    EXPECT_EQ(state.LinkMode, kModeRead);
    EXPECT_EQ(state.WriteStep, kWriteStepStart);
    EXPECT_TRUE(state.WriteJob);
    if (c.readBack == 172) Run(ReadSteps(c.object, c.readBack));
    Run(ReadSteps(c.object, c.readBack));
    EXPECT_EQ(table[c.object], c.readBack);
    EXPECT_EQ(Pane(),
              (c.readBack == 172 ? "172*" : "") + Line(c.readBack, std::to_string(c.object)));
    EXPECT_FALSE(state.WriteJob);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_TRUE(effects.failures.empty());
}

// Read-back values 172 and 202 arrive where a poll could: they are data all the same.
INSTANTIATE_TEST_SUITE_P(Objects, ExchangeTest,
                         ::testing::Values(ExchangeCase{0, 0x5A, 201}, ExchangeCase{8176, 3, 7},
                                           ExchangeCase{8191, 172, 202},
                                           ExchangeCase{8191, 0, 172}));

TEST_F(DialogueTest, PollsAreLoggedOnLinesOfTheirOwnWithoutOnlyData) {
    effects.onlyData = false;
    StartJob(5, 5);
    Run(ReadSteps(5, 35));
    Feed({172});
    EXPECT_EQ(Pane(), "172\r\n172\r\n202\r\n202\r\n35 - 5\r\n172\r\n");
}

TEST_F(DialogueTest, ANewJobBeginsItsExchangeFromTheStart) {
    StartJob(5, 5);
    Run(ReadSteps(5, 0), 4);  // the data byte of 5 is due
    engine.Interrupt("the port was closed", effects);
    StartJob(6, 6, true);
    EXPECT_EQ(Feed({172, 172}), "\xAA") << "no leftover step takes the write's polls for data";
    EXPECT_EQ(state.LinkStep, kReadStepStart);
}

// ---- values out of place -------------------------------------------------------------------

class StrayReadTest : public DialogueTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(StrayReadTest, IsOnlyLoggedWhereNoDataByteIsDue) {
    StartJob(8000, 8000);
    Run(ReadSteps(8000, 0), GetParam());
    const int step = state.LinkStep;
    EXPECT_EQ(Feed({17}), "");
    EXPECT_EQ(state.LinkStep, step);
    EXPECT_EQ(state.LinkMode, kModeRead);
    EXPECT_EQ(table[8000], 0);
    EXPECT_EQ(Pane(), "17");
    const std::vector<Step> rest = ReadSteps(8000, 5);
    Run(std::vector<Step>(rest.begin() + static_cast<long>(GetParam()), rest.end()));
    EXPECT_EQ(table[8000], 5) << "the exchange goes on where it stood";
    EXPECT_EQ(state.LinkMode, kModeIdle);
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, StrayReadTest, ::testing::Values(0u, 1u, 2u, 3u));

class StrayWriteTest : public DialogueTest, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(StrayWriteTest, IsOnlyLogged) {
    table.Set(8000, 9);
    StartJob(8000, 8000, true);
    Run(WriteSteps(8000, 9), GetParam());
    const std::int16_t step = state.WriteStep;
    EXPECT_EQ(Feed({17}), "");
    EXPECT_EQ(state.WriteStep, step);
    EXPECT_EQ(state.LinkMode, kModeWrite);
    EXPECT_EQ(table[8000], 9);
    EXPECT_EQ(Pane(), "17");
}

INSTANTIATE_TEST_SUITE_P(AtEachStep, StrayWriteTest, ::testing::Values(0u, 1u, 2u, 3u, 4u, 5u));

// ---- jobs over several objects -------------------------------------------------------------

TEST_F(DialogueTest, StopInMidExchangeFinishesTheObjectUnderWayAndNoOther) {
    Job settings{Direction::Read, ObjectsFromTo(8176, 8191), JobOrigin::SettingsPanel};
    settings.objects.insert(settings.objects.begin(), Number::Double(0));
    engine.Start(settings);
    Run(ReadSteps(0, 9));
    EXPECT_EQ(state.CurObject, Number::Int16(8176));
    EXPECT_EQ(effects.shownObjects, std::vector<std::string>{"8176"});
    Run(ReadSteps(8176, 0), 3);  // the high address byte of 8176 is out
    engine.Stop(effects);
    EXPECT_EQ(effects.jobsEnded, 0);
    Run({{202, "\xF0", 1}, {44, "", 1}});
    EXPECT_EQ(table[8176], 44);
    EXPECT_EQ(table[8191], 0);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(effects.jobsEnded, 1);
    EXPECT_EQ(effects.settingsShown, 1);
    EXPECT_EQ(Pane(), "9 - 0\r\n44 - 8176\r\n");
}

// Where "Stop" comes: the bytes still sent belong to the object under way, a write's read-back
// included; with no object under way the job ends at once.
struct StopCase {
    bool write;
    std::size_t before;  // values of the object's exchanges received before "Stop"
    std::string rest;    // what the programmer sends afterwards, until the job ends
};

class StopTest : public DialogueTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopTest, NeverMixesTwoObjects) {
    const StopCase& c = GetParam();
    table.Set(100, 0x11);
    StartJob(100, 300, c.write);
    std::vector<Step> steps = c.write ? WriteSteps(100, 0x11) : std::vector<Step>{};
    for (const Step& step : ReadSteps(100, 0x22)) steps.push_back(step);
    Run(steps, c.before);
    engine.Stop(effects);
    std::string sent;
    for (std::size_t i = c.before; i < steps.size() && state.LinkMode != kModeIdle; ++i)
        sent += Feed({steps[i].received});
    EXPECT_EQ(sent, c.rest);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(effects.jobsEnded, 1);
    EXPECT_EQ(state.CurObject, Number::Double(100));
    EXPECT_EQ(Feed({172, 172, 202, 202}), "") << "nothing more after the job ended";
}

INSTANTIATE_TEST_SUITE_P(
    Points, StopTest,
    ::testing::Values(StopCase{false, 0, ""}, StopCase{false, 1, ""},
                      StopCase{false, 2, std::string("\x00\x64", 2)}, StopCase{false, 3, "\x64"},
                      StopCase{false, 4, ""}, StopCase{true, 1, ""},
                      StopCase{true, 3, std::string("\x64\x11\x55\x00\x64", 5)},
                      StopCase{true, 6, std::string("\x55\x00\x64", 3)},
                      StopCase{true, 9, "\x64"}));

// The device drops out of an exchange: it polls 172 where the exchange waits for a 202, or it
// falls silent. The same object starts again, and after three attempts the job gives up.
TEST_F(DialogueTest, AnEarlyPollStartsTheSameObjectAgain) {
    StartJob(300, 301);
    Run(ReadSteps(300, 0), 3);       // the high address byte is out, the low one lost
    EXPECT_EQ(Feed({172}), "");      // the device went back to polling
    EXPECT_EQ(Feed({172}), "\x55");  // the same object's command again
    EXPECT_EQ(Feed({202, 202}), std::string("\x01\x2C", 2));
    Feed({7});
    EXPECT_EQ(table[300], 7);
    EXPECT_EQ(state.CurObject, Number::Double(301));
    EXPECT_EQ(effects.jobFailures, 0);
}

TEST_F(DialogueTest, ADeviceThatMissedTheLowAddressByteLeavesNoPollInTheTable) {
    StartJob(7, 8);
    table.Set(7, 50);
    Run(ReadSteps(7, 172), 4);
    Feed({172});  // the device is back at idle polling, not sending object 7
    EXPECT_EQ(table[7], 50);
    EXPECT_EQ(state.ObjectsDone, 0);
    Run(ReadSteps(7, 9));  // it polls on and the read starts over
    EXPECT_EQ(table[7], 9);
    EXPECT_EQ(state.CurObject.value(), 8);
}

TEST_F(DialogueTest, ARunOfLatePollsIsAHiccupNotAFailure) {
    // A program held up for a moment sees the device's polls in a batch; each late answer
    // costs the device an exchange, until the program is in time again.
    StartJob(7, 7);
    for (int i = 0; i < LinkEngine::kEarlyPolls - 2; ++i) Feed({172});
    Feed({172, 172});
    EXPECT_EQ(Feed({202, 202, 9}), std::string("\x00\x07", 2));
    EXPECT_EQ(table[7], 9);
    EXPECT_EQ(effects.jobFailures, 0);
}

TEST_F(DialogueTest, AStallGivesUpAfterThreeAttemptsNamingTheObject) {
    StartJob(40, 50, true);
    table.Set(40, 1);
    Run(WriteSteps(40, 1));
    Run(ReadSteps(40, 1));  // one object done
    Run(WriteSteps(41, 0), 2);
    std::int64_t now = 0;
    for (int tick = 0; tick < 40 && state.LinkMode != kModeIdle; ++tick)
        engine.Tick(now += 250, effects);  // the device fell silent
    EXPECT_EQ(now, 250 + 3 * LinkEngine::kStallMs) << "three stalls after the first tick";
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(effects.jobsEnded, 1);
    ASSERT_EQ(effects.jobFailures, 1);
    EXPECT_EQ(JobOutcome(),
              "The write on COM 1 stopped at object 41: the device did not finish its exchange "
              "after 3 attempts; 1 of 11 objects were written and read back.");
}

TEST_F(DialogueTest, ALineKnownToBeQuietMayGiveUpAfterOneStall) {
    engine.SetAttempts(1);
    StartJob(40, 50);
    Feed({172, 172});
    std::int64_t now = 0;
    for (int tick = 0; tick < 40 && state.LinkMode != kModeIdle; ++tick)
        engine.Tick(now += 250, effects);
    EXPECT_EQ(now, 250 + LinkEngine::kStallMs);
    ASSERT_EQ(effects.jobFailures, 1);
    EXPECT_NE(JobOutcome().find("after 1 attempt;"), std::string::npos);
}

TEST_F(DialogueTest, AnInterruptedJobSaysWhatItLeftUndone) {
    StartJob(8000, 8005);
    Run(ReadSteps(8000, 1));
    Run(ReadSteps(8001, 2));
    engine.Interrupt("the port was closed.", effects);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(effects.jobFailures, 1);
    EXPECT_EQ(JobOutcome(),
              "The read on COM 1 stopped at object 8002: the port was closed; 2 of 6 objects were "
              "read.");
    EXPECT_EQ(JobStatusText(engine.report()),
              "Read interrupted: 2 of 6 done (the port was closed)");
    engine.Interrupt("again", effects);
    EXPECT_EQ(effects.jobFailures, 1) << "no job, nothing to say";
    // The port's loss is a sentence of its own, not a clause after a colon.
    StartJob(8000, 8005);
    engine.Interrupt("The connection on COM 1 was lost: it hung up. The port has been closed.",
                     effects);
    EXPECT_EQ(JobOutcome(),
              "The read on COM 1 stopped at object 8000. The connection on COM 1 was lost: it "
              "hung up. The port has been closed. 0 of 6 objects were read.");
}

// The engine walks exactly the job's objects, in the job's order, and ends after the last:
// its count never passes the job's total.
class JobWalkTest : public DialogueTest, public ::testing::WithParamInterface<std::vector<int>> {};

TEST_P(JobWalkTest, AddressesTheJobsObjectsAndNoOther) {
    const std::vector<int>& objects = GetParam();
    engine.Start({Direction::Read, ObjectsOf(objects), JobOrigin::ObjectsDialog});
    int data = 1;
    for (int object : objects) {
        SCOPED_TRACE(object);
        ASSERT_EQ(state.LinkMode, kModeRead);
        Run(ReadSteps(object, data));
        EXPECT_EQ(table[object], data++);
        EXPECT_LE(engine.report().done, engine.report().total);
    }
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(engine.report().outcome, JobReport::Outcome::Finished);
    EXPECT_EQ(engine.report().done, static_cast<int>(objects.size()));
    EXPECT_EQ(Feed({172, 172, 202, 202}), "") << "nothing after the last object";
}

INSTANTIATE_TEST_SUITE_P(Jobs, JobWalkTest,
                         ::testing::Values(std::vector<int>{5, 7, 9}, std::vector<int>{100},
                                           std::vector<int>{5, 10, 15, 200, 300},
                                           std::vector<int>{0, 8176, 8191}));

TEST_F(DialogueTest, AJobWithoutObjectsStartsNothing) {
    EXPECT_FALSE(engine.Start({Direction::Write, {}, JobOrigin::ObjectsDialog}));
    EXPECT_FALSE(engine.Busy());
    EXPECT_EQ(Feed({172, 172, 202, 202, 202}), "");
}

TEST_F(DialogueTest, WithoutTheListTheJobCountsUp) {
    StartJob(255, 256);
    Run(ReadSteps(255, 1));
    EXPECT_EQ(effects.shownObjects, std::vector<std::string>{"256"});
    Run(ReadSteps(256, 2));
    EXPECT_EQ(state.LinkMode, kModeIdle);
}

TEST_F(DialogueTest, WriteJobWritesAndReadsBackEachObject) {
    table.Set(100, 1);
    table.Set(101, 2);
    StartJob(100, 101, true);
    Run(WriteSteps(100, 1));
    Run(ReadSteps(100, 11));
    EXPECT_EQ(state.LinkMode, kModeWrite);  // the next object begins with its write
    Run(WriteSteps(101, 2));
    Run(ReadSteps(101, 12));
    EXPECT_EQ(table[100], 11);
    EXPECT_EQ(table[101], 12);
    EXPECT_EQ(Pane(), "11 - 100\r\n12 - 101\r\n");
}

// How the window carries out the effects: the nested handlers run where the engine hands over.
class WindowDialogueTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Connect();
        Feed({172});
        window.txtTerm.SetText("");
    }
    void StartJob(double first, double end, bool write = false) {
        window.line.engine().Start(RangeJob(first, end, write));
    }
    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            SCOPED_TRACE(step.received);
            EXPECT_EQ(Feed({step.received}), step.sent);
            EXPECT_EQ(StatusLamp(window), step.lamp);
        }
    }
};

TEST_F(WindowDialogueTest, StopIsShownBeforeTheJobFlagGoesAndThePanelIsFilled) {
    window.Option3(1).onClick = nullptr;  // select "Write" without starting a job
    window.Option3(1).SetValue(1);
    bool writeJobAtStop = false;
    std::string packetTimeAtStop = "unset";
    window.Option3(2).onClick = [&] {
        writeJobAtStop = state.WriteJob;
        packetTimeAtStop = window.Text_Pac_Time.text();
    };
    table.Set(0, 0x27);
    StartJob(0, 0, true);
    Run(WriteSteps(0, 0x27));
    Run(ReadSteps(0, 0x27));
    EXPECT_TRUE(writeJobAtStop);
    EXPECT_EQ(packetTimeAtStop, "");
    EXPECT_EQ(window.Option3(2).value(), 1);
    EXPECT_EQ(window.Text_Pac_Time.text(), "7");
    EXPECT_EQ(window.Combo1.text(), "10 msec");
}

// ---- the first value of a link -------------------------------------------------------------

TEST_F(WindowTest, FirstValueOtherThanThePollRestartsTheLink) {
    Connect();
    window.txtTerm.SetText("old");
    EXPECT_EQ(Feed({202}), "");
    EXPECT_EQ(Pane(), "");
    EXPECT_EQ(port.CloseCount(), 1);
    EXPECT_EQ(port.OpenedPorts().size(), 2u);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(state.JustConnected);

    window.Check1.SetValue(0);
    window.line.Start(RangeJob(1, 1));  // waiting for the link
    EXPECT_EQ(Feed({172, 172}), "\x55");
    EXPECT_FALSE(state.JustConnected);
    EXPECT_EQ(Pane(), "172\r\n172\r\n");
    EXPECT_EQ(port.CloseCount(), 1);
}

// ---- failures ------------------------------------------------------------------------------

struct FailureCase {
    double object;
    bool write;
    std::vector<Step> steps;
    std::string pane;
    int failures;
};

class FailureTest : public DialogueTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, IsReportedAndTheJobGoesOn) {
    const FailureCase& c = GetParam();
    const ObjectTable image = table;
    StartJob(c.object, c.object, c.write);
    Run(c.steps);
    EXPECT_EQ(effects.failures.size(), static_cast<std::size_t>(c.failures));
    EXPECT_EQ(table, image);
    EXPECT_EQ(Pane(), c.pane);
    EXPECT_EQ(effects.restarts, 0);
}

INSTANTIATE_TEST_SUITE_P(
    OutOfRange, FailureTest,
    ::testing::Values(
        // The table has no entry 9000: nothing stored, the job still ends; polls stay bare.
        FailureCase{9000,
                    false,
                    {{172, "", 1},
                     {172, "\x55", 1},
                     {202, "\x23", 1},
                     {202, "\x28", 1},
                     {17, "", 1},
                     {172, "", 0}},
                    "172172202202"
                    "17 - 9000\r\n172",
                    1},
        FailureCase{-1,
                    false,
                    {{172, "", 1}, {172, "\x55", 1}, {202, Byte(0), 1}, {202, "", 1}, {17, "", 1}},
                    "172172202202"
                    "17 - -1\r\n",
                    2},
        FailureCase{70000,
                    false,
                    {{172, "", 1}, {172, "\x55", 1}, {202, "", 1}, {202, "\x70", 1}, {17, "", 1}},
                    "172172202202"
                    "17 - 70000\r\n",
                    2},
        // The write's data byte cannot be sent, yet the exchange goes on to the read.
        FailureCase{9000,
                    true,
                    {{172, "", 2},
                     {172, "\xAA", 2},
                     {202, "\x23", 2},
                     {202, "\x28", 2},
                     {202, "", 2},
                     {202, "", 2},
                     {172, "", 1}},
                    "172172202202202202172",
                    1}));

TEST_F(WindowDialogueTest, TheTrafficIsKeptWholeBeyondWhatThePaneShows) {
    window.Check1.SetValue(0);  // polls on lines of their own
    std::string expected;
    for (int i = 0; i < 4000; ++i) {
        Feed({172});
        expected += "172\r\n";
    }
    EXPECT_LT(Pane().size(), 16500u);
    std::string recorded;
    EXPECT_EQ(window.line.traffic()->WriteTo([&](std::string_view piece) {
        recorded += piece;
        return true;
    }),
              "");
    EXPECT_EQ(recorded, "172\r\n" + expected) << "the link's first too";
}

TEST_F(WindowDialogueTest, ValuesArrivingWhileABoxIsOpenWaitTheirTurn) {
    std::string paneWhileOpen;
    messages.whileOpen = [&](const Message&) {
        messages.whileOpen = nullptr;
        port.FeedByte(35);
        port.FeedByte(36);
        paneWhileOpen = Pane();
    };
    StartJob(9000, 9000);
    Run({{172, "", 1}, {172, "\x55", 1}, {202, "\x23", 1}, {202, "\x28", 1}});
    window.txtTerm.SetText("");
    Feed({17});
    EXPECT_EQ(paneWhileOpen, "");
    EXPECT_EQ(Pane(), "17 - 9000\r\n3536");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0],
              (Message{"Subscript out of range", MessageIcon::None, "Zelmar prg"}));
}

TEST_F(WindowDialogueTest, TimeThatPassesWhileABoxIsOpenDoesNotStepTheEngineMidValue) {
    messages.whileOpen = [&](const Message&) {
        messages.whileOpen = nullptr;
        for (std::int64_t ms = 0; ms <= 10000; ms += 250) window.Tick(ms);
    };
    StartJob(9000, 9000);  // no such entry: its data byte opens a box
    Run({{172, "", 1}, {172, "\x55", 1}, {202, "\x23", 1}, {202, "\x28", 1}, {17, "", 1}});
    EXPECT_EQ(window.line.report().outcome, JobReport::Outcome::Finished);
    EXPECT_EQ(messages.shown.size(), 1u) << "no stall, so no second box";
}

// Polls take a line of their own only while the current object, as it stands, names one.
struct PollLineCase {
    double curObject;
    bool line;
};

class PollLineTest : public DialogueTest, public ::testing::WithParamInterface<PollLineCase> {};

TEST_P(PollLineTest, DependsOnTheCurrentObjectUnrounded) {
    effects.onlyData = false;
    StartJob(GetParam().curObject, GetParam().curObject);
    Feed({172, 99});  // 99: a stray data byte ends the job, the object stays
    effects.pane.text.clear();
    Feed({202, 172});
    EXPECT_EQ(Pane(), GetParam().line ? "202\r\n172\r\n" : "202172");
    effects.onlyData = true;
    Feed({172});
    EXPECT_EQ(Pane(), GetParam().line ? "202\r\n172\r\n" : "202172172");
}

INSTANTIATE_TEST_SUITE_P(Objects, PollLineTest,
                         ::testing::Values(PollLineCase{0, true}, PollLineCase{8191, true},
                                           PollLineCase{8190.6, true}, PollLineCase{-1, false},
                                           PollLineCase{8191.4, false}, PollLineCase{8191.5, false},
                                           PollLineCase{-0.4, false}, PollLineCase{8192, false}));

}  // namespace
}  // namespace zelmar::testing
