#pragma once
// The state every handler of the window shares. It belongs to the window and lives as long.
#include <array>
#include <cstdint>
#include <string>

#include "window/numbers.h"

namespace zelmar {

constexpr int kObjectCount = 8192;

// The image of the device's object table, one byte per object number.
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

struct SharedState {
    Number CurObject;          // the object the next exchange addresses
    Number EndObject;          // the object whose data byte ends the job
    std::int16_t ListPos = 0;  // entry of List1 while a job walks the list
    ObjectTable ObjectData;
    bool WriteJob = false;       // a write job is under way
    int LinkMode = 0;            // 0 idle, 1 read exchange, 2 write exchange
    int LinkStep = 0;            // position in the read exchange, 0..4
    std::int16_t WriteStep = 0;  // position in the write exchange, 0..5
    bool JustConnected = false;  // the next received value is the first of the connection

    // Working values of the event handlers.
    std::string ReceivedInput;
    std::string LastEventText;
    std::string LastErrorText;
    std::int32_t TermTextLength = 0;
    std::size_t ScanPos = 1;
};

}  // namespace zelmar
