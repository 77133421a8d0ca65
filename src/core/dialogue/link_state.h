#pragma once
#include <cstdint>

#include "numbers/numbers.h"

namespace zelmar {

// What the engine knows of the dialogue; the names are those every part of the program uses.
struct LinkState {
    Number CurObject = Number::Int16(1);  // the object the next exchange addresses
    Number EndObject = Number::Int16(1);  // the job's last object
    std::int16_t ListPos = 0;             // the place of CurObject among the job's objects
    bool WriteJob = false;                // a write job is under way
    int LinkMode = 0;                     // 0 idle, 1 read exchange, 2 write exchange
    int LinkStep = 0;                     // position in the read exchange, 0..4
    std::int16_t WriteStep = 0;           // position in the write exchange, 0..5
    bool JustConnected = false;           // the next value is the first of the connection
    // An object's command went out and its data byte has not come back yet.
    bool ObjectUnderWay = false;
    bool StopRequested = false;  // "Stop" waits for the object under way
    bool PollToConfirm = false;  // the last read of the object gave 172: read it once more
    int Attempts = 0;            // exchanges of the current object that stalled
    int EarlyPolls = 0;          // exchanges of the current object the device dropped
    int ObjectsDone = 0;         // objects of this job that finished
};

}  // namespace zelmar
