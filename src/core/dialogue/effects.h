#pragma once
// What follows from a received value, as the engine and the line hand it on: whoever owns the
// port and the screen carries each effect out, in the order they arise.
#include <cstdint>
#include <string>
#include <vector>

#include "dialogue/lamp.h"
#include "dialogue/log_entry.h"
#include "numbers/numbers.h"

namespace zelmar {

struct Effect {
    enum class Kind : std::uint8_t {
        Send,          // answer the device with `byte`
        Light,         // light `lamp`
        Log,           // write `entry` to the terminal log
        ShowObject,    // the job moved on to `object`
        JobEnded,      // the job is over: show "Stop"
        ShowSettings,  // show the settings entries of the image
        JobFailed,     // the job ended without finishing: tell the technician (the report says why)
        Restart,       // the line is out of step: close and reopen the port
        Failure,       // a step could not be carried out: tell the technician `failure`
        // What the line component says of the port, beyond the engine's own effects.
        Reopened,   // the line began out of step and was opened again: clear the log
        OutOfStep,  // it began out of step too many times in a row: the port is closed
        PortLost,   // the port went away while open and is closed: `failure` says why
    };
    explicit Effect(Kind k) : kind(k) {}

    Kind kind;
    std::uint8_t byte = 0;
    Lamp lamp = Lamp::Idle;
    LogEntry entry;
    Number object;
    std::string failure;
    // PortLost: a job was under way when the port went, and its own failure follows. Carried
    // with the effect, since the screen may take it when the line has long moved on.
    bool jobCut = false;
};

// Takes the effects as they arise. Whoever carries one out may call back into the engine (a
// "Stop" handler, a reconnect): the engine's state is then as it stands at that point.
class EffectSink {
  public:
    virtual ~EffectSink() = default;
    virtual void Take(const Effect& effect) = 0;
};

using Effects = std::vector<Effect>;

// Keeps the effects in a list, for callers that look at them afterwards.
class EffectList : public EffectSink {
  public:
    void Take(const Effect& effect) override { effects.push_back(effect); }
    Effects effects;
};

}  // namespace zelmar
