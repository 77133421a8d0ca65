#pragma once
// The simulated device behind an in-memory port, holding settings that each show in the panel:
// object 0 a send delay of "20 msec" and a packet time of 10, the repeat delay "NO", repeater n
// the value n; and the fixture of whole jobs against it.
#include <gtest/gtest.h>

#include <cstdint>

#include "dialogue/link_state.h"
#include "support/device_line.h"
#include "support/memory_serial_port.h"

namespace zelmar::testing {

class SettingsDevice : public DeviceLine<> {
  public:
    explicit SettingsDevice(MemorySerialPort& port)
        : DeviceLine<>([&port](std::uint8_t received) { return port.Answer(received); }) {
        table()[0] = 2 * 32 + 10;
        table()[8176] = 7;
        for (int n = 1; n <= 15; ++n) table()[8176 + n] = static_cast<std::uint8_t>(n);
    }

    // Opens the device's side of the link and sends its first poll, which keeps the link;
    // false if the programmer answered it.
    bool Begin() {
        device().LinkOpened();
        Step();
        return line.empty();
    }
};

// Whole jobs of a programmer fixture (a LineTest, a WindowTest) against the settings device,
// which answers from its own table; the fixture has connected and the link is kept.
template <class Fixture>
class SettingsDeviceTest : public Fixture {
  protected:
    void SetUp() override {
        Fixture::SetUp();
        this->Connect();
        ASSERT_TRUE(link.Begin());
    }
    void TearDown() override {
        EXPECT_EQ(link.device().Irregularities(), 0) << "the programmer fell out of step";
    }

  public:
    void RunJob() {
        ASSERT_TRUE(link.RunUntil([&] { return this->state.LinkMode == kModeIdle; }, 10000));
    }

    SettingsDevice link{this->port};
};

}  // namespace zelmar::testing
