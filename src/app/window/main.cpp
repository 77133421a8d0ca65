// The Zelmar programmer: one window through which a technician reads and writes a device's
// configuration over a serial line.
#include <QApplication>

#include "adapters/signal_watcher.h"
#include "program/programmer_window.h"
#include "program/window_command_line.h"

int main(int argc, char** argv) {
    if (const std::optional<int> status = zelmar::AnswerCommandLine(argc, argv)) return *status;
    // Before anything opens a descriptor that could take the number of a closed stream: the
    // port's would then get what is meant for standard error.
    zelmar::OccupyClosedStandardStreams();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(zelmar::kAppTitle));
    zelmar::ProgrammerWindow programmer;
    programmer.EndOnSignals();
    programmer.frame.show();
    return QApplication::exec();
}
