#include "numbers/numbers.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace zelmar {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the number that starts at text[0]: sign, digits, a fraction, an exponent.
// 0 when no digit stands where the number's mantissa must be.
std::size_t NumberLength(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return 0;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            i = j;
        }
    }
    return i;
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    return text;
}

double Parse(std::string_view number) {
    // strtod needs a terminated string; the number is short, so a copy costs nothing.
    return std::strtod(std::string(number).c_str(), nullptr);
}

}  // namespace

double RoundHalfEven(double value) {
    return std::nearbyint(value);
}

std::int32_t RoundToLong(double value) {
    return TryRoundToLong(value).ValueOrThrow();
}

double NumberOfText(std::string_view text) {
    text = SkipBlanks(text);
    const std::size_t length = NumberLength(text);
    return length == 0 ? 0.0 : Parse(text.substr(0, length));
}

bool IsNumber(std::string_view text) {
    text = SkipBlanks(text);
    const std::size_t length = NumberLength(text);
    return length != 0 && SkipBlanks(text.substr(length)).empty();
}

double NumberValue(std::string_view text) {
    return TryNumberValue(text).ValueOrThrow();
}

StepResult<double> TryNumberValue(std::string_view text) {
    if (!IsNumber(text)) return StepResult<double>::Failed("Type mismatch");
    return NumberOfText(text);
}

std::uint8_t ToByte(double value) {
    return TryToByte(value).ValueOrThrow();
}

StepResult<std::uint8_t> TryToByte(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= 0 && rounded <= 255)) return StepResult<std::uint8_t>::Failed("Overflow");
    return static_cast<std::uint8_t>(rounded);
}

std::uint8_t ToByte(std::string_view text) {
    return TryToByte(text).ValueOrThrow();
}

StepResult<std::uint8_t> TryToByte(std::string_view text) {
    const StepResult<double> value = TryNumberValue(text);
    if (!value.ok()) return StepResult<std::uint8_t>::Failed(value.failure());
    return TryToByte(value.value());
}

std::string NumberText(double value) {
    if (value == 0) return "0";  // also for -0, which must not show a sign
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

Number Number::Incremented() const {
    if (int16_) {
        if (value_ >= INT16_MAX) throw StepError("Overflow");
        return Int16(static_cast<std::int16_t>(value_ + 1));
    }
    return Double(value_ + 1);
}

}  // namespace zelmar
