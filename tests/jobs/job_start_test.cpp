// The job control on its own, over the line component and plain frames: which job a start builds
// from the boxes or the list, "Stop", the starts it refuses, and what its status line says.
#include <gtest/gtest.h>

#include <functional>

#include "jobs/job_control.h"
#include "support/line_fixture.h"
#include "support/plain_job_form.h"
#include "support/settings_device.h"

namespace zelmar::testing {
namespace {

enum class Start { ReadSettings, ReadRange, WriteSettings, WriteRange };

class JobControlTest : public LineTest {
  protected:
    void Press(Start start) {
        switch (start) {
            case Start::ReadSettings:
                return jobs.ReadSettings();
            case Start::ReadRange:
                return jobs.StartRange(Frame::Read);
            case Start::WriteSettings:
                return jobs.WriteSettings();
            case Start::WriteRange:
                return jobs.StartRange(Frame::Write);
        }
    }
    // A panel the settings write can encode.
    void FillEncodablePanel() {
        form.sendDelay = 2;
        form.repeatDelay = 3;
        form.packetTime = "10";
        for (int n = 1; n <= 15; ++n) form.repeaters[n - 1] = std::to_string(n % 8);
    }

    PlainJobForm form;
    JobControl jobs{line, form};
};

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
    const char* shown;
    friend std::ostream& operator<<(std::ostream& o, const StartCase& c) { return o << c.what; }
};

class JobStartTest : public JobControlTest, public ::testing::WithParamInterface<StartCase> {
  protected:
    bool IsRead() const {
        return GetParam().start == Start::ReadSettings || GetParam().start == Start::ReadRange;
    }
};

TEST_P(JobStartTest, StartSetsTheJobFromTheBoxesOrTheList) {
    const StartCase& c = GetParam();
    Connect();
    FillEncodablePanel();
    // A list job one entry on, so that the start has a list position to put back.
    line.engine().Start(RangeJob(1, 99));
    EffectList ignored;
    for (int value : {172, 172, 202, 202, 5}) line.engine().Receive(value, ignored);
    line.engine().Interrupt("the port was closed", ignored);
    ASSERT_EQ(state.ListPos, 1);
    const Frame frame = IsRead() ? Frame::Read : Frame::Write;
    form.listTick = c.listMode ? 1 : 0;
    form.SetStartText(frame, c.startText);
    form.SetEndText(frame, c.endText);
    if (c.firstObject) {
        form.firstObjectOnly[IsRead() ? 0 : 1] = true;
        form.SetEndText(frame, "");  // as the tick leaves its end box
    }
    Press(c.start);

    EXPECT_EQ(state.CurObject.value(), c.curObject);
    EXPECT_EQ(state.EndObject.value(), c.endObject);
    EXPECT_EQ(form.StartText(frame), c.startAfter);
    EXPECT_EQ(form.EndText(frame), c.endAfter);
    EXPECT_EQ(form.shown, c.shown);
    EXPECT_EQ(state.ListPos, 0);
    EXPECT_EQ(state.LinkMode, IsRead() ? kModeRead : kModeWrite);
    EXPECT_EQ(state.WriteJob, !IsRead());
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(port.Sent(), "") << "a start sends nothing: the device leads";
    EXPECT_TRUE(form.refusals.empty());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Jobs, JobStartTest, ::testing::Values(
    StartCase{"read settings over the list", Start::ReadSettings, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"read range over the list starts at 1", Start::ReadRange, true, "5", "6", false, 1, 8191, "1", "8191", "1"},
    StartCase{"write settings over the list", Start::WriteSettings, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"write range over the list starts at 0", Start::WriteRange, true, "5", "6", false, 0, 8191, "0", "8191", "0"},
    StartCase{"read range start beyond end", Start::ReadRange, false, "10", "5", false, 10, 10, "10", "10", "10"},
    StartCase{"read settings start beyond end", Start::ReadSettings, false, "10", "5", false, 10, 5, "10", "5", "10"},
    StartCase{"write range start beyond end", Start::WriteRange, false, "10", "5", false, 10, 10, "10", "10", "10"},
    StartCase{"write settings start beyond end", Start::WriteSettings, false, "10", "5", false, 10, 5, "10", "5", "10"},
    StartCase{"read range first object", Start::ReadRange, false, "8180", "7", true, 8180, 8180, "8180", "", "8180"},
    StartCase{"write range first object", Start::WriteRange, false, "8180", "7", true, 8180, 8180, "8180", "", "8180"},
    StartCase{"read settings ignores first object", Start::ReadSettings, false, "30", "40", true, 30, 0, "30", "", "30"},
    StartCase{"read range empty start", Start::ReadRange, false, "", "20", false, 1, 20, "1", "20", "1"},
    StartCase{"read range start out of range", Start::ReadRange, false, "8180", "8185", false, 1, 8185, "1", "8185", "1"},
    StartCase{"read range fraction", Start::ReadRange, false, "2.5", "9", false, 2.5, 9, "2.5", "9", "2.5"},
    StartCase{"read settings object 0", Start::ReadSettings, false, "0", "3", false, 0, 3, "0", "3", "0"},
    StartCase{"write range empty boxes", Start::WriteRange, false, "", "", false, 0, 0, "", "", "0"}));
// clang-format on

TEST_F(JobControlTest, StopFinishesTheObjectUnderWayAndNothingElse) {
    Connect();
    form.listTick = 0;
    form.start[0] = "3";
    form.end[0] = "7";
    jobs.StartRange(Frame::Read);
    Feed({172, 172, 202});  // in the middle of the first exchange
    const LinkState before = state;
    jobs.Stop(Frame::Read);
    EXPECT_EQ(state.CurObject, Number::Double(3));
    EXPECT_EQ(form.shown, "3");
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.LinkStep, before.LinkStep);
    EXPECT_TRUE(jobs.Busy()) << "no new start before the job has ended";
    // The exchange under way goes on with its own object, and its data byte ends the job.
    EXPECT_EQ(Feed({202}), "\x03");
    Feed({99});
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(table[3], 99);
    EXPECT_EQ(table[4], 0);
    EXPECT_FALSE(jobs.Busy());
}

