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
#include <QCoreApplication>
#include <optional>
#include <string>

#include "program/window_program.h"

int main(int argc, char** argv) {
    return zelmar::RunWindowProgram(
        argc, argv, [](zelmar::Programmer& programmer) -> std::optional<int> {
            // What is left once Qt has taken its own options.
            const QStringList args = QCoreApplication::arguments();
            const std::string mode = args.size() > 1 ? args[1].toStdString() : "";
            // The line runs on a thread of its own: held, as the form's own handlers hold it.
            const zelmar::LineHold hold;
            programmer.form.imgNotConnected_Click();
            if (mode == "write" && args.size() == 4) {
                const int first = std::stoi(args[2].toStdString());
                const int last = std::stoi(args[3].toStdString());
                for (int object = first; object <= last; ++object)
                    programmer.form.line.table().Set(object,
                                                     static_cast<std::uint8_t>(object % 128 + 128));
                if (!programmer.form.StartJob(zelmar::Job{zelmar::Direction::Write,
                                                          zelmar::ObjectsFromTo(first, last),
                                                          zelmar::JobOrigin::ObjectsDialog}))
                    return 99;
            } else if (mode != "open") {
                return 98;
            }
            return std::nullopt;
        });
}
