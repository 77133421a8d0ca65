// Starting and stopping read and write jobs from the settings panel and the two frames.
#include <gtest/gtest.h>

#include <functional>

#include "support/device_line.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

enum class Start { ReadButton, ReadOption, WriteButton, WriteOption };

struct StartCase {
    const char* what;
    Start start;
    bool listMode;
    const char* startText;
    const char* endText;
    bool firstObject;
    double curObject;
    double endObject;
    const char* startAfter;
    const char* endAfter;
    const char* label;
    friend std::ostream& operator<<(std::ostream& o, const StartCase& c) { return o << c.what; }
};

class JobStartTest : public WindowTest, public ::testing::WithParamInterface<StartCase> {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Connect();
        FillEncodablePanel();
    }
    void FillEncodablePanel() {
        window.Combo1.SetListIndex(2);
        window.Combo2.SetListIndex(3);
        window.Text_Pac_Time.SetText("10");
        for (int n = 1; n <= 15; ++n) window.Text_R(n).SetText(std::to_string(n % 8));
    }
    bool IsRead() const {
        return GetParam().start == Start::ReadButton || GetParam().start == Start::ReadOption;
    }
    Control& StartBox() { return IsRead() ? window.Text1 : window.Text3; }
    Control& EndBox() { return IsRead() ? window.Text2 : window.Text4; }
    void Press() {
        switch (GetParam().start) {
            case Start::ReadButton:
                window.Command2.UserClick();
                break;
            case Start::ReadOption:
                window.Option2(1).UserClick();
                break;
            case Start::WriteButton:
                window.Command3.UserClick();
                break;
            case Start::WriteOption:
                window.Option3(1).UserClick();
                break;
        }
    }
};

TEST_P(JobStartTest, StartSetsTheJobFromTheBoxesOrTheList) {
    const StartCase& c = GetParam();
    // A list job one entry on, so that the start has a list position to put back.
    window.line.engine().Start(RangeJob(1, 99));
    EffectList ignored;
    for (int value : {172, 172, 202, 202, 5}) window.line.engine().Receive(value, ignored);
    window.line.engine().Interrupt("the port was closed", ignored);
    ASSERT_EQ(state.ListPos, 1);
    window.Check4.SetValue(c.listMode ? 1 : 0);
    StartBox().SetText(c.startText);
    EndBox().SetText(c.endText);
    if (c.firstObject) (IsRead() ? window.Check2 : window.Check3).UserClick();
    Press();

    EXPECT_EQ(state.CurObject.value(), c.curObject);
    EXPECT_EQ(state.EndObject.value(), c.endObject);
    EXPECT_EQ(StartBox().text(), c.startAfter);
    EXPECT_EQ(EndBox().text(), c.endAfter);
    EXPECT_EQ(window.Label5.caption(), c.label);
    EXPECT_EQ(state.ListPos, 0);
    EXPECT_EQ(state.LinkMode, IsRead() ? kModeRead : kModeWrite);
    EXPECT_EQ(state.WriteJob, !IsRead());
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(port.Sent(), "") << "a start sends nothing: the device leads";
    EXPECT_TRUE(messages.shown.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Jobs, JobStartTest, ::testing::Values(
    StartCase{"read button over the list", Start::ReadButton, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"read option over the list starts at 1", Start::ReadOption, true, "5", "6", false, 1, 8191, "1", "8191", "1"},
    StartCase{"write button over the list", Start::WriteButton, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"write option over the list starts at 0", Start::WriteOption, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"read option start beyond end", Start::ReadOption, false, "10", "5", false, 10, 10, "10", "10", "10"},
    StartCase{"read button start beyond end", Start::ReadButton, false, "10", "5", false, 10, 5, "10", "5", "10"},
    StartCase{"write option start beyond end", Start::WriteOption, false, "10", "5", false, 10, 10, "10", "10", "10"},
    StartCase{"write button start beyond end", Start::WriteButton, false, "10", "5", false, 10, 5, "10", "5", "10"},
    StartCase{"read option first object", Start::ReadOption, false, "8180", "7", true, 8180, 8180, "8180", "", "8180"},
    StartCase{"write option first object", Start::WriteOption, false, "8180", "7", true, 8180, 8180, "8180", "", "8180"},
    StartCase{"read button ignores first object", Start::ReadButton, false, "30", "40", true, 30, 0, "30", "", "30"},
    StartCase{"read option empty start", Start::ReadOption, false, "", "20", false, 1, 20, "1", "20", "1"},
    StartCase{"read option start out of range", Start::ReadOption, false, "8180", "8185", false, 1, 8185, "1", "8185", "1"},
    StartCase{"read option fraction", Start::ReadOption, false, "2.5", "9", false, 2.5, 9, "2.5", "9", "2.5"},
    StartCase{"read button object 0", Start::ReadButton, false, "0", "3", false, 0, 3, "0", "3", "0"},
    StartCase{"write option empty boxes", Start::WriteOption, false, "", "", false, 0, 0, "", "", "0"}));
// clang-format on

TEST_F(WindowTest, StopFinishesTheObjectUnderWayAndNothingElse) {
    Connect();
    window.Check4.SetValue(0);
    window.Text1.SetText("3");
    window.Text2.SetText("7");
    window.Option2(1).UserClick();
    Feed({172, 172, 202});  // in the middle of the first exchange
    const LinkState before = state;
    window.Option2(2).UserClick();
    EXPECT_EQ(state.CurObject, Number::Double(3));
    EXPECT_EQ(window.Label5.caption(), "3");
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.LinkStep, before.LinkStep);
    EXPECT_FALSE(window.Option2(1).enabled()) << "no new start before the job has ended";
    // The exchange under way goes on with its own object, and its data byte ends the job.
    EXPECT_EQ(Feed({202}), "\x03");
    Feed({99});
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(table[3], 99);
    EXPECT_EQ(table[4], 0);
    EXPECT_TRUE(window.Option2(1).enabled());
}

