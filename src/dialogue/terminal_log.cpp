#include "dialogue/terminal_log.h"

#include <algorithm>

namespace zelmar {

std::size_t NormaliseLineEnds(std::string& entry) {
    std::erase(entry, '\n');
    const auto crs = static_cast<std::size_t>(std::count(entry.begin(), entry.end(), '\r'));
    if (crs == 0) return 1;
    // Spread the text out from the back, so that every character moves once and the entry
    // needs no second buffer.
    std::size_t read = entry.size();
    entry.resize(entry.size() + crs);
    std::size_t write = entry.size();
    std::size_t lastCr = 0;  // 0-based, in the spread-out entry
    bool seenCr = false;
    while (read > 0) {
        const char c = entry[--read];
        if (c == '\r') entry[--write] = '\n';
        entry[--write] = c;
        if (c == '\r' && !seenCr) {
            seenCr = true;
            lastCr = write;
        }
    }
    // The search resumes at the LF after the last CR and finds no further CR there.
    return lastCr + 2;
}

}  // namespace zelmar
