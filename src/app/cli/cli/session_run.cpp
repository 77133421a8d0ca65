#include "cli/session_run.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>
#include <string>

#include "adapters/signal_watcher.h"
#include "cli/output.h"

namespace zelmar::cli {
namespace {

// Where the signal watcher's news goes: to the session under way, if any.
std::function<void(int signal, int count)> g_onSignal;

}  // namespace

Run RunSession(Session& session, bool quiet) {
    QElapsedTimer clock;
    clock.start();
    Progress progress(quiet);
    QEventLoop loop;
    QTimer stopWait;
    stopWait.setSingleShot(true);
    stopWait.setInterval(kStopWaitMs);
    QObject::connect(&stopWait, &QTimer::timeout, [&] {
        session.StopAtOnce("the device did not finish the exchange within " +
                           std::to_string(kStopWaitMs / 1000) + " s");
        loop.quit();
    });
    int stopSignal = 0;
    g_onSignal = [&](int signal, int count) {
        if (session.Finished()) return;
        if (stopSignal == 0) stopSignal = signal;
        if (count == 1) {
            if (!quiet) {
                progress.Finish();
                PrintErr("zelmar-cli: " + SignalWatcher::Name(signal) +
                         ": stopping after the exchange under way (a second signal stops at "
                         "once)\n");
            }
            session.Stop();
            stopWait.start();
        } else {
            session.StopAtOnce("a second signal");
        }
        if (session.Finished()) loop.quit();
    };
    // A signal before this point has asked for the end already: the port is not opened.
    if (SignalWatcher::Count() > 0) {
        stopSignal = SignalWatcher::First();
        session.Stop();
    }
    session.Begin(clock.elapsed());
    QTimer tick;
    tick.setInterval(100);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        session.Tick(clock.elapsed());
        progress.Show(session, clock.elapsed());
        if (session.Finished()) loop.quit();
    });
    if (!session.Finished()) {
        tick.start();
        loop.exec();
    }
    g_onSignal = nullptr;
    progress.Show(session, clock.elapsed());
    progress.Finish();
    return {static_cast<double>(clock.elapsed()) / 1000, stopSignal};
}

void PassSignal(int signal, int count) {
    if (g_onSignal) g_onSignal(signal, count);
}

int StatusOf(const Session& session, int stopSignal) {
    const Outcome outcome = session.outcome();
    if (stopSignal > 0 && (outcome == Outcome::Interrupted || outcome == Outcome::LineFailed))
        return SignalWatcher::ExitStatus(stopSignal);
    return static_cast<int>(outcome);
}

}  // namespace zelmar::cli
