#pragma once
// The simulator's command line.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "device.h"

namespace zelmar::sim {

// 1200 baud, 8N1: ten bit times a byte.
inline constexpr long kLineBytesPerSecond = 120;

struct Options {
    std::optional<std::string> link;   // symbolic link to the line's path
    std::optional<std::string> table;  // table file to start from
    std::optional<std::string> save;   // table file written on exit
    std::optional<std::string> log;    // byte-by-byte traffic log
    bool fast = false;                 // no line timing, only the answer waits
    int answerWaitMs = 0;              // how long the device waits for an answer after a poll
    // Bytes per second on the line; the real line's 1200 baud unless --pace says otherwise.
    long pace = kLineBytesPerSecond;
    // When set, the device's timer: an answer later than this after the poll has left the line
    // is missed, and one arriving after the window closed is counted late and thrown away.
    std::optional<long> answerWindowUs;
    bool placePollValues = false;
    long hangupAfter = 0;  // data bytes after which the device vanishes; 0 = never
    bool exitOnClose = false;
    DeviceFaults faults;
    bool help = false;
};

inline constexpr int kRealAnswerWaitMs = 30;
inline constexpr int kFastAnswerWaitMs = 20;

struct ParsedOptions {
    Options options;
    std::string error;  // empty when the command line is good
};

// Reads the arguments after the program name.
ParsedOptions ParseOptions(std::span<const std::string_view> args);

// The --help text.
std::string Usage(std::string_view program);

}  // namespace zelmar::sim
