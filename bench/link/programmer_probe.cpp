// The programmer as the device driver of link_bench meets it. Two ways to run:
//
//   programmer_probe startup   builds exactly what the program's entry builds, shows it, and
//                              at the window's first paint reports the moment and the resident
//                              memory, then quits.
//   programmer_probe latency   the same composition, except that message boxes are recorded
//   programmer_probe read      instead of shown (offscreen nobody could close one): it opens
//                              COM 1 and starts a read of the whole table, 0 to 8191. "read"
//                              reports the memory and the table when the job has ended and
//                              quits; "latency" answers until it is stopped.
//   programmer_probe read N    the same, for objects 0 to N - 1 only; the table's hash covers
//                              those N.
//   programmer_probe disturbed N
//                              "read N" while the technician opens File > Load settings... three
//                              times and drags the window about (disturbance.h); it reports once
//                              both the job and the disturbance are over.
//   programmer_probe soak N TABLE
//                              whole-table reads one after the other until N objects are done,
//                              reopening COM 1 whenever the device went away; checks every
//                              object a job calls done against TABLE (the device's, in the
//                              simulator's format) and follows the memory and the open
//                              descriptors from the end of the first job on.
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "disturbance.h"
#include "form/frm_terminal.h"
#include "ports/message_box.h"
#include "probe_report.h"
#include "program/programmer.h"