TEST_F(WindowTest, StopWithoutAJobShowsTheEndObject) {
    Connect();
    Feed({172});
    window.line.Start(RangeJob(8191, 8191));
    Feed({172, 172, 202, 202, 7});  // the job ends, "Stop" selected in both frames
    ASSERT_EQ(state.LinkMode, kModeIdle);
    window.Option3(1).onClick = nullptr;  // "Write" selected without a job
    window.Option3(1).SetValue(1);
    window.Option3(2).UserClick();
    EXPECT_EQ(state.CurObject, Number::Double(8191));
    EXPECT_EQ(window.Label5.caption(), "8191");
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_FALSE(state.WriteJob);
}

TEST_F(WindowTest, ClearEmptiesThePaneAtEveryStartButNeverAtStop) {
    Connect();
    Feed({172, 35});
    ASSERT_EQ(Pane(), "35");
    window.chClear.UserClick();
    window.Option2(2).SetValue(0);  // so that selecting "Stop" runs it
    window.Option2(2).UserClick();
    EXPECT_EQ(Pane(), "35");
    window.Command2.UserClick();
    EXPECT_EQ(Pane(), "");
}

class EmptyListTest : public WindowTest, public ::testing::WithParamInterface<int> {};
TEST_P(EmptyListTest, AListJobWithoutAListStartsNothing) {
    Connect();
    window.List1.Clear();
    window.Text_R(1).SetText("");  // would refuse the settings write, were it reached
    const LinkState before = state;
    const ObjectTable beforeTable = table;
    const std::string box1 = window.Text1.text();
    switch (GetParam()) {
        case 0:
            window.Command2.UserClick();
            break;
        case 1:
            window.Option2(1).UserClick();
            break;
        case 2:
            window.Command3.UserClick();
            break;
        case 3:
            window.Option3(1).UserClick();
            break;
    }
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.CurObject, before.CurObject);
    EXPECT_EQ(state.WriteJob, before.WriteJob);
    EXPECT_EQ(table, beforeTable);
    EXPECT_EQ(window.Text1.text(), box1);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Zelmar prg");
    EXPECT_NE(messages.shown[0].text.find("list"), std::string::npos);
}
INSTANTIATE_TEST_SUITE_P(Jobs, EmptyListTest, ::testing::Range(0, 4));

