#pragma once
// The table the device simulator saves on its way out (--save): "object value" lines, '#'
// lines for comments.
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "support/read_file.h"

namespace zelmar::testing {

// object -> value, in ascending order of objects.
inline std::map<int, int> SavedTable(const std::filesystem::path& path) {
    std::map<int, int> table;
    std::istringstream in(ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        int object = 0, value = 0;
        if (fields >> object >> value) table[object] = value;
    }
    return table;
}

}  // namespace zelmar::testing
