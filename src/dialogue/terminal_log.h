#pragma once
// The terminal pane's log. Every received value ends up at the end of the pane: polls on lines
// of their own unless "Only Data" hides them, data lines always. The pane keeps only its most
// recent part so that a device left polling for hours does not slow the window down.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "window/control.h"
#include "window/shared_state.h"

namespace zelmar {

// A pane longer than this is cut before the next entry goes in ...
inline constexpr std::int32_t kPaneLimit = 16000;
// ... by this many characters from its front, wherever that falls within a line.
inline constexpr std::size_t kPaneCut = 4096;

inline bool IsPollText(std::string_view text) {
    return text == "172" || text == "202";
}

// Removes every LF, then puts one LF right after each CR, so that CR LF is the only line end
// left. Returns the 1-based position at which the search for a further CR stopped.
std::size_t NormaliseLineEnds(std::string& entry);

// Appends one log entry to the pane. `onlyData` is the "Only Data" check box; the state gives
// CurObject and takes the working values. Each step runs through `guard`, which decides what a
// failing step does; the steps after a failed one run all the same.
template <class Guard>
void AppendLogEntry(Control& term, std::string& entry, const Control& onlyData, SharedState& state,
                    Guard&& guard) {
    bool hidden = false;
    // While CurObject names no object, polls stay bare digits: the line end marks polls of a
    // dialogue that can address the device.
    guard([&] {
        const double current = state.CurObject.value();
        if (!(current >= 0 && current <= kObjectCount - 1) || !IsPollText(entry)) return;
        if (onlyData.value() != 0) {
            hidden = true;
        } else {
            entry.append("\n\r");
        }
    });
    if (hidden) return;
    guard([&] { state.TermTextLength = static_cast<std::int32_t>(term.text().size()); });
    bool cut = false;
    guard([&] { cut = state.TermTextLength > kPaneLimit; });
    if (cut) {
        guard([&] { term.CutFront(kPaneCut); });
        guard([&] { state.TermTextLength = static_cast<std::int32_t>(term.text().size()); });
    }
    guard([&] { term.SetSelStart(static_cast<std::size_t>(state.TermTextLength)); });
    guard([&] { state.ScanPos = NormaliseLineEnds(entry); });
    guard([&] { term.SetSelText(entry); });
    guard([&] { term.SetSelStart(term.text().size()); });
}

}  // namespace zelmar
