#include "dialogue/terminal_log.h"

#include <charconv>

namespace zelmar {

namespace {

void AppendDecimal(std::string& text, std::uint8_t value) {
    char digits[3];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    text.append(digits, end);
}

}  // namespace

void TerminalLog::Format(const LogEntry& entry, std::string& text) {
    text.clear();
    AppendDecimal(text, entry.value);
    switch (entry.kind) {
        case LogEntry::Kind::Poll:
            text.append("\r\n");
            break;
        case LogEntry::Kind::MarkedPoll:
            text.push_back('*');
            break;
        case LogEntry::Kind::Data:
            text.append(" - ").append(NumberText(entry.object.value())).append("\r\n");
            break;
        case LogEntry::Kind::BarePoll:
        case LogEntry::Kind::Value:
            break;
    }
}

void TerminalLog::Write(const LogEntry& entry, bool onlyData) {
    if (entry.kind == LogEntry::Kind::Poll && onlyData) return;
    Format(entry, text_);
    if (pane_.Length() > kPaneLimit) pane_.CutFront(kPaneCut);
    pane_.Append(text_);
}

}  // namespace zelmar
