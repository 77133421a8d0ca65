#pragma once
#include <cstdint>

#include "numbers/numbers.h"

namespace zelmar {

// One received value as the terminal log writes it.
struct LogEntry {
    enum class Kind : std::uint8_t {
        Poll,        // 172 or 202 while CurObject names an object: a line of its own
        BarePoll,    // 172 or 202 while CurObject names none: bare digits
        MarkedPoll,  // a poll where the data byte was due, outside a read: digits and "*"
        Data,        // the data byte of a read: "D - N" on a line of its own
        Value,       // anything else: bare digits
    };
    Kind kind = Kind::Value;
    std::uint8_t value = 0;
    Number object;  // Data: the object the byte belongs to
};

}  // namespace zelmar
