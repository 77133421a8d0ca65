#pragma once
// Plays the device against a window over the in-memory port: it polls, and answers the
// window's read and write commands from and into its own table, as the real device does.
#include <array>
#include <cstdint>
#include <string>

#include "platform/memory_serial_port.h"
#include "window/frm_terminal.h"

namespace zelmar::testing {

class ScriptedDevice {
  public:
    ScriptedDevice(MemorySerialPort& port, frmTerminal& window) : port_(port), window_(window) {}

    // Polls until the window has no job left, at most `cycles` poll cycles.
    void RunJob(int cycles = 1000) {
        for (int i = 0; i < cycles && window_.state.LinkMode != 0; ++i) Cycle();
    }

    // One poll cycle: 172, 172 and whatever exchange the answer starts.
    void Cycle() {
        Send(172);
        const std::string command = Send(172);
        if (command == "\x55") {
            const int object = Address();
            Send(table[object % table.size()]);
        } else if (command == "\xAA") {
            const int object = Address();
            const std::string data = Send(202);
            if (data.size() == 1) table[object % table.size()] = static_cast<std::uint8_t>(data[0]);
            Send(202);
        }
    }

    std::array<std::uint8_t, 8192> table{};
    std::string line;  // every answer of the window, in order

  private:
    std::string Send(int byte) {
        port_.FeedByte(static_cast<unsigned char>(byte));
        std::string answer = port_.TakeSent();
        line += answer;
        return answer;
    }
    int Address() {
        const std::string high = Send(202);
        const std::string low = Send(202);
        if (high.size() != 1 || low.size() != 1) return 0;
        return static_cast<unsigned char>(high[0]) * 256 + static_cast<unsigned char>(low[0]);
    }

    MemorySerialPort& port_;
    frmTerminal& window_;
};

}  // namespace zelmar::testing
