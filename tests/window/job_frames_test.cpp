// The job frames and the settings panel as the window shows them: which starts are offered,
// what the panel and the pane show of a job, and the boxes a start or "Stop" leaves.
#include <gtest/gtest.h>

#include "support/settings_device.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

using JobFramesTest = WindowTest;

TEST_F(JobFramesTest, StopFinishesTheObjectUnderWayAndNothingElse) {
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

TEST_F(JobFramesTest, ClearEmptiesThePaneAtEveryStartButNeverAtStop) {
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
    Control* starts[] = {&window.Command2, &window.Option2(1), &window.Command3,
                         &window.Option3(1)};
    starts[GetParam()]->UserClick();
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

// Whole jobs against the simulated device.
using JobFlowTest = SettingsDeviceTest<WindowTest>;

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
    // The bytes on the line are the job control's (tests/jobs); the panel's entries reached
    // the device, and the panel shows what was read back.
    EXPECT_EQ(link.table()[0], 135);
    EXPECT_EQ(link.table()[8191], 0);
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

}  // namespace
}  // namespace zelmar::testing
