// Choosing the port, connecting and disconnecting from the lamp, and a port that goes away.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

class ConnectionTest : public WindowTest {
  protected:
    // A write job over 40, 41, 42, 99, in the middle of writing 42, reached by
    // handing the engine the device's side of the exchanges directly.
    void PretendJobUnderWay() {
        window.line.engine().Start({Direction::Write, ObjectsOf({40, 41, 42, 99})});
        EffectList ignored;
        auto feed = [&](std::initializer_list<int> values) {
            for (int value : values)
                window.line.engine().Receive(static_cast<std::uint8_t>(value), ignored);
        };
        for (int object = 40; object < 42; ++object)
            feed({172, 172, 202, 202, 202, 202, 172, 172, 202, 202, 0});
        feed({172, 172, 202, 202});
        table.Set(42, 0x5A);
    }
    void ExpectJobUnchanged() {
        EXPECT_EQ(state.CurObject, Number::Double(42));
        EXPECT_EQ(state.EndObject, Number::Double(99));
        EXPECT_EQ(state.ListPos, 2);
        EXPECT_TRUE(state.WriteJob);
        EXPECT_EQ(state.LinkMode, kModeWrite);
        EXPECT_EQ(state.WriteStep, kWriteStepEntryDue);
        EXPECT_EQ(table[42], 0x5A);
    }
    // The job ended, the image kept what was done, and one box said what was left undone.
    void ExpectJobInterrupted(const std::string& reason) {
        EXPECT_EQ(state.LinkMode, kModeIdle);
        EXPECT_FALSE(state.WriteJob);
        EXPECT_EQ(table[42], 0x5A);
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
        EXPECT_EQ(StatusLamp(), 3);
    }
};

TEST_F(ConnectionTest, ConnectOpensThePortAndStartsANewLink) {
    PretendJobUnderWay();
    window.Text3.SetText("77");
    window.ch_1_0.SetValue(1);
    window.imgNotConnected_Click();

    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{1});
    EXPECT_TRUE(window.imgConnected.IsInFront());
    EXPECT_EQ(StatusLamp(), 3);
    EXPECT_TRUE(window.Frame2.enabled());
    EXPECT_TRUE(window.Frame3.enabled());
    EXPECT_EQ(window.Label5.caption(), "Object");
    EXPECT_EQ(window.Text3.text(), "1");
    EXPECT_EQ(window.ch_1_0.value(), 0);
    EXPECT_EQ(window.ch_1_0.caption(), " 0 - Disable");
    for (Control* option : window.Option1.members()) EXPECT_FALSE(option->enabled());
    EXPECT_EQ(window.Option1(1).value(), 1);
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_EQ(state.CurObject, Number::Int16(1));
    EXPECT_EQ(state.EndObject, Number::Int16(1));
    EXPECT_FALSE(state.WriteJob);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(state.WriteStep, kWriteStepStart);
    EXPECT_TRUE(state.JustConnected);
    EXPECT_EQ(state.ListPos, 2) << "the list position is the job starts' business";
    EXPECT_EQ(table[42], 0x5A) << "the image survives every connect";
}

TEST_F(ConnectionTest, ConnectSelectingStopRunsItsHandlerAfterTheBoxesWereReset) {
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

TEST_F(ConnectionTest, AFailedOpenWarnsAndResetsNothing) {
    PretendJobUnderWay();
    window.Text1.SetText("12");
    port.FailNextOpen("COM 1 (/dev/ttyS0) does not exist.");
    window.imgNotConnected_Click();

    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (Message{"COM 1 (/dev/ttyS0) does not exist.",
                                          MessageIcon::Exclamation, "Zelmar prg"}));
    ExpectClosedState();
    EXPECT_EQ(window.Text1.text(), "12");
    ExpectJobUnchanged();
    EXPECT_FALSE(state.JustConnected);
}

TEST_F(ConnectionTest, AFailedCloseWarnsAndStaysOpen) {
    Connect();
    port.FailNextClose("The port cannot be closed.");
    window.imgConnected_Click();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_TRUE(window.imgConnected.IsInFront());
    EXPECT_TRUE(window.Frame2.enabled());
    EXPECT_EQ(StatusLamp(), 3);
}

TEST_F(ConnectionTest, DisconnectInTheMiddleOfAJobEndsItSayingWhatWasLeftUndone) {
    Connect();
    PretendJobUnderWay();
    window.imgConnected_Click();
    ExpectClosedState();
    ExpectJobInterrupted("the port was closed");
    EXPECT_EQ(port.CloseCount(), 1);
}

