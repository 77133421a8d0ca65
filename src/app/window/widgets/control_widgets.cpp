#include "widgets/control_widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyleOption>
#include <QValidator>
#include <functional>
#include <string>

#include "numbers/numbers.h"
#include "widgets/control_text.h"
#include "widgets/lamps.h"
#include "widgets/terminal_pane.h"

namespace zelmar {

namespace {

// The length limit of a text box applies to what the user types, not to what the program
// sets: a text longer than the limit still shows whole, and the user may shorten it but not
// lengthen it. QLineEdit's own limit would cut the program's texts too.
class LengthLimit : public QValidator {
  public:
    LengthLimit(const Control& control, QObject* parent) : QValidator(parent), control_(control) {}
    State validate(QString& input, int& /*pos*/) const override {
        const auto limit = static_cast<qsizetype>(control_.maxLength());
        const auto before = static_cast<qsizetype>(control_.text().size());
        return input.size() > limit && input.size() > before ? Invalid : Acceptable;
    }

  private:
    const Control& control_;
};

// An image that reports a click: pressed and released over it with the left button.
class LampLabel : public QLabel {
  public:
    using QLabel::QLabel;
    std::function<void()> onClick;

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        // Taking the press makes the release come here too.
        event->setAccepted(event->button() == Qt::LeftButton);
    }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
            onClick)
            onClick();
    }
};

// Lamps stacked in one place show only the one in front, but lamps of unequal sizes leave a
// rim of a larger one uncovered beneath a smaller. The whole place takes a click for the lamp
// the user sees there, whichever widget the pixel belongs to.
Control& LampSeenOver(Control& lamp) {
    if (!lamp.container()) return lamp;
    const Twips& place = lamp.rect();
    const auto& siblings = lamp.container()->children();  // the bottom one first
    for (auto above = siblings.rbegin(); above != siblings.rend(); ++above) {
        const Twips& r = (*above)->rect();
        if ((*above)->kind() == ControlKind::Image && r.left < place.left + place.width &&
            place.left < r.left + r.width && r.top < place.top + place.height &&
            place.top < r.top + r.height)
            return **above;
    }
    return lamp;
}

// The layout's combo boxes are narrow for their items; a slimmer drop-down button gives the
// edit field the pixels it takes from the button.
constexpr int kComboButtonTrim = 6;

class SlimComboStyle : public QProxyStyle {
  public:
    QRect subControlRect(ComplexControl control, const QStyleOptionComplex* option, SubControl sub,
                         const QWidget* widget) const override {
        QRect rect = QProxyStyle::subControlRect(control, option, sub, widget);
        if (control != CC_ComboBox) return rect;
        const bool rightToLeft = option->direction == Qt::RightToLeft;
        if (sub == SC_ComboBoxArrow) {
            rightToLeft ? rect.setRight(rect.right() - kComboButtonTrim)
                        : rect.setLeft(rect.left() + kComboButtonTrim);
        } else if (sub == SC_ComboBoxEditField) {
            rightToLeft ? rect.setLeft(rect.left() - kComboButtonTrim)
                        : rect.setRight(rect.right() + kComboButtonTrim);
        }
        return rect;
    }
};

QColor ColorOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

bool IsPane(const Control& control) {
    return control.kind() == ControlKind::TextBox && control.multiLine();
}

