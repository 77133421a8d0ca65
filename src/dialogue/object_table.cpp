#include "dialogue/object_table.h"

#include "platform/numbers.h"

namespace zelmar {

bool IsObjectNumber(double objectNumber) {
    const double rounded = RoundHalfEven(objectNumber);
    return rounded >= 0 && rounded < kObjectCount;
}

std::uint8_t& ObjectTable::at(double objectNumber) {
    if (!IsObjectNumber(objectNumber)) throw StepError("Subscript out of range");
    return entries_[static_cast<int>(RoundHalfEven(objectNumber))];
}

std::uint8_t ObjectTable::at(double objectNumber) const {
    return const_cast<ObjectTable&>(*this).at(objectNumber);
}

}  // namespace zelmar
