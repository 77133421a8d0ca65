#pragma once
// The programmer as it runs, the program's composition root: the form on Qt with its view
// (FormOnQt), the main window around them, and the line (the port and the line component) on a
// thread of its own. Built before the event loop starts; start-up has run by the time the
// constructor returns.
//
// Whoever reaches form.line from the window's thread holds it (LineHold) while doing so: the
// form's own handlers, the main window and the signal handling do.
#include <QElapsedTimer>
#include <QTimer>
#include <memory>
#include <string>

#include "adapters/signal_watcher.h"
#include "program/form_on_qt.h"
#include "program/line_thread.h"
#include "widgets/main_window.h"

namespace zelmar {

class Programmer : public FormOnQt {
  public:
    explicit Programmer(const ProgramOptions& options = {});
    Programmer(const Programmer&) = delete;
    Programmer& operator=(const Programmer&) = delete;
    // Ends the line thread first: nothing of the line runs while the window goes.
    ~Programmer();

    // From now on SIGINT, SIGTERM and SIGHUP end the program at an exchange boundary: no new
    // exchange starts, the object under way finishes (at most kStopWaitMs), the port is closed,
    // one line on standard error says what was done and not done, and the event loop ends
    // with 128 + the signal's number. No box asks anything, and one that is open goes. A
    // second signal closes the port at once. The program calls this; tests and benchmarks
    // that build the programmer in a process of their own leave the signals alone.
    void EndOnSignals();
    // How long the first signal waits for the object under way: only a device that fell
    // silent mid-exchange takes this long.
    static constexpr int kStopWaitMs = 3000;

    // The menu and status bars around the form's view; this is the window that is shown.
    MainWindow mainWindow;

  private:
    void OnSignal(int signal, int count);
    // Closes the port, says in one line what the job did, and ends the event loop; `cut`
    // names why a job still under way was cut short, empty when it was not.
    void EndForSignal(const std::string& cut);

    // Every handler of the form's controls holds the line while it runs.
    void HoldLineInHandlers();

    LineThread line_;
    EffectChannel effects_;
    // The line's sense of time, on the line thread: a stalled job is noticed within a quarter
    // of a second. The status bar follows at the same pace on the window's.
    QElapsedTimer clock_;
    QTimer ticks_;
    QTimer refresh_;
    std::unique_ptr<SignalWatcher> signals_;
    int signal_ = 0;            // the first signal, 0 before any
    bool jobAtSignal_ = false;  // a job was under way when it came
    bool ended_ = false;
    QTimer stopping_;  // watches the job's end after the first signal
    QElapsedTimer stoppingClock_;
};

}  // namespace zelmar
