#pragma once
// The objects a command line names: "0,8176-8191", "1-8175", "all" or "settings", in any mix.
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

struct ObjectSet {
    std::vector<int> objects;  // ascending, each once
    std::string error;         // empty when the text is good; then `objects` is not empty
};

// In time and memory linear in the text's length.
ObjectSet ParseObjectSet(std::string_view text);

// Ascending objects as the shortest list ParseObjectSet reads back: "0,8176-8191".
std::string ObjectListText(const std::vector<int>& objects);

// Objects 0 and 8176..8191, where the device keeps its settings.
std::vector<int> SettingsObjects();

}  // namespace zelmar
