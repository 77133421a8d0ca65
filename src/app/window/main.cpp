// The Zelmar programmer: one window through which a technician reads and writes a device's
// configuration over a serial line.
#include <optional>

#include "program/window_command_line.h"
#include "program/window_program.h"

int main(int argc, char** argv) {
    if (const std::optional<int> status = zelmar::AnswerCommandLine(argc, argv)) return *status;
    return zelmar::RunWindowProgram(argc, argv);
}
