// The window program as the signal tests drive it from outside: zelmar-programator's own
// start-up (the window with its signals watched), and then what a technician's clicks would do,
// so that a signal can meet the window idle or in the middle of a write.
//
//   window_driver open              the red lamp clicked: COM 1 open, the device polling
//   window_driver write FIRST LAST  and a write of FIRST..LAST, each object given the value
//                                   object % 128 + 128, which no object of the simulator's
//                                   own table holds
//
// COM 1 is ZELMAR_COM1, as for the program.
#include <QApplication>
#include <cstring>
#include <optional>
#include <string>

#include "adapters/signal_watcher.h"
#include "program/programmer_window.h"

int main(int argc, char** argv) {
    zelmar::OccupyClosedStandardStreams();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelmar::kAppTitle));
    zelmar::ProgrammerWindow programmer;
    programmer.EndOnSignals();
    programmer.frame.show();
    const std::string mode = argc > 1 ? argv[1] : "";
    // The line runs on a thread of its own: held, as the window's own handlers hold it.
    std::optional<zelmar::LineHold> hold(std::in_place);
    programmer.window.imgNotConnected_Click();
    if (mode == "write" && argc == 4) {
        const int first = std::stoi(argv[2]);
        const int last = std::stoi(argv[3]);
        for (int object = first; object <= last; ++object)
            programmer.window.line.table().Set(object,
                                               static_cast<std::uint8_t>(object % 128 + 128));
        if (!programmer.window.StartJob(zelmar::Job{zelmar::Direction::Write,
                                                    zelmar::ObjectsFromTo(first, last),
                                                    zelmar::JobOrigin::ObjectsDialog}))
            return 99;
    } else if (mode != "open") {
        return 98;
    }
    hold.reset();
    return QApplication::exec();
}
