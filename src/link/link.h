#pragma once
// The line to the device: the port's choice, its opening and closing, and the way of every
// received byte from the port through the engine to whoever shows its effects.
#include <cstdint>
#include <functional>
#include <string>

#include "dialogue/link_engine.h"
#include "platform/serial_port.h"

namespace zelmar {

class Link {
  public:
    Link(SerialPort& port, LinkEngine& engine);
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // COM 1..4; accepted only while the port is closed.
    void SelectPort(int port);
    int Port() const { return port_.CommPort(); }
    bool IsOpen() const { return port_.PortOpen(); }
    // Opens a closed port and closes an open one; throws StepError with the reason.
    void Toggle();
    // One byte to the device; throws StepError when it cannot go.
    void Send(std::uint8_t byte);
    // The time, in milliseconds of a steady clock, a few times a second.
    void Tick(std::int64_t nowMs);

    // Carries out the effects of each received byte, as the engine gives them.
    EffectSink* effects = nullptr;
    // The device went away while open; the port is closed already.
    std::function<void(const std::string& description)> onLost;

    // Bytes received since the program started: whether the device is still polling.
    long ReceivedCount() const { return received_; }

    // What the port said last of its lines and of its errors; kept, shown nowhere.
    const std::string& LastEventText() const { return lastEventText_; }
    const std::string& LastErrorText() const { return lastErrorText_; }

  private:
    void Received(std::uint8_t byte);
    void Event(int code);

    SerialPort& port_;
    LinkEngine& engine_;
    long received_ = 0;
    std::string lastEventText_;
    std::string lastErrorText_;
};

}  // namespace zelmar
