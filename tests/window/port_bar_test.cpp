// The port bar as the window shows it: the port options, the connection lamp and the closed
// state, around the line component's own opening, closing and loss of the port.
#include <gtest/gtest.h>

#include "support/line_fixture.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

class PortBarTest : public WindowTest {
  protected:
    void PretendJobUnderWay() { PretendWriteUnderWay(window.line); }
    // The job ended, the frames offer a start again, and one box said what was left undone.
    void ExpectJobInterrupted(const std::string& reason) {
        EXPECT_EQ(window.Option3(2).value(), 1);
        EXPECT_TRUE(window.Option3(1).enabled());
        ASSERT_EQ(messages.shown.size(), 1u);
        // A reason that is a sentence of its own stands as one.
        const std::string said = std::isupper(static_cast<unsigned char>(reason[0]))
                                     ? ". " + reason + ". "
                                     : ": " + reason + "; ";
        EXPECT_EQ(messages.shown[0], (Message{"The write on COM 1 stopped at object 42" + said +
                                                  "2 of 4 objects were written and read back.",
                                              MessageIcon::Exclamation, "Zelmar prg"}));
    }
    void ExpectClosedState() {
        EXPECT_FALSE(port.PortOpen());
        EXPECT_TRUE(window.imgNotConnected.IsInFront());
        EXPECT_FALSE(window.Frame2.enabled());
        EXPECT_FALSE(window.Frame3.enabled());
        for (Control* option : window.Option1.members()) EXPECT_TRUE(option->enabled());
        EXPECT_EQ(StatusLamp(window), 3);
    }
};

TEST_F(PortBarTest, ConnectShowsTheOpenPortAndResetsTheBoxes) {
    PretendJobUnderWay();
    window.Text3.SetText("77");
    window.ch_1_0.SetValue(1);
    window.imgNotConnected_Click();

    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{1});
    EXPECT_TRUE(window.imgConnected.IsInFront());
    EXPECT_EQ(StatusLamp(window), 3);
    EXPECT_TRUE(window.Frame2.enabled());
    EXPECT_TRUE(window.Frame3.enabled());
    EXPECT_EQ(window.Label5.caption(), "Object");
    EXPECT_EQ(window.Text3.text(), "1");
    EXPECT_EQ(window.ch_1_0.value(), 0);
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    for (Control* option : window.Option1.members()) EXPECT_FALSE(option->enabled());
    EXPECT_EQ(window.Option1(1).value(), 1);
    EXPECT_TRUE(messages.shown.empty());
    // The "Stop" options the connect selects leave the line's new link as it began.
    EXPECT_EQ(state.CurObject, Number::Int16(1));
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_TRUE(state.JustConnected);
    EXPECT_EQ(state.ListPos, 2) << "the list position is the job starts' business";
}

TEST_F(PortBarTest, ConnectSelectingStopRunsItsHandlerAfterTheBoxesWereReset) {
    window.Option2(1).SetValue(1);  // a read job from the frame, over the list, port closed
    window.imgNotConnected_Click();
    // "Stop" ran inside the connect: its list step overwrote the "1" the connect had set,
    // and it showed the object that the connect had just reset.
    EXPECT_EQ(window.Option2(2).value(), 1);
    EXPECT_EQ(window.Text1.text(), "0");
    EXPECT_EQ(window.Text2.text(), "8191");
    EXPECT_EQ(window.Label5.caption(), "1");
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(PortBarTest, AFailedOpenWarnsAndResetsNothing) {
    PretendJobUnderWay();
    window.Text1.SetText("12");
    port.FailNextOpen("COM 1 (/dev/ttyS0) does not exist.");
    window.imgNotConnected_Click();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (Message{"COM 1 (/dev/ttyS0) does not exist.",
                                          MessageIcon::Exclamation, "Zelmar prg"}));
    ExpectClosedState();
    EXPECT_EQ(window.Text1.text(), "12");
    EXPECT_EQ(state.LinkMode, kModeWrite) << "the job is the line's, untouched";
}

TEST_F(PortBarTest, AFailedCloseWarnsAndStaysOpen) {
    Connect();
    port.FailNextClose("The port cannot be closed.");
    window.imgConnected_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(window.imgConnected.IsInFront());
    EXPECT_TRUE(window.Frame2.enabled());
    EXPECT_EQ(StatusLamp(window), 3);
}

TEST_F(PortBarTest, DisconnectInTheMiddleOfAJobEndsItSayingWhatWasLeftUndone) {
    Connect();
    PretendJobUnderWay();
    window.imgConnected_Click();
    ExpectClosedState();
    ExpectJobInterrupted("the port was closed");
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(table[42], 0x5A);
}

TEST_F(PortBarTest, ThePortChosenWhileClosedIsTheOneOpened) {
    window.Option1(3).UserClick();
    EXPECT_EQ(port.CommPort(), 3);
    port.FailNextOpen("busy");
    window.imgNotConnected_Click();
    EXPECT_EQ(window.Option1(3).value(), 1) << "after a failed attempt too";
    window.imgNotConnected_Click();
    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{3});
    EXPECT_EQ(window.Option1(3).value(), 1);
}

TEST_F(PortBarTest, ChoosingAPortWhileOpenChangesNothingUntilTheNextAttempt) {
    Connect();
    window.Option1(4).SetValue(1);  // code can reach the option the user cannot
    EXPECT_EQ(port.CommPort(), 1);
    window.imgConnected_Click();
    EXPECT_EQ(window.Option1(1).value(), 1) << "the option of the port in use is selected again";
}

TEST_F(PortBarTest, FirstObjectTickedBeforeAConnectKeepsItsBoxDisabled) {
    Connect();
    window.Check2.UserClick();
    EXPECT_EQ(window.Text2.text(), "");
    window.imgConnected_Click();
    window.imgNotConnected_Click();
    EXPECT_EQ(window.Text2.text(), "1");
    EXPECT_FALSE(window.Text2.enabled());
    EXPECT_EQ(window.Check2.value(), 1);
}

TEST_F(PortBarTest, APortThatGoesAwayShowsTheClosedStateOnceAndKeepsTheData) {
    Connect();
    PretendJobUnderWay();
    port.Vanish("The device on COM 1 (/dev/ttyUSB0) has gone away.");
    ExpectClosedState();
    ExpectJobInterrupted("The device on COM 1 (/dev/ttyUSB0) has gone away");
    port.Vanish("again");
    EXPECT_EQ(messages.shown.size(), 1u);
    window.imgNotConnected_Click();
    EXPECT_TRUE(port.PortOpen());
}

TEST_F(PortBarTest, APortEventShowsNothing) {
    Connect();
    PretendJobUnderWay();
    port.FeedEvent(1004);
    EXPECT_EQ(Pane(), "");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(window.imgConnected.IsInFront());
}

TEST_F(PortBarTest, EachReceivedByteShowsAsItsDecimalTextWhileOnlyDataIsChecked) {
    Connect();
    Feed({172, 0, 255, 202, 7});
    EXPECT_EQ(Pane(), "02557");
}

}  // namespace
}  // namespace zelmar::testing
