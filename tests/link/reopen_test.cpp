// What the line does with the port on the way of a received value, where nothing may throw: a
// reopening for a link that began out of step, and an answer to a port closed meanwhile.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/line.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {
namespace {

std::vector<Effect::Kind> Kinds(const Effects& effects) {
    std::vector<Effect::Kind> kinds;
    for (const Effect& effect : effects) kinds.push_back(effect.kind);
    return kinds;
}

struct ReopenCase {
    const char* name;
    int reopenings;  // openings out of step the line allows in a row
    bool closeFails;
    bool openFails;
    std::vector<Effect::Kind> told;  // what the view is told
    std::string failure;             // the failure the last of them carries
    bool openAfter;
    bool newLink;  // the next value is the first of a link again
    std::size_t openings;
    friend std::ostream& operator<<(std::ostream& o, const ReopenCase& c) { return o << c.name; }
};

class ReopenTest : public ::testing::TestWithParam<ReopenCase> {};

TEST_P(ReopenTest, ALinkOutOfStepOpensThePortAgainOrSaysWhyNot) {
    const ReopenCase& c = GetParam();
    MemorySerialPort port;
    Line line(port);
    EffectList view;
    line.SetView(&view);
    line.SetReopenings(c.reopenings);
    line.Toggle();
    if (c.closeFails) port.FailNextClose("The port cannot be closed.");
    if (c.openFails) port.FailNextOpen("COM 1 is busy.");

    port.FeedByte(7);  // a link begins with 172

    EXPECT_EQ(Kinds(view.effects), c.told);
    ASSERT_FALSE(view.effects.empty());
    EXPECT_EQ(view.effects.back().failure, c.failure);
    EXPECT_FALSE(view.effects.back().jobCut);
    EXPECT_EQ(port.PortOpen(), c.openAfter);
    EXPECT_EQ(line.state().JustConnected, c.newLink);
    EXPECT_EQ(port.OpenedPorts().size(), c.openings);
    EXPECT_EQ(port.Sent(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Line, ReopenTest,
    ::testing::Values(
        ReopenCase{"Reopened", 5, false, false, {Effect::Kind::Reopened}, "", true, true, 2},
        // A port that would not close stays open, and the new link starts on it.
        ReopenCase{"CloseFails", 5, true, false, {Effect::Kind::Reopened}, "", true, true, 1},
        // A port that would not open again is lost, for the port's own reason.
        ReopenCase{"OpenFails",
                   5,
                   false,
                   true,
                   {Effect::Kind::PortLost},
                   "COM 1 is busy.",
                   false,
                   false,
                   1},
        ReopenCase{"GivesUp", 0, false, false, {Effect::Kind::OutOfStep}, "", false, false, 1},
        // Giving up, the line answers nothing more, closed or not.
        ReopenCase{
            "GivesUpCloseFails", 0, true, false, {Effect::Kind::OutOfStep}, "", true, false, 1}));

// Closes the port when the lamp lights, as a technician could while a box is open.
class ClosingView : public EffectSink {
  public:
    explicit ClosingView(SerialPort& port) : port_(port) {}
    void Take(const Effect& effect) override {
        told.effects.push_back(effect);
        if (effect.kind == Effect::Kind::Light && port_.PortOpen()) port_.SetPortOpen(false);
    }
    EffectList told;

  private:
    SerialPort& port_;
};

TEST(LineAnswerTest, AnAnswerToAPortClosedMeanwhileIsAFailureInItsPlace) {
    MemorySerialPort port;
    Line line(port);
    line.Toggle();
    port.FeedByte(172);  // the link's first
    ASSERT_TRUE(line.Start({Direction::Read, ObjectsOf({5})}));
    port.FeedByte(172);  // the exchange's first
    ClosingView view(port);
    line.SetView(&view);

    port.FeedByte(172);  // answered with the read command, had the port stayed open

    EXPECT_EQ(
        Kinds(view.told.effects),
        (std::vector<Effect::Kind>{Effect::Kind::Light, Effect::Kind::Failure, Effect::Kind::Log}));
    EXPECT_EQ(view.told.effects[1].failure, "Operation valid only when the port is open");
    EXPECT_FALSE(port.PortOpen());
    EXPECT_EQ(port.Sent(), "");
}

}  // namespace
}  // namespace zelmar::testing