TEST_F(ConnectionTest, ThePortChosenWhileClosedIsTheOneOpened) {
    window.Option1(3).UserClick();
    EXPECT_EQ(port.CommPort(), 3);
    port.FailNextOpen("busy");
    window.imgNotConnected_Click();
    EXPECT_EQ(window.Option1(3).value(), 1) << "after a failed attempt too";
    window.imgNotConnected_Click();
    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{3});
    EXPECT_EQ(window.Option1(3).value(), 1);
}

TEST_F(ConnectionTest, ChoosingAPortWhileOpenChangesNothingUntilTheNextAttempt) {
    Connect();
    window.Option1(4).SetValue(1);  // code can reach the option the user cannot
    EXPECT_EQ(port.CommPort(), 1);
    window.imgConnected_Click();
    EXPECT_EQ(window.Option1(1).value(), 1) << "the option of the port in use is selected again";
}

TEST_F(ConnectionTest, FirstObjectTickedBeforeAConnectKeepsItsBoxDisabled) {
    Connect();
    window.Check2.UserClick();
    EXPECT_EQ(window.Text2.text(), "");
    window.imgConnected_Click();
    window.imgNotConnected_Click();
    EXPECT_EQ(window.Text2.text(), "1");
    EXPECT_FALSE(window.Text2.enabled());
    EXPECT_EQ(window.Check2.value(), 1);
}

TEST_F(ConnectionTest, APortThatGoesAwayShowsTheClosedStateOnceAndKeepsTheData) {
    Connect();
    PretendJobUnderWay();
    port.Vanish("The device on COM 1 (/dev/ttyUSB0) has gone away.");
    ExpectClosedState();
    ExpectJobInterrupted("The device on COM 1 (/dev/ttyUSB0) has gone away");
    port.Vanish("again");  // the component reports a loss only while open
    EXPECT_EQ(messages.shown.size(), 1u);
    window.imgNotConnected_Click();
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(port.OpenedPorts(), (std::vector<int>{1, 1}));
}

struct EventCase {
    int code;
    const char* eventText;
    const char* errorText;
    friend std::ostream& operator<<(std::ostream& o, const EventCase& c) { return o << c.code; }
};
class CommEventTest : public ConnectionTest, public ::testing::WithParamInterface<EventCase> {};
TEST_P(CommEventTest, OtherEventsOnlyLeaveTheirText) {
    Connect();
    PretendJobUnderWay();
    port.FeedEvent(GetParam().code);
    EXPECT_EQ(window.line.LastEventText(), GetParam().eventText);
    EXPECT_EQ(window.line.LastErrorText(), GetParam().errorText);
    ExpectJobUnchanged();
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(port.Sent(), "");
    EXPECT_EQ(Pane(), "");
    EXPECT_TRUE(messages.shown.empty());
}
INSTANTIATE_TEST_SUITE_P(
    Events, CommEventTest,
    ::testing::Values(
        EventCase{1, "", ""}, EventCase{3, "Change in CTS Detected", ""},
        EventCase{4, "Change in DSR Detected", ""}, EventCase{5, "Change in CD Detected", ""},
        EventCase{6, "The Phone is Ringing", ""}, EventCase{7, "End of File Detected", ""},
        EventCase{1001, "", "Break Received"}, EventCase{1002, "", "CTS Timeout"},
        EventCase{1003, "", "DSR Timeout"}, EventCase{1004, "", "Framing Error"},
        EventCase{1005, "", "Unknown error or event"}, EventCase{1006, "", "Overrun Error"},
        EventCase{1007, "", "Carrier Detect Timeout"},
        EventCase{1008, "", "Receive Buffer Overflow"}, EventCase{1009, "", "Parity Error"},
        EventCase{1010, "", "Transmit Buffer Full"}, EventCase{1011, "", "Error retrieving DCB"},
        EventCase{8, "", "Unknown error or event"}, EventCase{-1, "", "Unknown error or event"}));

TEST_F(ConnectionTest, EachReceivedByteReachesTheDialogueAsItsDecimalText) {
    Connect();
    // Polls are hidden while "Only Data" is checked; other values show as bare digits.
    Feed({172, 0, 255, 202, 7});
    EXPECT_EQ(Pane(), "02557");
}

TEST_F(ConnectionTest, AFramingErrorInAReadJobChangesNothingButItsText) {
    Connect();
    Feed({172});
    window.Command2_Click();  // read the settings objects
    EXPECT_EQ(Feed({172, 172}), "\x55");
    port.FeedEvent(1004);
    EXPECT_EQ(window.line.LastErrorText(), "Framing Error");
    EXPECT_EQ(Feed({202, 202}), std::string("\x00\x00", 2));
    EXPECT_EQ(Feed({35}), "");
    EXPECT_EQ(table[0], 35);
    EXPECT_EQ(state.CurObject, Number::Double(8176)) << "the job went on to the next object";
}

}  // namespace
}  // namespace zelmar::testing
