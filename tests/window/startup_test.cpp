// The window as the technician meets it, and closing it.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

using StartupTest = WindowTest;

TEST_F(StartupTest, WindowStartsClosedWithEverythingAtItsStartValue) {
    EXPECT_FALSE(port.PortOpen());
    EXPECT_TRUE(window.imgNotConnected.IsInFront());
    EXPECT_EQ(StatusLamp(), 3);
    EXPECT_EQ(window.Option1(1).value(), 1);
    EXPECT_EQ(window.Label5.caption(), "Object");
    EXPECT_FALSE(window.Frame2.enabled());
    EXPECT_FALSE(window.Frame3.enabled());
    for (Control* box : {&window.Text1, &window.Text2, &window.Text3, &window.Text4})
        EXPECT_EQ(box->text(), "1") << box->name();
    EXPECT_EQ(window.ch_1_0.value(), 0);
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    EXPECT_EQ(window.txtTerm.text(), "");
    EXPECT_EQ(window.txtTerm.foreColor(), 0xFF0000u) << "pure blue, blue-green-red order";
    EXPECT_EQ(window.Combo1.listIndex(), -1);
    EXPECT_EQ(window.Text_Pac_Time.text(), "");
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_EQ(state.CurObject, Number::Int16(1));
    EXPECT_TRUE(state.CurObject.isInt16());
    EXPECT_EQ(state.EndObject, Number::Int16(1));
    EXPECT_FALSE(state.WriteJob);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(state.WriteStep, kWriteStepStart);
    EXPECT_FALSE(state.JustConnected);
    EXPECT_EQ(state.ListPos, 0);
    EXPECT_EQ(table, ObjectTable{});
}

TEST_F(StartupTest, ObjectBoxesWereCheckedAsTheirTextsWereSet) {
    // The change check ran inside start-up and put the caret after the "1" it let stand.
    for (Control* box : {&window.Text1, &window.Text2, &window.Text3, &window.Text4})
        EXPECT_EQ(box->selStart(), 1u) << box->name();
}

struct CentreCase {
    TwipsSize screen;
    double left, top;
};
class CentringTest : public ::testing::TestWithParam<CentreCase> {};
TEST_P(CentringTest, WindowIsCentredOnItsOuterSize) {
    MemorySerialPort port;
    RecordingMessageBox messages;
    FixedScreen screen;
    screen.size = GetParam().screen;
    screen.decoration = {120, 450};
    ScriptedFileDialog dialog;
    TextFiles files;
    frmTerminal window(Platform{port, messages, screen, dialog, files});
    window.Form_Load();
    EXPECT_EQ(window.Form.rect().left, GetParam().left);
    EXPECT_EQ(window.Form.rect().top, GetParam().top);
    EXPECT_EQ(window.Form.rect().width, 5070) << "the size stays";
}
INSTANTIATE_TEST_SUITE_P(
    Startup, CentringTest,
    ::testing::Values(CentreCase{{1024 * 15, 768 * 15}, 5085, 3442.5},
                      CentreCase{{1920 * 15, 1080 * 15}, 11805, 5782.5},
                      // A screen smaller than the window puts it partly off the screen.
                      CentreCase{{200 * 15, 150 * 15}, -1095, -1192.5}));

TEST(StartupWithoutAPortOption, SkipsTheFailingStepAndRunsTheRest) {
    MemorySerialPort port;
    port.SetCommPort(7);  // no option button stands for it
    RecordingMessageBox messages;
    FixedScreen screen;
    ScriptedFileDialog dialog;
    TextFiles files;
    frmTerminal window(Platform{port, messages, screen, dialog, files});
    window.Form_Load();
    EXPECT_EQ(window.Option1(1).value(), 1) << "the options stay as they were created";
    EXPECT_EQ(window.Label5.caption(), "Object");
    EXPECT_EQ(window.Text4.text(), "1");
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(StartupTest, Ch10CaptionFollowsItsValueAndNothingElse) {
    Connect();
    const LinkState before = state;
    window.ch_1_0.UserClick();
    EXPECT_EQ(window.ch_1_0.caption(), " 1 - Repeat");
    window.ch_1_0.UserClick();
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    window.ch_1_0.SetValue(2);  // greyed: the caption stays
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    EXPECT_EQ(port.Sent(), "");
    EXPECT_EQ(state.CurObject, before.CurObject);
    EXPECT_EQ(state.LinkMode, before.LinkMode);
}

TEST_F(StartupTest, ClosingTheWindowClosesAnOpenPortOnly) {
    int cancel = 0;
    window.Form_Unload(cancel);
    EXPECT_EQ(port.CloseCount(), 0);
    Connect();
    window.Form_Unload(cancel);
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(port.CloseCount(), 1);
    EXPECT_EQ(cancel, 0);
}

TEST_F(StartupTest, AFailedCloseOnShutDownIsToldAndTheWindowStillCloses) {
    Connect();
    port.FailNextClose("The device is busy.");
    int cancel = 0;
    window.Form_Unload(cancel);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "The device is busy.");
    EXPECT_EQ(cancel, 0);
}

}  // namespace
}  // namespace zelmar::testing