namespace {

using zelmar::bench::MonotonicNs;
using zelmar::bench::ResidentKb;
using zelmar::bench::Say;

// Reports the first paint of the watched widget, once, and then ends the event loop.
class FirstPaint : public QObject {
  public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            Say("painted " + std::to_string(MonotonicNs()) + " " + std::to_string(ResidentKb()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    bool seen_ = false;
};

// Keeps every box's text for the report; a sound run shows none.
struct RecordingBox : zelmar::MessageBox {
    void Show(const zelmar::Message& message) override { texts.push_back(message.text); }
    std::vector<std::string> texts;
};

int Startup() {
    zelmar::Programmer programmer;
    FirstPaint firstPaint;
    programmer.formView.installEventFilter(&firstPaint);
    programmer.mainWindow.show();
    return QApplication::exec();
}

int ReadWholeTable(bool reportEnd, int objects, bool disturbed) {
    RecordingBox box;
    zelmar::Programmer programmer({.messageBox = &box});
    programmer.mainWindow.show();
    QApplication::processEvents();
    zelmar::frmTerminal& window = programmer.form;
    {
        // The line runs on a thread of its own: the probe holds it as the window's own
        // handlers do.
        const zelmar::LineHold hold;
        window.imgNotConnected_Click();  // COM 1, the driver's pseudo-terminal
        if (!window.MSComm1.PortOpen()) {
            for (const std::string& text : box.texts) std::fprintf(stderr, "%s\n", text.c_str());
            return 1;
        }
        // The whole table, object by object, as Jobs > Read objects starts it.
        window.StartJob({zelmar::Direction::Read, zelmar::ObjectsFromTo(0, objects - 1),
                         zelmar::JobOrigin::ObjectsDialog});
    }
    Say("ready");

    zelmar::bench::Disturbance disturbance(programmer.mainWindow, [&] {
        for (QAction* action : programmer.mainWindow.findChildren<QAction*>())
            if (action->text() == QStringLiteral("&Load settings...")) return action->trigger();
    });
    if (disturbed) disturbance.Start();
    QTimer endOfJob;
    if (reportEnd) {
        // A look at the line holds it, and the answers wait meanwhile: the probe looks only
        // when the status bar shows no job under way (before the first look and after the end).
        const auto* progress = programmer.mainWindow.findChild<QProgressBar*>();
        QObject::connect(&endOfJob, &QTimer::timeout, [&] {
            if (progress && progress->isVisible()) return;
            const zelmar::LineHold hold;
            if (window.line.state().LinkMode != zelmar::kModeIdle ||
                (disturbed && !disturbance.Over()))
                return;
            endOfJob.stop();
            Say("done rss_kb " + std::to_string(ResidentKb()) + " table_fnv " +
                std::to_string(zelmar::bench::TableHash(window.line.table(), objects)) + " boxes " +
                std::to_string(box.texts.size()) + " dialogs " +
                std::to_string(disturbance.Dialogs()) + " moves " +
                std::to_string(disturbance.Moves()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        });
        endOfJob.start(100);
    }
    const int result = QApplication::exec();
    for (const std::string& text : box.texts) std::fprintf(stderr, "box: %s\n", text.c_str());
    return result;
}

long OpenDescriptors() {
    long count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The whole-table reads of the soak, job after job.
int Soak(long wanted, const char* tablePath) {
    std::array<int, 8192> expected{};
    {
        std::ifstream in(tablePath);
        for (int object = 0, value = 0; in >> object >> value;)
            if (object >= 0 && object < 8192) expected[static_cast<std::size_t>(object)] = value;
    }
    RecordingBox box;
    zelmar::Programmer programmer({.messageBox = &box});
    programmer.mainWindow.show();
    QApplication::processEvents();
    zelmar::frmTerminal& window = programmer.form;

    // Wrong entries that hold a poll value: a data byte where the device, having missed the low
    // address byte, polled again instead.
    long done = 0, jobs = 0, failed = 0, wrong = 0, wrongPoll = 0, reopenings = 0;
    long rssFirst = 0, rssLast = 0, rssMax = 0, fdsFirst = 0, fdsLast = 0, fdsMax = 0;
    bool jobStarted = false;
    QTimer step;
    QObject::connect(&step, &QTimer::timeout, [&] {
        const zelmar::LineHold hold;
        if (window.line.Busy()) return;
        if (jobStarted) {
            jobStarted = false;
            const zelmar::JobReport& report = window.line.report();
            ++jobs;
            failed += report.outcome == zelmar::JobReport::Outcome::Finished ? 0 : 1;
            for (const zelmar::ObjectEntry& read : report.values) {
                const std::uint8_t held = read.value;
                if (held != expected[static_cast<std::size_t>(read.object)]) {
                    ++wrong;
                    if (held == 172 || held == 202) ++wrongPoll;
                }
            }
            done += report.done;
            rssLast = ResidentKb();
            fdsLast = OpenDescriptors();
            if (jobs == 1) {
                rssFirst = rssLast;
                fdsFirst = fdsLast;
            }
            rssMax = std::max(rssMax, rssLast);
            fdsMax = std::max(fdsMax, fdsLast);
            Say("job " + std::to_string(jobs) + " done " + std::to_string(report.done) + " total " +
                std::to_string(done) + " rss_kb " + std::to_string(rssLast) + " fds " +
                std::to_string(fdsLast));
        }
        if (done >= wanted) {
            step.stop();
            Say("soak jobs " + std::to_string(jobs) + " done " + std::to_string(done) +
                " failed_jobs " + std::to_string(failed) + " wrong " + std::to_string(wrong) +
                " wrong_poll_value " + std::to_string(wrongPoll) + " reopenings " +
                std::to_string(reopenings) + " rss_first_kb " + std::to_string(rssFirst) +
                " rss_max_kb " + std::to_string(rssMax) + " rss_last_kb " +
                std::to_string(rssLast) + " fds_first " + std::to_string(fdsFirst) + " fds_max " +
                std::to_string(fdsMax) + " fds_last " + std::to_string(fdsLast) + " boxes " +
                std::to_string(box.texts.size()));
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            return;
        }
        if (!window.MSComm1.PortOpen()) {
            // The device went away: the technician clicks the lamp until it is back.
            window.imgNotConnected_Click();
            if (!window.MSComm1.PortOpen()) return;
            ++reopenings;
        }
        jobStarted = window.StartJob({zelmar::Direction::Read, zelmar::ObjectsFromTo(0, 8191),
                                      zelmar::JobOrigin::ObjectsDialog});
    });
    step.start(50);
    {
        // The first opening is not a reopening.
        const zelmar::LineHold hold;
        window.imgNotConnected_Click();
    }
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const long objects = argc > 2 ? std::atol(argv[2]) : 8192;
    const bool soak = mode == "soak" && argc == 4 && objects > 0;
    if (!soak &&
        ((mode != "startup" && mode != "latency" && mode != "read" && mode != "disturbed") ||
         objects < 1 || objects > 8192)) {
        std::fprintf(stderr,
                     "usage: %s startup|latency|read [OBJECTS]|disturbed OBJECTS|soak OBJECTS "
                     "TABLE\n",
                     argv[0]);
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelmar::kAppTitle));
    if (soak) return Soak(objects, argv[3]);
    if (mode == "startup") return Startup();
    return ReadWholeTable(mode != "latency", static_cast<int>(objects), mode == "disturbed");
}
