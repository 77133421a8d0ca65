#include "dialogue/object_table.h"

#include "numbers/numbers.h"

namespace zelmar {

namespace {
constexpr const char* kOutOfRange = "Subscript out of range";

int IndexOf(double objectNumber) {
    return static_cast<int>(RoundHalfEven(objectNumber));
}
}  // namespace

bool IsObjectNumber(double objectNumber) {
    const double rounded = RoundHalfEven(objectNumber);
    return rounded >= 0 && rounded < kObjectCount;
}

StepResult<std::uint8_t> ObjectTable::at(double objectNumber) const {
    if (!IsObjectNumber(objectNumber)) return StepResult<std::uint8_t>::Failed(kOutOfRange);
    return entries_[IndexOf(objectNumber)];
}

StepResult<void> ObjectTable::Store(double objectNumber, std::uint8_t value) {
    if (!IsObjectNumber(objectNumber)) return StepResult<void>::Failed(kOutOfRange);
    Set(IndexOf(objectNumber), value);
    return {};
}

}  // namespace zelmar
