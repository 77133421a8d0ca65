#pragma once
#include <vector>

#include "controls/control.h"

namespace zelmar {

// The controls of the programmer's window as it is created, the window itself first. Within
// one container an earlier entry lies above a later one where they overlap.
const std::vector<ControlDefinition>& TerminalLayout();

}  // namespace zelmar
