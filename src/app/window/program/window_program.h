#pragma once
// zelmar-programator's start-up, run by the program and by the driver that the signal tests
// run in its place.
#include <functional>
#include <optional>

#include "program/programmer.h"

namespace zelmar {

// Runs the window program: the application, the programmer with the signals ending it and its
// main window shown; then `started`, when given, which may end the program with a status of its
// own before the event loop; then the event loop. Returns the exit status. The command line has
// been answered before (AnswerCommandLine), where the program takes one.
int RunWindowProgram(int argc, char** argv,
                     const std::function<std::optional<int>(Programmer&)>& started = {});

}  // namespace zelmar
