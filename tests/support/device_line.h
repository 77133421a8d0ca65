#pragma once
// The simulated device on one end of a line and a programmer on the other, with no clock and
// no port between them: each byte the device sends is handed to the programmer, and whatever
// the programmer writes in return reaches the device with its next byte, as it would on a real
// line. Tests and benchmarks drive any programmer through it, so that all of them meet the
// same device and the same dialogue rules.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <utility>

#include "device.h"

namespace zelmar::testing {

// `Programmer` is called as std::string(std::uint8_t received) and returns the bytes it sent
// in answer, possibly none.
template <class Programmer = std::function<std::string(std::uint8_t)>>
class DeviceLine {
  public:
    explicit DeviceLine(Programmer programmer, const sim::DeviceTable& table = {},
                        sim::DeviceFaults faults = {})
        : device_(table, faults), programmer_(std::move(programmer)) {}

    // One byte from the device, and the programmer's answer to it.
    sim::Emission Step() {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(answer_.data());
        const sim::Emission sent = device_.Next(std::span(bytes, answer_.size()));
        answer_ = programmer_(sent.byte);
        if (keep_line) line += answer_;
        return sent;
    }

    // Steps until `done()` holds, at most `budget` steps; says whether it held.
    template <class Done>
    bool RunUntil(Done&& done, long budget) {
        for (long step = 0; step < budget; ++step) {
            if (done()) return true;
            Step();
        }
        return done();
    }

    sim::Device& device() { return device_; }
    sim::DeviceTable& table() { return device_.Table(); }

    // Every answer of the programmer, in order. A long run may turn this off to save memory.
    std::string line;
    bool keep_line = true;

  private:
    sim::Device device_;
    Programmer programmer_;
    std::string answer_;  // the programmer's answer to the last byte, still on its way
};

}  // namespace zelmar::testing
