#pragma once
// The signals that ask a program to end (SIGINT, SIGTERM, SIGHUP), seen in its event loop the
// moment they arrive: the handler only counts the signal and writes its number into a pipe,
// whose reading end a QSocketNotifier watches (the self-pipe pattern of Qt's "Calling Qt
// Functions From Unix Signal Handlers"). Whatever the signal asks is then done in the event
// loop, where any call is safe. Windows has no such signals: Ctrl+C and Ctrl+Break stand for
// SIGINT there, closing the console for SIGHUP, logging off and shutting down for SIGTERM; the
// console's own thread queues them to the event loop.
//
// While a watcher lives, SIGPIPE is ignored as well: a write to a pipe or terminal that has
// gone fails with an error the program reports instead of killing it. A third signal, for a
// program that no longer answers its event loop, ends the process from the handler at once.
//
//     SignalWatcher watcher([&](int signal, int count) { ... });
#include <functional>
#include <memory>
#include <string>

class QSocketNotifier;

namespace zelmar {

class SignalWatcher {
  public:
    // `handler` gets each signal in the event loop, with how many have come so far (1 for the
    // first). One watcher at a time; the dispositions it replaced come back when it goes.
    explicit SignalWatcher(std::function<void(int signal, int count)> handler);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

    // Signals caught since the watcher was made, counted by the handler itself, so this holds
    // even before the event loop has run; 0 before the first.
    static int Count();
    // The first signal caught, 0 before any.
    static int First();

    // The exit status of a program ended by `signal`: 128 + its number.
    static int ExitStatus(int signal) { return 128 + signal; }
    // "SIGINT", "SIGTERM", "SIGHUP".
    static std::string Name(int signal);

  private:
    void Drain();

    std::function<void(int, int)> handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
    int seen_ = 0;  // signals handed to the handler
};

// A standard stream (0, 1 or 2) that was closed when the program started is opened on
// /dev/null, so that no descriptor the program opens later (the serial port's, say) takes its
// number and receives what was meant for the stream. Returns which were closed: bit n for fd n.
int OccupyClosedStandardStreams();

}  // namespace zelmar
