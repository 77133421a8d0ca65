#pragma once
// A session run to its end on the event loop, with progress on standard error and the signals'
// say in it.
#include "session/session.h"

namespace zelmar::cli {

// How long the first signal waits for the exchange under way before the job ends without it:
// an exchange takes about 0.1 s at 1200 baud, so only a device that fell silent takes this long.
inline constexpr int kStopWaitMs = 3000;

struct Run {
    double seconds;
    int signal;  // the signal that asked the job to stop, 0 if none did
};

// Runs the session to its end. The first signal lets the exchange under way finish (at most
// kStopWaitMs), a second ends the job at once; either way the port is closed before this
// returns. `quiet` shows no progress.
Run RunSession(Session& session, bool quiet);

// Passes the signal watcher's news to the session under way, if any.
void PassSignal(int signal, int count);

// The exit status of a session that has ended. A job a signal asked to stop exits with the
// signal's status, also when the device failed while the exchange under way was awaited; one
// that got done in full, or found a mismatch, before the stop took effect says so.
int StatusOf(const Session& session, int stopSignal);

}  // namespace zelmar::cli
