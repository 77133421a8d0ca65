#pragma once
// Reading the object list from a text file of object numbers (".onf").
#include <cstddef>
#include <string>
#include <vector>

#include "numbers/numbers.h"
#include "ports/sequential_input.h"

namespace zelmar {

// A list job steps through the list with a 16-bit position; a longer list would overflow it.
inline constexpr std::size_t kMaxListObjects = 32767;

// A file that gives no list at all. The text names the file and says why, for the user.
class ListFileError : public StepError {
  public:
    using StepError::StepError;
};

// The ordinary objects the file names, as list entries, in file order: every number field
// that rounds (half to even) to 1..8175, in its own number text ("2.5" stays "2.5"). Throws
// ListFileError when the file cannot be opened or names more than kMaxListObjects objects. A
// field that cannot be read ends the list with what came before. The file is closed on every
// path, so that a failed read never blocks the next load.
//
// `skipped`, when given, learns of the fields that held something but named no ordinary
// object: how many, and the first of them.
struct ListSkips {
    int count = 0;
    int firstEntry = 0;  // 1-based among the file's non-empty fields (its line, one per line)
    std::string firstText;
};
std::vector<std::string> ReadObjectList(SequentialInput& input, const std::string& path,
                                        ListSkips* skipped = nullptr);

// "2 entries named no object from 1 to 8175 and were skipped; the first is "abc" (entry 2)."
// Empty when none was.
std::string SkipsInWords(const ListSkips& skipped);

}  // namespace zelmar
