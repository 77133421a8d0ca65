#pragma once
// Number conversions shared by every handler of the window. Each rule lives here once. A TryX
// hands X's failure back as a StepResult instead of throwing it, for the paths that must not
// throw.
#include <cstdint>
#include <string>
#include <string_view>

#include "numbers/step_error.h"
#include "numbers/step_result.h"

namespace zelmar {

// Rounds to the nearest whole number, a half going to the even neighbour (2.5 -> 2, 3.5 -> 4).
double RoundHalfEven(double value);

// RoundHalfEven as a whole number; throws StepError("Overflow") when it does not fit 32 bits.
std::int32_t RoundToLong(double value);
// Inline, as the engine rounds the object of each address byte with it.
inline StepResult<std::int32_t> TryRoundToLong(double value) {
    const double rounded = RoundHalfEven(value);
    if (!(rounded >= INT32_MIN && rounded <= INT32_MAX))
        return StepResult<std::int32_t>::Failed("Overflow");
    return static_cast<std::int32_t>(rounded);
}

// The leading decimal number of a text, leading blanks skipped; 0 when there is none.
double NumberOfText(std::string_view text);

// True when the whole text, blanks around it allowed, reads as one number.
bool IsNumber(std::string_view text);

// The value of a text that passes IsNumber; throws StepError("Type mismatch") otherwise.
double NumberValue(std::string_view text);
StepResult<double> TryNumberValue(std::string_view text);

// Rounds half to even and accepts 0..255 only; throws StepError("Overflow") otherwise.
std::uint8_t ToByte(double value);
StepResult<std::uint8_t> TryToByte(double value);

// ToByte of a whole text; an empty or non-numeric text throws StepError("Type mismatch").
std::uint8_t ToByte(std::string_view text);
StepResult<std::uint8_t> TryToByte(std::string_view text);

// The plain decimal text of a number: "12", "2.5", "-3"; no blank in front.
std::string NumberText(double value);

// A number held by CurObject and EndObject: either a 16-bit whole number (what start-up and a
// connect store) or a double (what the job starts read from a text). Both compare by value.
class Number {
  public:
    constexpr Number() = default;
    static constexpr Number Int16(std::int16_t v) { return Number(v, true); }
    static constexpr Number Double(double v) { return Number(v, false); }

    constexpr double value() const { return value_; }
    constexpr bool isInt16() const { return int16_; }

    // Adding 1 keeps the kind; a 16-bit number past 32767 overflows as the toolkit's would.
    Number Incremented() const;

    friend constexpr bool operator==(Number a, Number b) { return a.value_ == b.value_; }
    friend constexpr auto operator<=>(Number a, Number b) { return a.value_ <=> b.value_; }

  private:
    constexpr Number(double v, bool int16) : value_(v), int16_(int16) {}
    double value_ = 0;
    bool int16_ = true;
};

}  // namespace zelmar