TEST_F(JobControlTest, StopWithoutAJobShowsTheEndObject) {
    Connect();
    Feed({172});
    line.Start(RangeJob(8191, 8191));
    Feed({172, 172, 202, 202, 7});  // the job ends
    ASSERT_EQ(state.LinkMode, kModeIdle);
    jobs.Stop(Frame::Write);
    EXPECT_EQ(state.CurObject, Number::Double(8191));
    EXPECT_EQ(form.shown, "8191");
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_FALSE(state.WriteJob);
}

TEST_F(JobControlTest, ClearEmptiesTheLogAtEveryStartButNeverAtStop) {
    Connect();
    form.clearChosen = true;
    jobs.Stop(Frame::Read);
    EXPECT_EQ(form.logsCleared, 0);
    jobs.ReadSettings();
    EXPECT_EQ(form.logsCleared, 1);
}

class EmptyListStartTest : public JobControlTest, public ::testing::WithParamInterface<Start> {};
TEST_P(EmptyListStartTest, AListJobWithoutAListStartsNothing) {
    Connect();
    form.list.clear();
    form.repeaters[0] = "";  // would refuse the settings write, were it reached
    const LinkState before = state;
    const ObjectTable beforeTable = table;
    Press(GetParam());
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.CurObject, before.CurObject);
    EXPECT_EQ(state.WriteJob, before.WriteJob);
    EXPECT_EQ(table, beforeTable);
    EXPECT_EQ(form.start[0], "1");
    ASSERT_EQ(form.refusals.size(), 1u);
    EXPECT_NE(form.refusals[0].find("list"), std::string::npos);
    EXPECT_EQ(jobs.StatusText(), "Not started: the object list is empty");
}
INSTANTIATE_TEST_SUITE_P(Jobs, EmptyListStartTest,
                         ::testing::Values(Start::ReadSettings, Start::ReadRange,
                                           Start::WriteSettings, Start::WriteRange));

// A start raised while a job runs is refused: a second job would cut the first one's exchange
// in two.
class StartWhileBusyTest : public JobControlTest, public ::testing::WithParamInterface<Start> {};
TEST_P(StartWhileBusyTest, IsRefusedAndTheJobGoesOn) {
    Connect();
    Feed({172});
    form.sendDelay = 0;
    form.repeatDelay = 0;
    form.packetTime = "0";
    for (std::string& repeater : form.repeaters) repeater = "1";
    jobs.WriteSettings();
    ASSERT_EQ(state.LinkMode, kModeWrite);
    EXPECT_EQ(Feed({172, 172, 202}), std::string("\xAA\x00", 2));
    const LinkState before = state;
    Press(GetParam());
    ASSERT_EQ(form.refusals.size(), 1u);
    EXPECT_NE(form.refusals[0].find("job is under way"), std::string::npos);
    EXPECT_EQ(state.LinkMode, before.LinkMode);
    EXPECT_EQ(state.CurObject, before.CurObject);
    EXPECT_EQ(state.WriteStep, before.WriteStep);
    EXPECT_EQ(Feed({202}), std::string("\x00", 1)) << "the write goes on with its own object";
}
INSTANTIATE_TEST_SUITE_P(Jobs, StartWhileBusyTest,
                         ::testing::Values(Start::ReadSettings, Start::ReadRange,
                                           Start::WriteSettings, Start::WriteRange));

// Whole jobs against the simulated device.
class JobControlFlowTest : public SettingsDeviceTest<JobControlTest> {
  public:
    void Run(std::function<bool()> until) { ASSERT_TRUE(link.RunUntil(until, 10000)); }
};

