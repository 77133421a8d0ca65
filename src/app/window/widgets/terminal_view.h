#pragma once
// The window on screen: one widget for every control of the model, placed, stacked and
// ordered as the model says. The widgets keep no state of their own: what the user does
// goes into the model, and what the model changes comes back through the observer.
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "controls/control.h"

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

class TerminalView : public QWidget, public ControlObserver {
  public:
    // `dpi` 0 takes the primary screen's logical resolution.
    explicit TerminalView(ControlModel& model, double dpi = 0);
    ~TerminalView() override;
    TerminalView(const TerminalView&) = delete;
    TerminalView& operator=(const TerminalView&) = delete;

    // The widget that renders a control; the view itself for the window.
    QWidget* WidgetOf(const Control& control) const;

    // Twips to pixels at the view's resolution.
    int Px(double twips) const;
    // Where a control's widget belongs, in its parent's pixels.
    QRect PixelRect(const Control& control) const;

    // Raised when the user closes the window; a non-zero cancel keeps it open.
    std::function<void(int& cancel)> onClose;

    void TextAppended(const Control& control, std::string_view appended) override;
    void TextCutFront(const Control& control, std::size_t count) override;
    void TextReplaced(const Control& control) override;
    void PropertyChanged(const Control& control, Property property) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Create(Control& control, QWidget* parent);
    // Pixels across that the widget gives its caption, or a combo box the chosen item.
    int TextRoom(const Control& control) const;
    void ApplyAll(const Control& control);
    void ApplyCaption(const Control& control);
    void ApplyText(const Control& control);
    void ApplySelection(const Control& control);
    void ApplyValue(const Control& control);
    void ApplyItems(const Control& control);
    void ApplyListIndex(const Control& control);
    void ApplyForeColor(const Control& control);
    void ApplyStacking(const Control& container);
    void ApplyPosition(const Control& control);
    void ApplyTabOrder();

    ControlModel& model_;
    double dpi_;
    std::unordered_map<const Control*, QWidget*> widgets_;
    std::unordered_map<const QObject*, Control*> controlOf_;
};

}  // namespace zelmar
