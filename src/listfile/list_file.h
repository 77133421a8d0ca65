#pragma once
// Reading the object list from a text file of object numbers (".onf").
#include <optional>
#include <string>
#include <vector>

#include "platform/sequential_input.h"

namespace zelmar {

// The ordinary objects (1..8175) the file names, as list entries, in file order; nullopt when
// the file cannot be opened. A field that cannot be read ends the list with what came before.
// The file is closed on every path, so that a failed read never blocks the next load.
std::optional<std::vector<std::string>> ReadObjectList(SequentialInput& input,
                                                       const std::string& path);

}  // namespace zelmar