TEST_F(JobControlFlowTest, SettingsWriteSendsTheEncodedEntriesAndReadsEachBack) {
    form.sendDelay = 4;
    form.packetTime = "7";
    form.repeatDelay = 1;
    for (int n = 1; n <= 15; ++n) form.repeaters[n - 1] = std::to_string(15 - n);
    jobs.WriteSettings();
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
}

TEST_F(JobControlFlowTest, ARefusedSettingsWriteChangesNothing) {
    form.sendDelay = 1;
    form.repeatDelay = 1;
    form.packetTime = "1";
    for (std::string& repeater : form.repeaters) repeater = "1";
    form.repeaters[8] = "abc";
    table.Set(8180, 44);
    const ObjectTable beforeTable = table;
    jobs.WriteSettings();
    ASSERT_EQ(form.refusals.size(), 1u);
    EXPECT_NE(form.refusals[0].find("9"), std::string::npos) << form.refusals[0];
    EXPECT_EQ(table, beforeTable);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_FALSE(state.WriteJob);
    EXPECT_FALSE(link.RunUntil([&] { return !link.line.empty(); }, 20))
        << "no job: the polls go unanswered, yet the line sent " << link.line;
}

// What the status bar says of the jobs and the line, situation by situation.
class JobStatusTest;
struct StatusCase {
    const char* name;
    std::function<void(JobStatusTest&)> act;
    std::string job;
    std::string activity;
};

class JobStatusTest : public JobControlFlowTest, public ::testing::WithParamInterface<StatusCase> {
  public:
    JobControl& Jobs() { return jobs; }
    Line& TheLine() { return line; }
    // The panel as the window fills it from a settings read of the device.
    void ShowDeviceSettings() {
        form.sendDelay = 2;  // "20 msec"
        form.packetTime = "10";
        form.repeatDelay = 7;  // "NO"
        for (int n = 1; n <= 15; ++n) form.repeaters[n - 1] = std::to_string(n);
    }
    // The window's disconnect: the port closed, the job cut short for it.
    void Close() {
        line.Toggle();
        line.Interrupt("the port was closed");
    }
};

TEST_P(JobStatusTest, SaysWhereTheJobAndTheLineStand) {
    GetParam().act(*this);
    EXPECT_EQ(jobs.StatusText(), GetParam().job);
    EXPECT_EQ(line.ActivityText(), GetParam().activity);
}

INSTANTIATE_TEST_SUITE_P(
    Situations, JobStatusTest,
    ::testing::Values(
        StatusCase{"Idle", [](JobStatusTest&) {}, "", "Device polling"},
        StatusCase{"Reading",
                   [](JobStatusTest& t) {
                       t.Jobs().ReadSettings();
                       t.Run([&] { return t.TheLine().state().ObjectsDone == 5; });
                   },
                   "Reading settings: 5 of 17", "Device polling"},
        StatusCase{"Read", [](JobStatusTest& t) { t.Jobs().ReadSettings(), t.RunJob(); },
                   "Settings read: 17 of 17", "Device polling"},
        StatusCase{"Written",
                   [](JobStatusTest& t) {
                       t.Jobs().ReadSettings(), t.RunJob();
                       t.ShowDeviceSettings();
                       t.Jobs().WriteSettings(), t.RunJob();
                   },
                   "Settings written and verified: 17 of 17", "Device polling"},
        StatusCase{"Stopped",
                   [](JobStatusTest& t) {
                       t.Jobs().ReadSettings();
                       t.Run([&] { return t.TheLine().state().ObjectsDone == 2; });
                       t.Jobs().Stop(Frame::Read);  // between two objects: at once
                   },
                   "Read stopped: 2 of 17 done", "Device polling"},
        StatusCase{"Closed",
                   [](JobStatusTest& t) {
                       t.Jobs().ReadSettings();
                       t.Run([&] { return t.TheLine().state().ObjectsDone == 4; });
                       t.Close();
                   },
                   "Read interrupted: 4 of 17 done (the port was closed)", ""},
        StatusCase{"RefusedClosed",
                   [](JobStatusTest& t) {
                       t.Close();
                       t.Jobs().ReadSettings();
                   },
                   "Not started: the port is closed: open it with the red lamp first", ""},
        StatusCase{"Silent",
                   [](JobStatusTest& t) {
                       for (std::int64_t ms : {0, 1000, 2000, 3000}) t.TheLine().Tick(ms);
                   },
                   "", "No polls from the device for 3 s: check power, cable and port"},
        StatusCase{"SilentDuringAJob",
                   [](JobStatusTest& t) {
                       t.Jobs().ReadSettings();
                       for (std::int64_t ms = 0; ms <= 4000; ms += 250) t.TheLine().Tick(ms);
                   },
                   "Read interrupted: 0 of 17 done (the device did not finish its exchange "
                   "after 3 attempts)",
                   "No polls from the device for 3 s: check power, cable and port"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zelmar::testing
