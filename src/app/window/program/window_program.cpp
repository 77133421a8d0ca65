#include "program/window_program.h"

#include <QApplication>

#include "adapters/signal_watcher.h"

namespace zelmar {

int RunWindowProgram(int argc, char** argv,
                     const std::function<std::optional<int>(Programmer&)>& started) {
    // Before anything opens a descriptor that could take the number of a closed stream: the
    // port's would then get what is meant for standard error.
    OccupyClosedStandardStreams();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kAppTitle));
    Programmer programmer;
    programmer.EndOnSignals();
    programmer.mainWindow.show();
    if (started) {
        if (const std::optional<int> status = started(programmer)) return *status;
    }
    return QApplication::exec();
}

}  // namespace zelmar
