#pragma once
// What a technician asks for beyond the client area (the Jobs dialog), checked before any job
// is built: a range typed in two boxes, or the objects of a list file, as an ascending set.
#include <string>
#include <string_view>
#include <vector>

#include "dialogue/object_table.h"

namespace zelmar {

struct ObjectRequest {
    std::vector<int> objects;  // ascending, each once; empty when `error` says why
    std::string error;         // one sentence for the technician
};

// Two whole numbers within 0..8191, the first not above the last.
ObjectRequest ObjectRange(std::string_view first, std::string_view last);

// The objects of a list file's entries (as the list loader reads them), ascending, each once:
// "10" and "5" are 5 and 10, not the text order.
std::vector<int> ObjectsOfList(const std::vector<std::string>& entries);

// The objects among `objects` that the image does not know: a write would send its blanks.
std::vector<int> UnknownObjects(const ObjectTable& table, const std::vector<int>& objects);

// "Objects 300 to 305 were never read or loaded: the device would get 0 for each. Write them
// anyway?"
std::string NeverReadQuestion(const std::vector<int>& unknown);

}  // namespace zelmar
