#include "widgets/terminal_pane.h"

#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <algorithm>
#include <utility>

#include "widgets/control_text.h"

namespace zelmar {

namespace {

// Stands for a CR in the pane's document: takes a place but no room.
constexpr char16_t kCarriageReturnMark = u'\u200B';
// Marks a paragraph break of the pane's own, which the text does not have.
constexpr char16_t kBreakMark = u'\u2060';
// Paragraphs of this many lines of digits at most.
constexpr std::size_t kLinesPerRun = 4;
// How long the pane gathers changes before it shows them: about a screen's frame.
constexpr int kFrameMs = 16;

}  // namespace

TerminalPane::TerminalPane(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setUndoRedoEnabled(false);  // nothing to undo, and no history growing with the log
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    frame_.setSingleShot(true);
    frame_.setInterval(kFrameMs);
    connect(&frame_, &QTimer::timeout, this, &TerminalPane::Flush);
}

QString TerminalPane::ToDocument(std::string_view text) {
    QString converted = ToQString(text);
    converted.replace(QChar(u'\r'), QChar(kCarriageReturnMark));
    return converted;
}

QString TerminalPane::FromDocument(const QString& text) {
    QString converted;
    converted.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QChar(kBreakMark)) {
            ++i;  // the pane's own break, and the paragraph separator after it
        } else if (c == QChar::ParagraphSeparator) {
            converted.append(u'\n');
        } else if (c == QChar(kCarriageReturnMark)) {
            converted.append(u'\r');
        } else {
            converted.append(c);
        }
    }
    return converted;
}

QString TerminalPane::Broken(std::string_view inserted, std::size_t at) {
    QString converted;
    converted.reserve(
        static_cast<qsizetype>(inserted.size() + 2 * (inserted.size() / runLimit_ + 1)));
    for (std::size_t i = 0; i < inserted.size(); ++i) {
        const char c = inserted[i];
        // Line ends take no room: a break before one would only leave an empty line.
        const bool lineEnd = c == '\r' || c == '\n';
        if (!lineEnd && run_ >= runLimit_) {
            converted.append(QChar(kBreakMark));
            converted.append(QChar::ParagraphSeparator);
            breaks_.push_back(at + i);
            run_ = 0;
        }
        converted.append(c == '\r' ? QChar(kCarriageReturnMark) : QChar::fromLatin1(c));
        if (c == '\n') {
            run_ = 0;
        } else if (!lineEnd) {
            ++run_;
        }
    }
    return converted;
}

int TerminalPane::DocumentPosition(std::size_t pos) const {
    const auto before = std::upper_bound(breaks_.begin(), breaks_.end(), pos) - breaks_.begin();
    return static_cast<int>(pos + 2 * static_cast<std::size_t>(before));
}

void TerminalPane::Append(std::string_view appended) {
    if (gathered_.empty() || gathered_.back().cut != 0) gathered_.push_back({});
    gathered_.back().appended.append(appended);
    textLength_ += appended.size();
    if (!frame_.isActive()) frame_.start();
}

void TerminalPane::CutFront(std::size_t count) {
    count = std::min(count, textLength_);
    if (count == 0) return;
    gathered_.push_back({count, {}});
    textLength_ -= count;
    if (!frame_.isActive()) frame_.start();
}

void TerminalPane::Flush() {
    frame_.stop();
    std::vector<Change> changes;
    changes.swap(gathered_);
    for (const Change& change : changes) Apply(change);
}

QString TerminalPane::Text() {
    Flush();
    return FromDocument(toPlainText());
}

void TerminalPane::Apply(const Change& change) {
    QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    // Only a reader further up needs to be kept in place when lines above him go.
    const bool keepReader = change.cut != 0 && !following;
    const int linesBefore = keepReader ? document()->lineCount() : 0;

    QTextCursor cursor(document());
    if (change.cut == 0) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(Broken(change.appended, length_));
        length_ += change.appended.size();
    } else {
        // A break standing right before the new first character goes too, or it would leave
        // an empty line at the top.
        cursor.setPosition(DocumentPosition(change.cut), QTextCursor::KeepAnchor);
        while (!breaks_.empty() && breaks_.front() <= change.cut) breaks_.pop_front();
        cursor.removeSelectedText();
        for (std::size_t& at : breaks_) at -= change.cut;
        length_ -= change.cut;
    }

    if (following) {
        bar->setValue(bar->maximum());
    } else if (keepReader) {
        bar->setValue(bar->value() - (linesBefore - document()->lineCount()));
    }
}

std::size_t TerminalPane::FittingRun() const {
    // A few whole lines of the pane: digits are what runs together, all of one width, so a
    // run of them still fills every line; and a data line, much shorter, is never broken.
    const int width = viewport()->width() - 2 * static_cast<int>(document()->documentMargin());
    const int digit = std::max(1, fontMetrics().horizontalAdvance(QLatin1Char('0')));
    return kLinesPerRun * static_cast<std::size_t>(std::max(1, width / digit));
}

void TerminalPane::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    if (FittingRun() != runLimit_) Reset(ToControlText(Text()));
}

void TerminalPane::Reset(std::string_view text) {
    frame_.stop();
    gathered_.clear();
    runLimit_ = FittingRun();
    breaks_.clear();
    run_ = 0;
    length_ = textLength_ = text.size();
    setPlainText(Broken(text, 0));
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QMimeData* TerminalPane::createMimeDataFromSelection() const {
    auto* data = new QMimeData;
    data->setText(FromDocument(textCursor().selection().toPlainText()));
    return data;
}

}  // namespace zelmar
