#pragma once
// The line component on an in-memory port with its view effects recorded: the fixture of the
// tests of the line and of the job control above it.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "link/line.h"
#include "support/fakes.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {

// A write job over 40, 41, 42, 99, in the middle of writing 42 (whose value in the image is
// 0x5A), reached by handing the engine the device's side of the exchanges directly.
inline void PretendWriteUnderWay(Line& line) {
    line.engine().Start({Direction::Write, ObjectsOf({40, 41, 42, 99})});
    EffectList ignored;
    auto feed = [&](std::initializer_list<int> values) {
        for (int value : values) line.engine().Receive(static_cast<std::uint8_t>(value), ignored);
    };
    for (int object = 40; object < 42; ++object)
        feed({172, 172, 202, 202, 202, 202, 172, 172, 202, 202, 0});
    feed({172, 172, 202, 202});
    line.table().Set(42, 0x5A);
}

// A link with no job begun: at object 1 of 1, idle.
inline void ExpectNoJobBegun(const LinkState& state) {
    EXPECT_EQ(state.CurObject, Number::Int16(1));
    EXPECT_TRUE(state.CurObject.isInt16());
    EXPECT_EQ(state.EndObject, Number::Int16(1));
    EXPECT_FALSE(state.WriteJob);
    EXPECT_EQ(state.LinkMode, kModeIdle);
    EXPECT_EQ(state.LinkStep, kReadStepStart);
    EXPECT_EQ(state.WriteStep, kWriteStepStart);
}

class LineTest : public ::testing::Test {
  protected:
    LineTest() { line.SetView(&view); }

    // Opens the port; the device's first value is still to come.
    void Connect() {
        line.Toggle();
        ASSERT_TRUE(port.PortOpen());
    }
    // Feeds received bytes and returns the bytes answered.
    std::string Feed(std::initializer_list<int> bytes) { return port.Exchange(bytes); }

    MemorySerialPort port;
    Line line{port};
    EffectRecorder view;
    const LinkState& state = line.state();
    ObjectTable& table = line.table();
};

}  // namespace zelmar::testing
