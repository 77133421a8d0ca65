#include "widgets/form_view.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>
#include <utility>
#include <vector>

#include "widgets/control_text.h"
#include "widgets/control_widgets.h"
#include "widgets/fitting_font.h"
#include "widgets/lamps.h"
#include "widgets/terminal_pane.h"

namespace zelmar {

FormView::FormView(ControlModel& model, double dpi)
    : model_(model), dpi_(dpi > 0 ? dpi : QGuiApplication::primaryScreen()->logicalDotsPerInch()) {
    const auto& all = model_.all();
    Control& form = *all.front();
    widgets_[&form] = this;
    controlOf_[this] = &form;
    setWindowIcon(ProgrammerIcon());
    // The controls' places and sizes were made for an 8-point face; a larger default would
    // spill over the boxes and buttons.
    QFont face = font();
    face.setPointSizeF(8);
    setFont(face);
    setFixedSize(Px(form.rect().width), Px(form.rect().height));
    // Containers come before their controls, so every parent exists when a child is made.
    for (std::size_t i = 1; i < all.size(); ++i) {
        Control& control = *all[i];
        Create(control, widgets_.at(control.container()));
    }
    for (const auto& control : all) ApplyAll(*control);
    for (const auto& control : all)
        if (!control->children().empty()) ApplyStacking(*control);
    ApplyTabOrder();
    model_.observer = this;
}

FormView::~FormView() {
    if (model_.observer == this) model_.observer = nullptr;
}

QWidget* FormView::WidgetOf(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

int FormView::Px(double twips) const {
    return qRound(twips * dpi_ / 1440.0);
}

QRect FormView::PixelRect(const Control& control) const {
    const Twips& r = control.rect();
    QRect rect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
    if (control.kind() == ControlKind::Label && control.autoSize())
        rect.setSize(widgets_.at(&control)->sizeHint());
    return rect;
}

QWidget* FormView::Create(Control& control, QWidget* parent) {
    if (control.kind() == ControlKind::Form) return this;
    QWidget* widget = CreateControlWidget(control, parent, this);
    widgets_[&control] = widget;
    controlOf_[widget] = &control;
    return widget;
}

int FormView::TextRoom(const Control& control) const {
    QWidget* widget = WidgetOf(control);
    const Twips& r = control.rect();
    const QRect place(0, 0, Px(r.width), Px(r.height));
    const auto ButtonContentsWidth = [&](QStyle::SubElement contents) {
        QStyleOptionButton option;
        option.initFrom(widget);
        option.rect = place;
        return widget->style()->subElementRect(contents, &option, widget).width();
    };
    switch (control.kind()) {
        case ControlKind::Label: {
            if (!control.autoSize()) return place.width();
            // A label sized to its caption may reach as far as the next control beside it.
            double right = control.container()->rect().width;
            for (const Control* sibling : control.container()->children()) {
                const Twips& s = sibling->rect();
                if (s.left > r.left && s.top < r.top + r.height && r.top < s.top + s.height)
                    right = std::min(right, s.left);
            }
            return Px(right) - Px(r.left);
        }
        case ControlKind::CheckBox:
            return ButtonContentsWidth(QStyle::SE_CheckBoxContents);
        case ControlKind::OptionButton:
        case ControlKind::CommandButton:
            return ButtonContentsWidth(QStyle::SE_PushButtonContents);
        case ControlKind::ComboBox: {
            QStyleOptionComboBox option;
            option.initFrom(widget);
            option.rect = place;
            option.editable = true;
            const QRect field = widget->style()->subControlRect(
                QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, widget);
            // The edit field keeps two pixels either side of its text and one for the caret,
            // and scrolls the text out of sight when it needs more.
            const QMargins margins = static_cast<QComboBox*>(widget)->lineEdit()->textMargins();
            return field.width() - margins.left() - margins.right() - 5;
        }
        default:
            return 0;
    }
}

void FormView::ApplyAll(const Control& control) {
    ApplyCaption(control);
    ApplyItems(control);
    ApplyText(control, WidgetOf(control));
    ApplyValue(control, WidgetOf(control));
    // A colour of 0 is the one every control starts with: the platform's own.
    if (control.foreColor() != 0) ApplyForeColor(control, WidgetOf(control));
    WidgetOf(control)->setEnabled(control.enabled());
    ApplyPosition(control);
}

void FormView::ApplyCaption(const Control& control) {
    QWidget* widget = WidgetOf(control);
    const QString caption = ToQString(control.caption());
    switch (control.kind()) {
        case ControlKind::Form:
            // The window's own frame, whether the view stands alone or inside a main window.
            window()->setWindowTitle(caption);
            break;
        case ControlKind::Frame:
            static_cast<QGroupBox*>(widget)->setTitle(caption);
            break;
        case ControlKind::Label:
            widget->setFont(FittingFont(font(), {caption}, TextRoom(control)));
            static_cast<QLabel*>(widget)->setText(caption);
            if (control.autoSize()) widget->resize(widget->sizeHint());
            break;
        case ControlKind::CheckBox:
        case ControlKind::OptionButton:
        case ControlKind::CommandButton:
            widget->setFont(FittingFont(font(), {caption}, TextRoom(control)));
            static_cast<QAbstractButton*>(widget)->setText(caption);
            break;
        default:
            break;
    }
}

void FormView::ApplyItems(const Control& control) {
    QStringList items;
    for (const std::string& item : control.items()) items.append(ToQString(item));
    if (control.kind() == ControlKind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(WidgetOf(control));
        const QSignalBlocker block(combo);
        combo->clear();
        combo->addItems(items);
        combo->setFont(FittingFont(font(), items, TextRoom(control)));
    } else if (control.kind() == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(WidgetOf(control));
        const QSignalBlocker block(list);
        list->clear();
        list->addItems(items);
    } else {
        return;
    }
    ApplyListIndex(control, WidgetOf(control));
}

void FormView::ApplyStacking(const Control& container) {
    for (const Control* child : container.children()) WidgetOf(*child)->raise();
}

void FormView::ApplyPosition(const Control& control) {
    if (control.kind() == ControlKind::Form) {
        // The window's Left and Top are those of its outer frame, as move() takes them.
        window()->move(Px(control.rect().left), Px(control.rect().top));
        return;
    }
    WidgetOf(control)->setGeometry(PixelRect(control));
}

void FormView::ApplyTabOrder() {
    std::vector<std::pair<int, QWidget*>> order;
    for (const auto& control : model_.all()) {
        QWidget* widget = WidgetOf(*control);
        if (control->tabIndex() && widget->focusPolicy() != Qt::NoFocus)
            order.emplace_back(*control->tabIndex(), widget);
    }
    std::sort(order.begin(), order.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1].second, order[i].second);
}

void FormView::TextAppended(const Control& control, std::string_view appended) {
    if (IsPane(control)) {
        static_cast<TerminalPane*>(WidgetOf(control))->Append(appended);
    } else {
        ApplyText(control, WidgetOf(control));
    }
}

void FormView::TextCutFront(const Control& control, std::size_t count) {
    if (IsPane(control)) {
        static_cast<TerminalPane*>(WidgetOf(control))->CutFront(count);
    } else {
        ApplyText(control, WidgetOf(control));
    }
}

void FormView::TextReplaced(const Control& control) {
    ApplyText(control, WidgetOf(control));
}

void FormView::PropertyChanged(const Control& control, Property property) {
    switch (property) {
        case Property::Caption:
            ApplyCaption(control);
            break;
        case Property::Text:
            ApplyText(control, WidgetOf(control));
            break;
        case Property::Selection:
            ApplySelection(control, WidgetOf(control));
            break;
        case Property::Enabled:
            WidgetOf(control)->setEnabled(control.enabled());
            break;
        case Property::Value:
            ApplyValue(control, WidgetOf(control));
            break;
        case Property::ListIndex:
            ApplyListIndex(control, WidgetOf(control));
            break;
        case Property::Items:
            ApplyItems(control);
            break;
        case Property::ForeColor:
            ApplyForeColor(control, WidgetOf(control));
            break;
        case Property::Stacking:
            WidgetOf(control)->raise();
            break;
        case Property::Position:
            ApplyPosition(control);
            break;
    }
}

void FormView::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    if (onClose) onClose(cancel);
    event->setAccepted(cancel == 0);
}

bool FormView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving for another window or a popup is no move to another control.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            auto it = controlOf_.find(watched);
            if (it != controlOf_.end()) it->second->UserLeave();
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zelmar
