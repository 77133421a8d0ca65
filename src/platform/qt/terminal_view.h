#pragma once
// The window on screen: one widget for every control of the model, placed, stacked and
// ordered as the model says. The widgets keep no state of their own: what the user does
// goes into the model, and what the model changes comes back through the observer.
#include <QPlainTextEdit>
#include <QWidget>
#include <functional>
#include <unordered_map>

#include "window/control.h"

namespace zelmar {

// The terminal pane. The pane keeps one document character for every character of the
// control's text, so that the model's positions can be used as they are: a CR, which the
// document would otherwise turn into a line break of its own, is held as an invisible
// zero-width space, and the LF after it breaks the line.
class TerminalPane : public QPlainTextEdit {
  public:
    explicit TerminalPane(QWidget* parent = nullptr);

    // The control's text as the document holds it, and back.
    static QString ToDocument(std::string_view text);
    static QString FromDocument(QString text);

    // Replaces `removed` characters from `pos` on by `inserted`. The view follows the newest
    // line only while it was showing the bottom already; a user reading further up keeps
    // the lines in front of him, also when the front of the log is cut away.
    void Splice(std::size_t pos, std::size_t removed, std::string_view inserted);
    void Reset(std::string_view text);

  protected:
    QMimeData* createMimeDataFromSelection() const override;
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

    void TextSpliced(const Control& control, std::size_t pos, std::size_t removed,
                     std::string_view inserted) override;
    void PropertyChanged(const Control& control, Property property) override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* Create(Control& control, QWidget* parent);
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
