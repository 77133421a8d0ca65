#include "widgets/terminal_view.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProxyStyle>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QValidator>
#include <algorithm>
#include <utility>
#include <vector>

#include "numbers/numbers.h"
#include "widgets/lamps.h"

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

// The controls' texts are 8-bit characters, one per position; Latin-1 keeps that one to one.
QString Q(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string S(const QString& text) {
    return text.toLatin1().toStdString();
}

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

bool IsPane(const Control& control) {
    return control.kind() == ControlKind::TextBox && control.multiLine();
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

// The smallest face a caption may shrink to and still be read.
constexpr double kSmallestPoints = 6;

// The largest of `base`'s faces in which each of `texts` fits `room` pixels: a condensed face
// keeps the size, so it comes before a smaller size. Widths are measured, so a platform
// without a condensed face simply goes on to the smaller sizes.
QFont FittingFont(const QFont& base, const QStringList& texts, int room) {
    QFont face = base;
    for (double points = base.pointSizeF(); points >= kSmallestPoints; points -= 0.5) {
        for (int stretch : {int{QFont::Unstretched}, int{QFont::SemiCondensed}}) {
            face.setPointSizeF(points);
            face.setStretch(stretch);
            const QFontMetrics metrics(face);
            const bool fits = std::all_of(texts.begin(), texts.end(), [&](const QString& text) {
                return text.isEmpty() || metrics.horizontalAdvance(text) <= room;
            });
            if (fits) return face;
        }
    }
    return face;
}

QColor ColorOf(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

}  // namespace

// ---- the terminal pane --------------------------------------------------------------------

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
    QString converted = Q(text);
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
    if (FittingRun() != runLimit_) Reset(S(Text()));
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

// ---- the view -----------------------------------------------------------------------------

TerminalView::TerminalView(ControlModel& model, double dpi)
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

TerminalView::~TerminalView() {
    if (model_.observer == this) model_.observer = nullptr;
}

QWidget* TerminalView::WidgetOf(const Control& control) const {
    auto it = widgets_.find(&control);
    return it == widgets_.end() ? nullptr : it->second;
}

int TerminalView::Px(double twips) const {
    return qRound(twips * dpi_ / 1440.0);
}

QRect TerminalView::PixelRect(const Control& control) const {
    const Twips& r = control.rect();
    QRect rect(Px(r.left), Px(r.top), Px(r.width), Px(r.height));
    if (control.kind() == ControlKind::Label && control.autoSize())
        rect.setSize(widgets_.at(&control)->sizeHint());
    return rect;
}

QWidget* TerminalView::Create(Control& control, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (control.kind()) {
        case ControlKind::Form:
            return this;
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
            connect(edit, &QLineEdit::textEdited, this,
                    [&control](const QString& text) { control.UserEdit(S(text)); });
            edit->installEventFilter(this);
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
            connect(combo, &QComboBox::activated, this, [this, &control](int index) {
                try {
                    control.SetListIndex(index);
                } catch (const StepError&) {
                }
                ApplyListIndex(control);
            });
            connect(combo->lineEdit(), &QLineEdit::textEdited, this,
                    [&control](const QString& text) { control.UserEdit(S(text)); });
            widget = combo;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(parent);
            // One-line texts all: the list need not measure every item of a long list anew.
            list->setUniformItemSizes(true);
            connect(list, &QListWidget::currentRowChanged, this, [this, &control](int row) {
                try {
                    control.SetListIndex(row);
                } catch (const StepError&) {
                }
                ApplyListIndex(control);
            });
            widget = list;
            break;
        }
        case ControlKind::CheckBox: {
            auto* check = new QCheckBox(parent);
            // The box has already toggled itself; the model decides what it shows.
            connect(check, &QCheckBox::clicked, this, [this, &control] {
                control.UserClick();
                ApplyValue(control);
            });
            widget = check;
            break;
        }
        case ControlKind::OptionButton: {
            auto* button = new QPushButton(parent);
            button->setCheckable(true);
            button->setAutoExclusive(false);  // the model keeps the group exclusive
            connect(button, &QPushButton::clicked, this, [this, &control] {
                control.UserClick();
                ApplyValue(control);
            });
            widget = button;
            break;
        }
        case ControlKind::CommandButton: {
            auto* button = new QPushButton(parent);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this, [&control] { control.UserClick(); });
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
    widget->setObjectName(Q(control.index() < 0
                                ? control.name()
                                : control.name() + "(" + std::to_string(control.index()) + ")"));
    if (!control.toolTip().empty()) widget->setToolTip(Q(control.toolTip()));
    widgets_[&control] = widget;
    controlOf_[widget] = &control;
    return widget;
}

int TerminalView::TextRoom(const Control& control) const {
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

void TerminalView::ApplyAll(const Control& control) {
    ApplyCaption(control);
    ApplyItems(control);
    ApplyText(control);
    ApplyValue(control);
    // A colour of 0 is the one every control starts with: the platform's own.
    if (control.foreColor() != 0) ApplyForeColor(control);
    WidgetOf(control)->setEnabled(control.enabled());
    ApplyPosition(control);
}

void TerminalView::ApplyCaption(const Control& control) {
    QWidget* widget = WidgetOf(control);
    const QString caption = Q(control.caption());
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

void TerminalView::ApplyText(const Control& control) {
    QWidget* widget = WidgetOf(control);
    if (control.kind() == ControlKind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(widget);
        const QSignalBlocker block(combo);
        if (combo->currentText() != Q(control.text())) combo->setEditText(Q(control.text()));
    } else if (IsPane(control)) {
        static_cast<TerminalPane*>(widget)->Reset(control.text());
    } else if (control.kind() == ControlKind::TextBox) {
        auto* edit = static_cast<QLineEdit*>(widget);
        if (edit->text() != Q(control.text())) {
            edit->setText(Q(control.text()));
            ApplySelection(control);
        }
    }
}

void TerminalView::ApplySelection(const Control& control) {
    // The pane's caret is the log's business only; showing it would scroll the pane away
    // from a user reading older lines.
    if (control.kind() != ControlKind::TextBox || control.multiLine()) return;
    auto* edit = static_cast<QLineEdit*>(WidgetOf(control));
    const int start = static_cast<int>(control.selStart());
    const int length = static_cast<int>(control.selLength());
    if (length > 0) {
        edit->setSelection(start, length);
    } else {
        edit->setCursorPosition(start);
    }
}

void TerminalView::ApplyValue(const Control& control) {
    QWidget* widget = WidgetOf(control);
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

void TerminalView::ApplyItems(const Control& control) {
    QStringList items;
    for (const std::string& item : control.items()) items.append(Q(item));
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
    ApplyListIndex(control);
}

void TerminalView::ApplyListIndex(const Control& control) {
    if (control.kind() == ControlKind::ComboBox) {
        auto* combo = static_cast<QComboBox*>(WidgetOf(control));
        const QSignalBlocker block(combo);
        combo->setCurrentIndex(control.listIndex());
        // Choosing an entry rewrites the edit field; the model's text is what it shows.
        combo->setEditText(Q(control.text()));
    } else if (control.kind() == ControlKind::ListBox) {
        auto* list = static_cast<QListWidget*>(WidgetOf(control));
        const QSignalBlocker block(list);
        list->setCurrentRow(control.listIndex());
    }
}

void TerminalView::ApplyForeColor(const Control& control) {
    QWidget* widget = WidgetOf(control);
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

void TerminalView::ApplyStacking(const Control& container) {
    for (const Control* child : container.children()) WidgetOf(*child)->raise();
}

void TerminalView::ApplyPosition(const Control& control) {
    if (control.kind() == ControlKind::Form) {
        // The window's Left and Top are those of its outer frame, as move() takes them.
        window()->move(Px(control.rect().left), Px(control.rect().top));
        return;
    }
    WidgetOf(control)->setGeometry(PixelRect(control));
}

void TerminalView::ApplyTabOrder() {
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

void TerminalView::TextAppended(const Control& control, std::string_view appended) {
    if (IsPane(control)) {
        static_cast<TerminalPane*>(WidgetOf(control))->Append(appended);
    } else {
        ApplyText(control);
    }
}

void TerminalView::TextCutFront(const Control& control, std::size_t count) {
    if (IsPane(control)) {
        static_cast<TerminalPane*>(WidgetOf(control))->CutFront(count);
    } else {
        ApplyText(control);
    }
}

void TerminalView::TextReplaced(const Control& control) {
    ApplyText(control);
}

void TerminalView::PropertyChanged(const Control& control, Property property) {
    switch (property) {
        case Property::Caption:
            ApplyCaption(control);
            break;
        case Property::Text:
            ApplyText(control);
            break;
        case Property::Selection:
            ApplySelection(control);
            break;
        case Property::Enabled:
            WidgetOf(control)->setEnabled(control.enabled());
            break;
        case Property::Value:
            ApplyValue(control);
            break;
        case Property::ListIndex:
            ApplyListIndex(control);
            break;
        case Property::Items:
            ApplyItems(control);
            break;
        case Property::ForeColor:
            ApplyForeColor(control);
            break;
        case Property::Stacking:
            WidgetOf(control)->raise();
            break;
        case Property::Position:
            ApplyPosition(control);
            break;
    }
}

void TerminalView::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    if (onClose) onClose(cancel);
    event->setAccepted(cancel == 0);
}

bool TerminalView::eventFilter(QObject* watched, QEvent* event) {
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
