#pragma once
#include <cstdint>

#include "numbers/numbers.h"

namespace zelmar {

// LinkMode's values: which exchange the next value belongs to.
inline constexpr int kModeIdle = 0;   // no job: the engine answers nothing
inline constexpr int kModeRead = 1;   // a read exchange
inline constexpr int kModeWrite = 2;  // a write exchange

// LinkStep's values: where the read exchange stands.
inline constexpr int kReadStepStart = 0;        // waiting for the exchange's first 172
inline constexpr int kReadStepPolled = 1;       // the next 172 gets the read command
inline constexpr int kReadStepCommandSent = 2;  // the next 202 gets the high address byte
inline constexpr int kReadStepHighSent = 3;     // the next 202 gets the low address byte
inline constexpr int kReadStepDataDue = 4;      // the next value is the object's data byte

// WriteStep's values: where the write exchange stands.
inline constexpr std::int16_t kWriteStepStart = 0;        // waiting for the exchange's first 172
inline constexpr std::int16_t kWriteStepPolled = 1;       // the next 172 gets the write command
inline constexpr std::int16_t kWriteStepCommandSent = 2;  // the next 202 gets the high address
inline constexpr std::int16_t kWriteStepHighSent = 3;     // the next 202 gets the low address
inline constexpr std::int16_t kWriteStepEntryDue = 4;     // the next 202 gets the image entry
inline constexpr std::int16_t kWriteStepEntrySent = 5;    // the next 202 hands over to the read

// What the engine knows of the dialogue; the names are those every part of the program uses.
struct LinkState {
    Number CurObject = Number::Int16(1);       // the object the next exchange addresses
    Number EndObject = Number::Int16(1);       // the job's last object
    std::int16_t ListPos = 0;                  // the place of CurObject among the job's objects
    bool WriteJob = false;                     // a write job is under way
    int LinkMode = kModeIdle;                  // one of kMode...
    int LinkStep = kReadStepStart;             // position in the read exchange: kReadStep...
    std::int16_t WriteStep = kWriteStepStart;  // position in the write exchange: kWriteStep...
    bool JustConnected = false;                // the next value is the first of the connection
    // An object's command went out and its data byte has not come back yet.
    bool ObjectUnderWay = false;
    bool StopRequested = false;  // "Stop" waits for the object under way
    bool PollToConfirm = false;  // the last read of the object gave 172: read it once more
    int Attempts = 0;            // exchanges of the current object that stalled
    int EarlyPolls = 0;          // exchanges of the current object the device dropped
    int ObjectsDone = 0;         // objects of this job that finished
};

}  // namespace zelmar
