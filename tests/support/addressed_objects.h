#pragma once
// The objects a programmer's answers on the device line address (DeviceLine::line), in order:
// each read command and each write command with the address bytes after it.
#include <cstddef>
#include <string>
#include <vector>

namespace zelmar::testing {

struct Addressed {
    std::vector<int> read, written;
    std::string stray;  // the first answer byte that began no command, and where; empty if none
};

// A read that is repeated at once (a data byte of 172 is read twice) counts once.
inline Addressed AddressesOf(const std::string& answers) {
    Addressed addressed;
    for (std::size_t i = 0; i + 2 < answers.size();) {
        const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(answers[at]); };
        const int object = byte(i + 1) * 256 + byte(i + 2);
        if (byte(i) == 0x55) {
            if (addressed.read.empty() || addressed.read.back() != object)
                addressed.read.push_back(object);
            i += 3;
        } else if (byte(i) == 0xAA) {
            addressed.written.push_back(object);
            i += 4;
        } else {
            addressed.stray =
                "stray answer byte " + std::to_string(byte(i)) + " at " + std::to_string(i);
            break;
        }
    }
    return addressed;
}

}  // namespace zelmar::testing