// While a job runs no start is offered, and one raised all the same is refused: a second job
// would cut the first one's exchange in two.
class StartDuringAJobTest : public WindowTest, public ::testing::WithParamInterface<int> {};
TEST_P(StartDuringAJobTest, IsRefusedAndTheJobGoesOn) {
    Connect();
    Feed({172});
    window.Combo1.SetListIndex(0);
    window.Combo2.SetListIndex(0);
    window.Text_Pac_Time.SetText("0");
    for (int n = 1; n <= 15; ++n) window.Text_R(n).SetText("1");
    window.Command3_Click();  // the settings write
    ASSERT_EQ(state.LinkMode, kModeWrite);
    EXPECT_EQ(Feed({172, 172, 202}), std::string("\xAA\x00", 2));
    const LinkState before = state;
    Control* starts[] = {&window.Command2, &window.Command3, &window.Option2(1),
                         &window.Option3(1)};
    Control& start = *starts[GetParam()];
    EXPECT_FALSE(start.enabled());
    start.UserClick();
    EXPECT_TRUE(messages.shown.empty()) << "a control that is not offered takes no click";
    if (start.kind() == ControlKind::OptionButton) {
        start.SetValue(1);  // raised from code all the same
    } else {
        start.onClick();
    }
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("job is under way"), std::string::npos);
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.CurObject, before.CurObject);
    EXPECT_EQ(state.WriteStep, before.WriteStep);
    EXPECT_EQ(Feed({202}), std::string("\x00", 1)) << "the write goes on with its own object";
}
INSTANTIATE_TEST_SUITE_P(Controls, StartDuringAJobTest, ::testing::Range(0, 4));

// Whole jobs against the simulated device, which answers from its own table.
class JobFlowTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        Connect();
        link.device().LinkOpened();
        link.table()[0] = 2 * 32 + 10;  // send delay "20 msec", packet time 10
        link.table()[8176] = 7;         // repeat delay "NO"
        for (int n = 1; n <= 15; ++n) link.table()[8176 + n] = static_cast<std::uint8_t>(n);
        link.Step();  // the device's first poll keeps the link
        ASSERT_EQ(link.line, "");
    }
    void TearDown() override {
        EXPECT_EQ(link.device().Irregularities(), 0) << "the window fell out of step";
    }

  public:
    void RunJob() {
        ASSERT_TRUE(link.RunUntil([&] { return state.LinkMode == kModeIdle; }, 10000));
    }

  protected:
    DeviceLine<> link{[this](std::uint8_t received) {
        port.FeedByte(received);
        return port.TakeSent();
    }};
};

