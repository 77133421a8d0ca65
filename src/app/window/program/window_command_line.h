#pragma once
// The window's command line. The program takes no arguments of its own but --help and
// --version; everything else is refused here instead of reaching Qt, where -reverse would
// mirror the window and -style restyle it behind the technician's back.
#include <optional>

namespace zelmar {

// The exit status when the command line was answered or refused (the window must then not
// open), or nothing when the window should open. Needs no display.
std::optional<int> AnswerCommandLine(int argc, char** argv);

}  // namespace zelmar