QWidget* CreateControlWidget(Control& control, QWidget* parent, QObject* focusWatch) {
    QWidget* widget = nullptr;
    switch (control.kind()) {
        case ControlKind::Form:
            return nullptr;
        case ControlKind::Frame: {
            auto* box = new QGroupBox(parent);
            // A frame hides what lies beneath it, as the settings panel hides the job frames.
            box->setAutoFillBackground(true);
            box->setFocusPolicy(Qt::NoFocus);
            widget = box;
            break;
        }
        case ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setWordWrap(!control.autoSize());
            widget = label;
            break;
        }
        case ControlKind::TextBox: {
            if (control.multiLine()) {
                widget = new TerminalPane(parent);
                break;
            }
            auto* edit = new QLineEdit(parent);
            if (control.maxLength() > 0) edit->setValidator(new LengthLimit(control, edit));
            QObject::connect(edit, &QLineEdit::textEdited, edit, [&control](const QString& text) {
                control.UserEdit(ToControlText(text));
            });
            edit->installEventFilter(focusWatch);
            widget = edit;
            break;
        }
        case ControlKind::ComboBox: {
            auto* combo = new QComboBox(parent);
            // A widget does not own its style; as the combo's child it goes with the combo.
            auto* style = new SlimComboStyle;
            style->setParent(combo);
            combo->setStyle(style);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);  // the list is the program's
            QObject::connect(combo, &QComboBox::activated, combo, [combo, &control](int index) {
                try {
                    control.SetListIndex(index);
                } catch (const StepError&) {
                }
                ApplyListIndex(control, combo);
            });
            QObject::connect(
                combo->lineEdit(), &QLineEdit::textEdited, combo,
                [&control](const QString& text) { control.UserEdit(ToControlText(text)); });
            widget = combo;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(parent);
            // One-line texts all: the list need not measure every item of a long list anew.
            list->setUniformItemSizes(true);
            QObject::connect(list, &QListWidget::currentRowChanged, list,
                             [list, &control](int row) {
                                 try {
                                     control.SetListIndex(row);
                                 } catch (const StepError&) {
                                 }
                                 ApplyListIndex(control, list);
                             });
            widget = list;
            break;
        }
        case ControlKind::CheckBox: {
            auto* check = new QCheckBox(parent);
            // The box has already toggled itself; the model decides what it shows.
            QObject::connect(check, &QCheckBox::clicked, check, [check, &control] {
                control.UserClick();
                ApplyValue(control, check);
            });
            widget = check;
            break;
        }
        case ControlKind::OptionButton: {
            auto* button = new QPushButton(parent);
            button->setCheckable(true);
            button->setAutoExclusive(false);  // the model keeps the group exclusive
            QObject::connect(button, &QPushButton::clicked, button, [button, &control] {
                control.UserClick();
                ApplyValue(control, button);
            });
            widget = button;
            break;
        }
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            QObject::connect(button, &QPushButton::clicked, button,
                             [&control] { control.UserClick(); });
            widget = button;
            break;
        }
        case ControlKind::Image: {
            auto* lamp = new LampLabel(parent);
            lamp->setPixmap(QPixmap::fromImage(LampImage(control.picture())));
            lamp->setScaledContents(control.stretch());
            lamp->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            // Only the lamp in front is seen: it covers those beneath, transparent corners too.
            lamp->setAutoFillBackground(true);
            lamp->onClick = [&control] { LampSeenOver(control).UserClick(); };
            widget = lamp;
            break;
        }
    }
    widget->setObjectName(ToQString(
        control.index() < 0 ? control.name()
                            : control.name() + "(" + std::to_string(control.index()) + ")"));
    if (!control.toolTip().empty()) widget->setToolTip(ToQString(control.toolTip()));
    return widget;
}

void ApplyText(const Control& control, QWidget* widget) {
    if (control.kind() == ControlKind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(widget);
        const QSignalBlocker block(combo);
        if (combo->currentText() != ToQString(control.text()))
            combo->setEditText(ToQString(control.text()));
    } else if (IsPane(control)) {
        static_cast<TerminalPane*>(widget)->Reset(control.text());
    } else if (control.kind() == ControlKind::TextBox) {
        auto* edit = static_cast<QLineEdit*>(widget);
        if (edit->text() != ToQString(control.text())) {
            edit->setText(ToQString(control.text()));
            ApplySelection(control, widget);
        }
    }
}

void ApplySelection(const Control& control, QWidget* widget) {
    // The pane's caret is the log's business only; showing it would scroll the pane away
    // from a user reading older lines.
    if (control.kind() != ControlKind::TextBox || control.multiLine()) return;
    auto* edit = static_cast<QLineEdit*>(widget);
    const int start = static_cast<int>(control.selStart());
    const int length = static_cast<int>(control.selLength());
    if (length > 0) {
        edit->setSelection(start, length);
    } else {
        edit->setCursorPosition(start);
    }
}

void ApplyValue(const Control& control, QWidget* widget) {
    if (control.kind() == ControlKind::CheckBox) {
        auto* check = static_cast<QCheckBox*>(widget);
        const QSignalBlocker block(check);
        check->setCheckState(control.value() == 2   ? Qt::PartiallyChecked
                             : control.value() == 1 ? Qt::Checked
                                                    : Qt::Unchecked);
    } else if (control.kind() == ControlKind::OptionButton) {
        auto* button = static_cast<QPushButton*>(widget);
        const QSignalBlocker block(button);
        button->setChecked(control.value() != 0);
    }
}

void ApplyListIndex(const Control& control, QWidget* widget) {
    if (control.kind() == ControlKind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(widget);
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(control.listIndex());
        // Choosing an entry rewrites the edit field; the model's text is what it shows.
        combo->setEditText(ToQString(control.text()));
    } else if (control.kind() == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(widget);
        const QSignalBlocker block(list);
        list->setCurrentRow(control.listIndex());
    }
}

void ApplyForeColor(const Control& control, QWidget* widget) {
    QPalette palette = widget->palette();
    // Only the role of the control's own text, not the frame, arrows or glyphs around it.
    QPalette::ColorRole role = QPalette::WindowText;
    if (control.kind() == ControlKind::TextBox || control.kind() == ControlKind::ComboBox ||
        control.kind() == ControlKind::ListBox)
        role = QPalette::Text;
    else if (control.kind() == ControlKind::CommandButton ||
             control.kind() == ControlKind::OptionButton)
        role = QPalette::ButtonText;
    palette.setColor(role, ColorOf(control.foreColor()));
    // A chosen text colour was chosen against the light field of its day; on a dark desktop
    // theme's base it would be unreadable, so the field stays light under it.
    if (role == QPalette::Text) {
        for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, QPalette::Base, Qt::white);
        palette.setColor(QPalette::Disabled, QPalette::Base, QColor(0xF0, 0xF0, 0xF0));
    }
    widget->setPalette(palette);
}

}  // namespace zelmar
