#pragma once
// The simulated device's configuration table: 8192 one-byte entries, the built-in contents a
// fresh device starts with, and the plain text form in which tables are loaded and saved.
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>

namespace zelmar::sim {

inline constexpr int kObjectCount = 8192;
using DeviceTable = std::array<std::uint8_t, kObjectCount>;

// Settings entries: object 0 packs the send delay index (bits 5..7) over the packet time
// (bits 0..4); object 8176 is the repeat delay index; 8176 + n holds repeater Rn, n = 1..15.
inline constexpr int kTimingObject = 0;
inline constexpr int kRepeatDelayObject = 8176;
inline constexpr int kFirstRepeaterObject = 8177;
inline constexpr int kLastObject = kObjectCount - 1;

// What a device out of the box holds: send delay index 2 ("20 msec") with packet time 10 in
// object 0, repeat delay index 3 in 8176, repeaters R1..R7 set to assorted small numbers and
// R8..R15 at 0, and every ordinary object N holding N mod 128. The pattern is easy to recognise
// in a dump and never produces a poll value (172, 202) by accident.
DeviceTable DefaultTable();

// Puts poll values where a programmer will meet them as data: objects 172 and 202 hold their
// own numbers, and the last two repeaters (objects 8190, 8191) hold 172 and 202, so that both a
// range read and a settings read receive data bytes that look like polls.
void PlacePollValues(DeviceTable& table);

// The outcome of reading a table file: the table, or the first bad line and what is wrong
// with it.
struct TableLoad {
    std::optional<DeviceTable> table;
    int errorLine = 0;
    std::string error;
};

// Reads "object value" lines, both decimal (object 0..8191, value 0..255), separated by blanks.
// Blank lines and lines whose first non-blank character is '#' are skipped. Objects not listed
// are 0; listing an object twice is an error, since one of the two lines is surely a mistake.
TableLoad LoadTable(std::istream& in);

// Writes every entry as an "object value" line under a comment header; LoadTable reads it back.
void SaveTable(std::ostream& out, const DeviceTable& table);

}  // namespace zelmar::sim
