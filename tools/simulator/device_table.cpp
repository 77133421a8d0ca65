#include "device_table.h"

#include <charconv>
#include <istream>
#include <limits>
#include <ostream>
#include <string_view>
#include <vector>

namespace zelmar::sim {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits a line at blanks; a table line has exactly two words.
std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// A plain decimal number, digits only: no sign, no hex, nothing trailing.
std::optional<long> Decimal(std::string_view word) {
    long value = 0;
    if (word.empty() || word[0] < '0' || word[0] > '9') return std::nullopt;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (end != word.data() + word.size()) return std::nullopt;
    // Too many digits for a long is still a number, just far out of any range we accept.
    if (ec == std::errc::result_out_of_range) return std::numeric_limits<long>::max();
    return value;
}

TableLoad Failure(int line, std::string message) {
    return TableLoad{std::nullopt, line, std::move(message)};
}

}  // namespace

DeviceTable DefaultTable() {
    DeviceTable table{};
    for (int object = 1; object < kRepeatDelayObject; ++object) {
        table[object] = static_cast<std::uint8_t>(object % 128);
    }
    table[kTimingObject] = 2 * 32 + 10;
    table[kRepeatDelayObject] = 3;
    constexpr std::array<std::uint8_t, 7> kRepeaters{1, 5, 2, 7, 4, 6, 3};
    for (std::size_t n = 0; n < kRepeaters.size(); ++n) {
        table[kFirstRepeaterObject + n] = kRepeaters[n];
    }
    return table;
}

void PlacePollValues(DeviceTable& table) {
    table[172] = 172;
    table[202] = 202;
    table[kLastObject - 1] = 172;
    table[kLastObject] = 202;
}

TableLoad LoadTable(std::istream& in) {
    DeviceTable table{};
    std::array<int, kObjectCount> definedOn{};  // line that set each object, 0 = none yet
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::vector<std::string_view> words = Words(line);
        if (words.empty() || words[0].front() == '#') continue;
        if (words.size() != 2) {
            return Failure(number, "expected \"object value\", got \"" + line + "\"");
        }
        std::optional<long> object = Decimal(words[0]);
        std::optional<long> value = Decimal(words[1]);
        if (!object)
            return Failure(number, "object \"" + std::string(words[0]) + "\" is not a number");
        if (!value)
            return Failure(number, "value \"" + std::string(words[1]) + "\" is not a number");
        if (*object > kLastObject) {
            return Failure(number, "object " + std::string(words[0]) + " is outside 0..8191");
        }
        if (*value > 255) {
            return Failure(number, "value " + std::string(words[1]) + " is outside 0..255");
        }
        if (definedOn[*object] != 0) {
            return Failure(number, "object " + std::to_string(*object) + " already given on line " +
                                       std::to_string(definedOn[*object]));
        }
        definedOn[*object] = number;
        table[*object] = static_cast<std::uint8_t>(*value);
    }
    return TableLoad{table, 0, {}};
}

void SaveTable(std::ostream& out, const DeviceTable& table) {
    out << "# Zelmar device table: one \"object value\" line per object\n";
    for (int object = 0; object < kObjectCount; ++object) {
        out << object << ' ' << static_cast<int>(table[object]) << '\n';
    }
}

}  // namespace zelmar::sim
