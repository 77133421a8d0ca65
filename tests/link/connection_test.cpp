// The line component on its own: choosing the port, opening and closing it, a port that goes
// away, the port's other events, and each received byte on its way to the dialogue.
#include <gtest/gtest.h>

#include "support/line_fixture.h"

namespace zelmar::testing {
namespace {

class ConnectionTest : public LineTest {
  protected:
    ConnectionTest() {
        view.after = [this](const Effect&) { ++effects; };
    }

    void PretendJobUnderWay() { PretendWriteUnderWay(line); }
    void ExpectJobUnchanged() {
        EXPECT_EQ(state.CurObject, Number::Double(42));
        EXPECT_EQ(state.EndObject, Number::Double(99));
        EXPECT_EQ(state.ListPos, 2);
        EXPECT_TRUE(state.WriteJob);
        EXPECT_EQ(state.LinkMode, kModeWrite);
        EXPECT_EQ(state.WriteStep, kWriteStepEntryDue);
        EXPECT_EQ(table[42], 0x5A);
    }
    // The job ended, the image kept what was done, and the view learnt once that the job failed,
    // whose report says what was left undone.
    void ExpectJobInterrupted(const std::string& reason) {
        EXPECT_EQ(state.LinkMode, kModeIdle);
        EXPECT_FALSE(state.WriteJob);
        EXPECT_EQ(table[42], 0x5A);
        EXPECT_EQ(view.jobsEnded, 1);
        ASSERT_EQ(view.jobFailures, 1);
        // A reason that is a sentence of its own stands as one.
        const std::string said = std::isupper(static_cast<unsigned char>(reason[0]))
                                     ? ". " + reason + ". "
                                     : ": " + reason + "; ";
        EXPECT_EQ(JobOutcomeText(line.report(), "COM 1"),
                  "The write on COM 1 stopped at object 42" + said +
                      "2 of 4 objects were written and read back.");
    }

    int effects = 0;  // every effect the view was handed
};

TEST_F(ConnectionTest, OpeningStartsANewLinkAndKeepsTheImage) {
    PretendJobUnderWay();
    line.Toggle();
    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{1});
    ExpectNoJobBegun(state);
    EXPECT_TRUE(state.JustConnected);
    EXPECT_EQ(state.ListPos, 2) << "the list position is the job starts' business";
    EXPECT_EQ(table[42], 0x5A) << "the image survives every opening";
    EXPECT_EQ(effects, 0);
}

TEST_F(ConnectionTest, AFailedOpenSaysWhyAndResetsNothing) {
    PretendJobUnderWay();
    port.FailNextOpen("COM 1 (/dev/ttyS0) does not exist.");
    try {
        line.Toggle();
        ADD_FAILURE() << "the opening did not fail";
    } catch (const StepError& failure) {
        EXPECT_STREQ(failure.what(), "COM 1 (/dev/ttyS0) does not exist.");
    }
    EXPECT_FALSE(port.PortOpen());
    ExpectJobUnchanged();
    EXPECT_FALSE(state.JustConnected);
}

TEST_F(ConnectionTest, AFailedCloseSaysWhyAndStaysOpen) {
    Connect();
    port.FailNextClose("The port cannot be closed.");
    EXPECT_THROW(line.Toggle(), StepError);
    EXPECT_TRUE(line.IsOpen());
}

TEST_F(ConnectionTest, AnInterruptionEndsTheJobSayingWhatWasLeftUndone) {
    Connect();
    PretendJobUnderWay();
    line.Toggle();
    line.Interrupt("the port was closed");
    ExpectJobInterrupted("the port was closed");
    EXPECT_EQ(port.CloseCount(), 1);
}

TEST_F(ConnectionTest, ThePortChosenWhileClosedIsTheOneOpened) {
    line.SelectPort(3);
    EXPECT_EQ(port.CommPort(), 3);
    EXPECT_EQ(line.Port(), 3);
    port.FailNextOpen("busy");
    EXPECT_THROW(line.Toggle(), StepError);
    line.Toggle();
    EXPECT_EQ(port.OpenedPorts(), std::vector<int>{3});
}

TEST_F(ConnectionTest, APortChosenWhileOpenIsNotTaken) {
    Connect();
    line.SelectPort(4);
    EXPECT_EQ(port.CommPort(), 1);
    EXPECT_EQ(line.Port(), 1);
}

TEST_F(ConnectionTest, APortThatGoesAwayIsToldOnceEndsTheJobAndKeepsTheData) {
    Connect();
    PretendJobUnderWay();
    port.Vanish("The device on COM 1 (/dev/ttyUSB0) has gone away.");
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(view.portsLost,
              std::vector<std::string>{"The device on COM 1 (/dev/ttyUSB0) has gone away."});
    ExpectJobInterrupted("The device on COM 1 (/dev/ttyUSB0) has gone away");
    port.Vanish("again");  // the port reports a loss only while open
    EXPECT_EQ(view.portsLost.size(), 1u);
    line.Toggle();
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
    EXPECT_EQ(line.LastEventText(), GetParam().eventText);
    EXPECT_EQ(line.LastErrorText(), GetParam().errorText);
    ExpectJobUnchanged();
    EXPECT_TRUE(port.PortOpen());
    EXPECT_EQ(port.Sent(), "");
    EXPECT_EQ(effects, 0) << "nothing for the screen: no log, no box";
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
    // Polls are hidden in a log of data only; other values show as bare digits.
    Feed({172, 0, 255, 202, 7});
    EXPECT_EQ(view.pane.text, "02557");
}

TEST_F(ConnectionTest, AFramingErrorInAReadJobChangesNothingButItsText) {
    Connect();
    Feed({172});
    std::vector<int> settings{0};
    for (int object = 8176; object <= 8191; ++object) settings.push_back(object);
    ASSERT_TRUE(line.Start({Direction::Read, ObjectsOf(settings), JobOrigin::SettingsPanel}));
    EXPECT_EQ(Feed({172, 172}), "\x55");
    port.FeedEvent(1004);
    EXPECT_EQ(line.LastErrorText(), "Framing Error");
    EXPECT_EQ(Feed({202, 202}), std::string("\x00\x00", 2));
    EXPECT_EQ(Feed({35}), "");
    EXPECT_EQ(table[0], 35);
    EXPECT_EQ(state.CurObject, Number::Double(8176)) << "the job went on to the next object";
}

}  // namespace
}  // namespace zelmar::testing
