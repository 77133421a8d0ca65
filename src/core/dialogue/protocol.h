#pragma once
// The bytes of the dialogue with the device, defined once for the program.
#include <cstdint>

namespace zelmar {

inline constexpr std::uint8_t kPoll = 172;           // 0xAC: the device asks for a command
inline constexpr std::uint8_t kAddressPoll = 202;    // 0xCA: the device asks for the next byte
inline constexpr std::uint8_t kReadCommand = 0x55;   // 85
inline constexpr std::uint8_t kWriteCommand = 0xAA;  // 170

// Objects 0..8191, one byte each; the address goes out high byte first.
inline constexpr int kObjectCount = 8192;

inline constexpr bool IsPoll(std::uint8_t value) {
    return value == kPoll || value == kAddressPoll;
}

}  // namespace zelmar
