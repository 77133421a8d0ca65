#include "dialogue/object_table.h"

#include "numbers/numbers.h"

namespace zelmar {

namespace {
int IndexOf(double objectNumber) {
    if (!IsObjectNumber(objectNumber)) throw StepError("Subscript out of range");
    return static_cast<int>(RoundHalfEven(objectNumber));
}
}  // namespace

bool IsObjectNumber(double objectNumber) {
    const double rounded = RoundHalfEven(objectNumber);
    return rounded >= 0 && rounded < kObjectCount;
}

std::uint8_t ObjectTable::at(double objectNumber) const {
    return entries_[IndexOf(objectNumber)];
}

void ObjectTable::Store(double objectNumber, std::uint8_t value) {
    Set(IndexOf(objectNumber), value);
}

}  // namespace zelmar
