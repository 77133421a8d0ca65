#pragma once
// The image of the device's object table, one byte per object number.
#include <array>
#include <cstdint>

#include "dialogue/protocol.h"

namespace zelmar {

class ObjectTable {
  public:
    // The entry of an object number rounded half to even; throws StepError outside 0..8191.
    std::uint8_t& at(double objectNumber);
    std::uint8_t at(double objectNumber) const;
    std::uint8_t& operator[](int objectNumber) { return entries_[objectNumber]; }
    std::uint8_t operator[](int objectNumber) const { return entries_[objectNumber]; }
    friend bool operator==(const ObjectTable&, const ObjectTable&) = default;

  private:
    std::array<std::uint8_t, kObjectCount> entries_{};
};

// True when the number, rounded half to even, names an object of the table.
bool IsObjectNumber(double objectNumber);

}  // namespace zelmar
