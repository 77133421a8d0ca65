#pragma once
// The terminal pane's log. Every received value ends up at the end of the pane: polls on lines
// of their own unless "Only Data" hides them, data lines always. The pane keeps only its most
// recent part so that a device left polling for hours does not slow the window down.
#include <cstddef>
#include <string>
#include <string_view>

#include "dialogue/log_entry.h"

namespace zelmar {

// A pane longer than this is cut before the next entry goes in ...
inline constexpr std::size_t kPaneLimit = 16000;
// ... by this many characters from its front, wherever that falls within a line.
inline constexpr std::size_t kPaneCut = 4096;

// The text the log writes to. Its three operations are all the log ever does to it, so that
// whoever shows the text can apply them as they come.
class PaneText {
  public:
    virtual ~PaneText() = default;
    virtual std::size_t Length() const = 0;
    virtual void Append(std::string_view text) = 0;
    virtual void CutFront(std::size_t count) = 0;
    virtual void Clear() = 0;
};

class TerminalLog {
  public:
    explicit TerminalLog(PaneText& pane) : pane_(pane) {}

    // Writes one entry; `onlyData` hides the polls that would take a line of their own.
    void Write(const LogEntry& entry, bool onlyData);
    void Clear() { pane_.Clear(); }

    // The entry's text as the pane shows it: digits, "*" for a marked poll, " - " and the
    // object for a data byte, CR LF after polls and data lines.
    static void Format(const LogEntry& entry, std::string& text);

  private:
    PaneText& pane_;
    std::string text_;  // kept between entries so that writing one allocates nothing
};

}  // namespace zelmar
