#pragma once
// The widget of the form's log, txtTerm: its one multi-line text box.
#include <QPlainTextEdit>
#include <QTimer>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace zelmar {

// The terminal pane. A CR of the control's text, which the document would otherwise turn
// into a line break of its own, is held as an invisible zero-width space, and the LF after it
// breaks the line. Values that run together without a line end would make one paragraph
// that the document lays out anew at every append, so the pane breaks such a run into
// paragraphs of a few lines each: those breaks are the pane's own, marked apart from the
// text's, and never copied out.
class TerminalPane : public QPlainTextEdit {
  public:
    explicit TerminalPane(QWidget* parent = nullptr);

    // The control's text as the document holds it (without the pane's own breaks), and
    // the document's text as the control holds it.
    static QString ToDocument(std::string_view text);
    static QString FromDocument(const QString& text);

    // The log's two edits. They are gathered and reach the document together once a frame,
    // so that a fast device costs one layout and one repaint a frame rather than one for
    // every byte. The view follows the newest line only while it was showing the bottom
    // already; a user reading further up keeps the lines in front of him, also when the front
    // of the log is cut away.
    void Append(std::string_view appended);
    void CutFront(std::size_t count);
    // Lays out `text` anew at once, dropping whatever was gathered, and shows its end.
    void Reset(std::string_view text);

    // Brings the document up to date with what has been gathered.
    void Flush();
    // The control's text as the pane shows it, brought up to date first.
    QString Text();

    // The longest run of characters the pane keeps in one paragraph.
    std::size_t RunLimit() const { return runLimit_; }

  protected:
    QMimeData* createMimeDataFromSelection() const override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    std::size_t FittingRun() const;
    // The inserted text as the document takes it, with breaks after every RunLimit()
    // characters without a line end; `at` is the text position of inserted's first character.
    QString Broken(std::string_view inserted, std::size_t at);
    // Document position of a text position.
    int DocumentPosition(std::size_t pos) const;
    // One gathered change: `cut` characters off the front, or `appended` at the end.
    struct Change {
        std::size_t cut = 0;
        std::string appended;
    };
    void Apply(const Change& change);

    std::vector<Change> gathered_;
    QTimer frame_;
    std::size_t textLength_ = 0;  // characters of the control's text, gathered changes included
    std::size_t length_ = 0;      // characters of the text the document holds
    std::size_t run_ = 0;         // characters since the last line end or break
    std::size_t runLimit_ = 1;
    std::deque<std::size_t> breaks_;  // text positions the pane's own breaks stand before
};

}  // namespace zelmar
