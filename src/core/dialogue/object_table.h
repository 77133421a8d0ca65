#pragma once
// The image of the device's object table, one byte per object number, and which entries the
// program knows: read from the device, loaded from a file or typed into the panel. An entry
// never known holds 0, which is not the device's value but the image's blank.
#include <array>
#include <bitset>
#include <cstdint>

#include "dialogue/protocol.h"
#include "numbers/step_result.h"

namespace zelmar {

// One object and its byte, as files, jobs and reports list them.
struct ObjectEntry {
    int object;
    std::uint8_t value;
    friend bool operator==(const ObjectEntry&, const ObjectEntry&) = default;
};

class ObjectTable {
  public:
    // The entry of an object number rounded half to even; outside 0..8191 the step fails.
    StepResult<std::uint8_t> at(double objectNumber) const;
    // Stores a value that came from the device; outside 0..8191 the step fails.
    StepResult<void> Store(double objectNumber, std::uint8_t value);

    std::uint8_t operator[](int objectNumber) const { return entries_[objectNumber]; }
    // A value the technician gave (a file, the panel): known from here on.
    void Set(int objectNumber, std::uint8_t value) {
        entries_[objectNumber] = value;
        known_.set(static_cast<std::size_t>(objectNumber));
    }
    bool Known(int objectNumber) const {
        return known_.test(static_cast<std::size_t>(objectNumber));
    }

    friend bool operator==(const ObjectTable&, const ObjectTable&) = default;

  private:
    std::array<std::uint8_t, kObjectCount> entries_{};
    std::bitset<kObjectCount> known_;
};

// True when the number, rounded half to even, names an object of the table.
bool IsObjectNumber(double objectNumber);

}  // namespace zelmar
