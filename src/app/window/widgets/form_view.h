#pragma once
// The form on screen: one widget for every control of the model, placed, stacked and ordered
// as the model says. The widgets keep no state of their own: what the user does goes into the
// model, and what the model changes comes back through the observer.
#include <QWidget>
#include <functional>
#include <string_view>
#include <unordered_map>

#include "controls/control.h"

namespace zelmar {

class FormView : public QWidget, public ControlObserver {
  public:
    // `dpi` 0 takes the primary screen's logical resolution.
    explicit FormView(ControlModel& model, double dpi = 0);
    ~FormView() override;
    FormView(const FormView&) = delete;
    FormView& operator=(const FormView&) = delete;

    // The widget that renders a control; the view itself for the form.
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
    void ApplyItems(const Control& control);
    void ApplyStacking(const Control& container);
    void ApplyPosition(const Control& control);
    void ApplyTabOrder();

    ControlModel& model_;
    double dpi_;
    std::unordered_map<const Control*, QWidget*> widgets_;
    std::unordered_map<const QObject*, Control*> controlOf_;
};

}  // namespace zelmar
