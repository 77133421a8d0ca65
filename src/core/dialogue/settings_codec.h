#pragma once
// Where the device keeps its settings in the object table, and how they turn into what the
// settings panel shows and back.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "dialogue/object_table.h"

namespace zelmar {

// Packet time in the low five bits, send delay index in the top three.
inline constexpr int kTimingObject = 0;
inline constexpr int kRepeatDelayObject = 8176;
// Repeaters R1..R15 follow the repeat delay: Rn lives at 8176 + n.
inline constexpr int kRepeaterCount = 15;
inline constexpr int RepeaterObject(int n) {
    return kRepeatDelayObject + n;
}
// Both delay lists offer eight choices.
inline constexpr int kDelayChoices = 8;
inline constexpr int kMaxPacketTime = 31;

// The choices of the two delay lists, by the index the entries hold.
inline constexpr std::array<std::string_view, kDelayChoices> kSendDelayChoices = {
    "0 sec", "10 msec", "20 msec", "50 msec", "100 msec", "200 msec", "500 msec", "1 sec"};
inline constexpr std::array<std::string_view, kDelayChoices> kRepeatDelayChoices = {
    "0.5 sec", "1 sec", "2 sec", "3 sec", "4 sec", "6 sec", "8 sec", "NO"};

// What the panel shows for the settings entries of the table.
struct SettingsView {
    std::string packetTime;
    int sendDelayIndex = 0;
    int repeatDelayIndex = 0;  // the raw entry: above 7 it names no choice of the list
    std::array<std::string, kRepeaterCount> repeaters;
    // Which of them the image knows; the panel shows no guess for the others.
    bool timingKnown = false;
    bool repeatDelayKnown = false;
    std::array<bool, kRepeaterCount> repeaterKnown{};
};

SettingsView DecodeSettingsEntries(const ObjectTable& table);

// What the panel holds when the technician writes the settings.
struct SettingsInput {
    int sendDelayIndex = -1;  // -1: nothing chosen
    std::string_view packetTime;
    int repeatDelayIndex = -1;
    std::array<std::string_view, kRepeaterCount> repeaters{};
};

struct SettingsEntries {
    std::uint8_t timing = 0;
    std::uint8_t repeatDelay = 0;
    std::array<std::uint8_t, kRepeaterCount> repeaters{};
    friend bool operator==(const SettingsEntries&, const SettingsEntries&) = default;
};

// The entries, or, when a field cannot be encoded, the reason in the technician's words.
struct SettingsEncoding {
    std::optional<SettingsEntries> entries;
    std::string refusal;
};

// Reads every field before anything is stored, so that a refusal leaves the table alone. An
// empty field is refused: the device would otherwise get a value nobody chose.
SettingsEncoding EncodeSettingsEntries(const SettingsInput& input);

void StoreSettingsEntries(const SettingsEntries& entries, ObjectTable& table);

}  // namespace zelmar