TEST_F(JobFlowTest, SettingsReadFillsThePanel) {
    window.Command2.UserClick();
    RunJob();
    EXPECT_EQ(window.Text_Pac_Time.text(), "10");
    EXPECT_EQ(window.Combo1.text(), "20 msec");
    EXPECT_EQ(window.Combo2.text(), "NO");
    for (int n = 1; n <= 15; ++n) EXPECT_EQ(window.Text_R(n).text(), std::to_string(n));
    EXPECT_NE(Pane().find("74 - 0\r\n7 - 8176\r\n1 - 8177\r\n"), std::string::npos) << Pane();
    EXPECT_NE(Pane().find("15 - 8191\r\n"), std::string::npos);
    EXPECT_EQ(window.Option2(2).value(), 1);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(JobFlowTest, SettingsWriteSendsTheEncodedEntriesAndReadsEachBack) {
    window.Combo1.SetListIndex(4);
    window.Text_Pac_Time.SetText("7");
    window.Combo2.SetListIndex(1);
    for (int n = 1; n <= 15; ++n) window.Text_R(n).SetText(std::to_string(15 - n));
    window.Command3.UserClick();
    RunJob();

    std::string expected;
    auto exchange = [&](int object, int data) {
        const char high = static_cast<char>(object / 256), low = static_cast<char>(object % 256);
        expected += std::string{'\xAA', high, low, static_cast<char>(data)};
        expected += std::string{'\x55', high, low};
    };
    exchange(0, 135);
    exchange(8176, 1);
    for (int n = 1; n <= 15; ++n) exchange(8176 + n, 15 - n);
    EXPECT_EQ(link.line, expected);
    EXPECT_EQ(link.table()[0], 135);
    EXPECT_EQ(table[8191], 0);
    EXPECT_FALSE(state.WriteJob);
    EXPECT_EQ(window.Combo1.text(), "100 msec") << "the panel shows what was read back";
}

TEST_F(JobFlowTest, ARefusedSettingsWriteChangesNothing) {
    window.Combo1.SetListIndex(1);
    window.Combo2.SetListIndex(1);
    window.Text_Pac_Time.SetText("1");
    for (int n = 1; n <= 15; ++n) window.Text_R(n).SetText("1");
    window.Text_R(9).SetText("abc");
    table.Set(8180, 44);
    const ObjectTable beforeTable = table;
    window.Command3.UserClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Zelmar prg");
    EXPECT_NE(messages.shown[0].text.find("9"), std::string::npos) << messages.shown[0].text;
    EXPECT_EQ(table, beforeTable);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_FALSE(state.WriteJob);
    EXPECT_FALSE(link.RunUntil([&] { return !link.line.empty(); }, 20))
        << "no job: the polls go unanswered, yet the window sent " << link.line;
}

TEST_F(JobFlowTest, StopRunsAgainAtTheEndOfAJobStartedFromAFrame) {
    window.Option2(1).UserClick();  // over the list: objects 1 .. 8191 of the list
    window.Text1.SetText("4321");
    RunJob();
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(window.Option2(2).value(), 1);
    // "Stop" ran when the engine selected it, copying the list's ends into the boxes again.
    EXPECT_EQ(window.Text1.text(), "0");
    EXPECT_EQ(window.Text2.text(), "8191");
}

// A read that did not finish shows what it read and nothing more: the entries it never reached
// stay empty in the panel, and the panel's Write refuses rather than send the image's blanks.
struct UnfinishedCase {
    const char* name;
    int objectsRead;  // before the read ends: 0 silent, else stopped or closed after as many
    bool close;
};

class UnfinishedReadTest : public JobFlowTest,
                           public ::testing::WithParamInterface<UnfinishedCase> {};

TEST_P(UnfinishedReadTest, ShowsOnlyWhatWasRead) {
    const UnfinishedCase& c = GetParam();
    window.Command2.UserClick();
    if (c.objectsRead == 0) {
        for (std::int64_t ms = 0; ms <= 4000; ms += 250) window.Tick(ms);  // the device is mute
    } else {
        ASSERT_TRUE(link.RunUntil([&] { return state.ObjectsDone == c.objectsRead; }, 10000));
        if (c.close) {
            window.imgConnected.UserClick();
        } else {
            window.StopJob();  // the status bar's Stop, between two objects: at once
        }
    }
    ASSERT_FALSE(window.line.Busy());
    const bool timing = c.objectsRead >= 1, delay = c.objectsRead >= 2;
    EXPECT_EQ(window.Text_Pac_Time.text(), timing ? "10" : "");
    EXPECT_EQ(window.Combo1.listIndex(), timing ? 2 : -1);
    EXPECT_EQ(window.Combo2.listIndex(), delay ? 7 : -1);
    for (int n = 1; n <= 15; ++n)
        EXPECT_EQ(window.Text_R(n).text(), n + 2 <= c.objectsRead ? std::to_string(n) : "") << n;
    if (c.close) window.imgNotConnected.UserClick();
    messages.shown.clear();
    port.TakeSent();
    window.Command3.UserClick();
    EXPECT_FALSE(window.line.Busy()) << "an empty field is no setting to write";
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(port.TakeSent(), "");
}

INSTANTIATE_TEST_SUITE_P(Reads, UnfinishedReadTest,
                         ::testing::Values(UnfinishedCase{"Failed", 0, false},
                                           UnfinishedCase{"Stopped", 4, false},
                                           UnfinishedCase{"Interrupted", 2, true}),
                         [](const auto& info) { return std::string(info.param.name); });

// What the status bar says of the jobs and the line, situation by situation.
class StatusTest;
struct StatusCase {
    const char* name;
    std::function<void(StatusTest&)> act;
    std::string job;
    std::string activity;
};

class StatusTest : public JobFlowTest, public ::testing::WithParamInterface<StatusCase> {
  public:
    void Run(std::function<bool()> until) { ASSERT_TRUE(link.RunUntil(until, 10000)); }
    frmTerminal& Window() { return window; }
    DeviceLine<>& Line() { return link; }
};

TEST_P(StatusTest, SaysWhereTheJobAndTheLineStand) {
    GetParam().act(*this);
    EXPECT_EQ(window.jobs.StatusText(), GetParam().job);
    EXPECT_EQ(window.line.ActivityText(), GetParam().activity);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, StatusTest,
    ::testing::Values(
        StatusCase{"Idle", [](StatusTest&) {}, "", "Device polling"},
        StatusCase{"Reading",
                   [](StatusTest& t) {
                       t.Window().Command2_Click();
                       t.Run([&] { return t.Window().line.state().ObjectsDone == 5; });
                   },
                   "Reading settings: 5 of 17", "Device polling"},
        StatusCase{"Read", [](StatusTest& t) { t.Window().Command2_Click(), t.RunJob(); },
                   "Settings read: 17 of 17", "Device polling"},
        StatusCase{"Written",
                   [](StatusTest& t) {
                       t.Window().Command2_Click(), t.RunJob();
                       t.Window().Command3_Click(), t.RunJob();
                   },
                   "Settings written and verified: 17 of 17", "Device polling"},
        StatusCase{"Stopped",
                   [](StatusTest& t) {
                       t.Window().Command2_Click();
                       t.Run([&] { return t.Window().line.state().ObjectsDone == 2; });
                       t.Window().jobs.Stop(Frame::Read);  // between two objects: at once
                   },
                   "Read stopped: 2 of 17 done", "Device polling"},
        StatusCase{"Closed",
                   [](StatusTest& t) {
                       t.Window().Command2_Click();
                       t.Run([&] { return t.Window().line.state().ObjectsDone == 4; });
                       t.Window().imgConnected_Click();
                   },
                   "Read interrupted: 4 of 17 done (the port was closed)", ""},
        StatusCase{"RefusedClosed",
                   [](StatusTest& t) {
                       t.Window().imgConnected_Click();
                       t.Window().Command2_Click();
                   },
                   "Not started: the port is closed: open it with the red lamp first", ""},
        StatusCase{"Silent",
                   [](StatusTest& t) {
                       for (std::int64_t ms : {0, 1000, 2000, 3000}) t.Window().Tick(ms);
                   },
                   "", "No polls from the device for 3 s: check power, cable and port"},
        StatusCase{"SilentDuringAJob",
                   [](StatusTest& t) {
                       t.Window().Command2_Click();
                       for (std::int64_t ms = 0; ms <= 4000; ms += 250) t.Window().Tick(ms);
                   },
                   "Read interrupted: 0 of 17 done (the device did not finish its exchange "
                   "after 3 attempts)",
                   "No polls from the device for 3 s: check power, cable and port"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmar::testing
