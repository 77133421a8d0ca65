// The window on screen, offscreen: widgets placed, stacked and ordered as the model says,
// the user's input flowing into the model, and the model's changes flowing back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOption>
#include <QTest>
#include <QTextBlock>
#include <algorithm>
#include <set>

#include "dialogue/terminal_log.h"
#include "support/test_application.h"
#include "support/window_fixture.h"
#include "widgets/form_view.h"
#include "widgets/terminal_pane.h"

namespace zelmar {
namespace {

using testing::TestApplication;

class ViewTest : public testing::WindowTest {
  protected:
    // The view watches from before start-up, as in the program.
    ViewTest() : app_(TestApplication()), view(window.controls, 96) {}

    void SetUp() override {
        WindowTest::SetUp();
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QWidget* W(const Control& control) const { return view.WidgetOf(control); }
    TerminalPane* Pane() const { return static_cast<TerminalPane*>(W(window.txtTerm)); }

    // The topmost widget of the port bar at the centre of a lamp's place.
    QWidget* LampInFront(const Control& lamp) const {
        return W(window.Frame1)->childAt(W(lamp)->geometry().center());
    }

    // What the log does with one entry: caret to the end, entry in at the caret; then what
    // the pane shows once its frame has come.
    void Append(const std::string& entry) {
        window.txtTerm.SetSelStart(window.txtTerm.text().size());
        window.txtTerm.SetSelText(entry);
        Pane()->Flush();
    }

    // The line at the top of the pane's view.
    QString TopLine() const { return Pane()->cursorForPosition(QPoint(2, 2)).block().text(); }

    QString PaneText() const { return Pane()->Text(); }
    // The document as it stands, without bringing it up to date.
    QByteArray FromDocumentNow() const {
        return TerminalPane::FromDocument(Pane()->toPlainText()).toLatin1();
    }
    QString ModelText() const { return QString::fromLatin1(window.txtTerm.text()); }

    QApplication& app_;
    FormView view;
};

TEST_F(ViewTest, WindowHasItsCaptionIconAndClientSize) {
    EXPECT_EQ(view.windowTitle(), "Zelmar (ver.4.0) programator");
    EXPECT_EQ(view.size(), QSize(338, 279));
    EXPECT_FALSE(view.windowIcon().isNull());
}

TEST_F(ViewTest, ScreenResolutionIsTheDefault) {
    // Offscreen reports 96 dots per inch, so the view made without one has the same size.
    FormView plain(window.controls);
    window.controls.observer = &view;  // the second view must not steal the first's changes
    EXPECT_EQ(plain.size(), QSize(338, 279));
}

TEST_F(ViewTest, EveryControlSitsWhereTheModelPutsIt) {
    for (const auto& owned : window.controls.all()) {
        const Control& control = *owned;
        if (control.kind() == ControlKind::Form) continue;
        SCOPED_TRACE(control.name() + " " + std::to_string(control.index()));
        QWidget* widget = W(control);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->parentWidget(), W(*control.container()));
        const Twips& r = control.rect();
        // 15 twips to the pixel at 96 dots per inch; the layout keeps to whole pixels.
        const QPoint place(static_cast<int>(r.left) / 15, static_cast<int>(r.top) / 15);
        if (control.kind() == ControlKind::Label && control.autoSize()) {
            EXPECT_EQ(widget->pos(), place);
            EXPECT_EQ(widget->size(), widget->sizeHint());
            EXPECT_GT(widget->width(), 0);
        } else {
            EXPECT_EQ(widget->geometry(), QRect(place, QSize(r.width / 15, r.height / 15)));
        }
        EXPECT_TRUE(widget->isVisibleTo(&view));
        EXPECT_EQ(!widget->testAttribute(Qt::WA_ForceDisabled), control.enabled());
        EXPECT_EQ(widget->toolTip().toStdString(), control.toolTip());
    }
}

// Where a control's widget draws its caption or the chosen list item, by its own style.
QRect TextRect(const Control& control, QWidget* w) {
    QStyle* style = w->style();
    switch (control.kind()) {
        case ControlKind::Label:
            return w->contentsRect();
        case ControlKind::CheckBox: {
            QStyleOptionButton option;
            option.initFrom(w);
            return style->subElementRect(QStyle::SE_CheckBoxContents, &option, w);
        }
        case ControlKind::OptionButton:
        case ControlKind::CommandButton: {
            QStyleOptionButton option;
            option.initFrom(w);
            return style->subElementRect(QStyle::SE_PushButtonContents, &option, w);
        }
        case ControlKind::ComboBox: {
            QStyleOptionComboBox option;
            option.initFrom(w);
            option.editable = true;
            const QRect field = style->subControlRect(QStyle::CC_ComboBox, &option,
                                                      QStyle::SC_ComboBoxEditField, w);
            // The edit field keeps two pixels either side of its text, and scrolls the text
            // away once it and the caret need more.
            const QLineEdit* edit = static_cast<QComboBox*>(w)->lineEdit();
            return field.marginsRemoved(edit->textMargins()).adjusted(2, 0, -3, 0);
        }
        default:
            return {};
    }
}

TEST_F(ViewTest, EveryCaptionAndListItemFitsItsControl) {
    int measured = 0;
    for (const auto& owned : window.controls.all()) {
        const Control& control = *owned;
        QWidget* w = W(control);
        const QRect room = TextRect(control, w);
        if (room.isNull()) continue;
        const bool list = control.kind() == ControlKind::ComboBox;
        for (const std::string& text : list ? control.items() : std::vector{control.caption()}) {
            if (text.empty()) continue;
            const int width = w->fontMetrics().horizontalAdvance(QString::fromLatin1(text));
            EXPECT_LE(width, room.width()) << control.name() << " \"" << text << "\"";
            ++measured;
            if (control.kind() != ControlKind::Label) continue;
            const QRect drawn(w->pos() + room.topLeft(), QSize(width, w->fontMetrics().height()));
            for (const Control* sibling : control.container()->children())
                EXPECT_TRUE(sibling == &control || !drawn.intersects(W(*sibling)->geometry()))
                    << control.name() << " runs into " << sibling->name();
        }
    }
    EXPECT_GT(measured, 50);
}

TEST_F(ViewTest, WidgetsShowTheControlsTextsAfterStartUp) {
    const struct {
        const Control& control;
        QString shown;
    } cases[] = {
        {window.Label5, "Object"},
        {window.ch_1_0, " 0 - Disable"},
        {window.Text1, "1"},
        {window.Text4, "1"},
        {window.Option1(1), "COM 1"},
        {window.Frame3, " Write "},
        {window.Frame4, " Repeaters : "},
        {window.Command1, "Objects num."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.control.name());
        QWidget* w = W(c.control);
        QString shown;
        if (auto* label = qobject_cast<QLabel*>(w)) shown = label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) shown = button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w)) shown = edit->text();
        if (auto* box = qobject_cast<QGroupBox*>(w)) shown = box->title();
        EXPECT_EQ(shown, c.shown);
    }
    auto* combo = static_cast<QComboBox*>(W(window.Combo2));
    EXPECT_EQ(combo->count(), 8);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), "");
}

TEST_F(ViewTest, WindowStandsWhereStartUpCentredIt) {
    // Screen 15360 x 11520 twips, window 5070 + 120 by 4185 + 450: Left 5085, Top 3442.5.
    EXPECT_EQ(view.pos(), QPoint(339, 230));
}

TEST_F(ViewTest, TabOrderFollowsTabIndex) {
    std::vector<std::pair<int, QWidget*>> expected;
    for (const auto& control : window.controls.all())
        if (control->tabIndex() && W(*control)->focusPolicy() != Qt::NoFocus)
            expected.emplace_back(*control->tabIndex(), W(*control));
    std::sort(expected.begin(), expected.end());
    ASSERT_GT(expected.size(), 40u);
    std::set<QWidget*> wanted;
    for (const auto& [tab, widget] : expected) wanted.insert(widget);

    std::vector<QWidget*> chain;
    QWidget* w = expected.front().second;
    for (int step = 0; step < 1000 && chain.size() < expected.size();
         ++step, w = w->nextInFocusChain())
        if (wanted.count(w) && std::find(chain.begin(), chain.end(), w) == chain.end())
            chain.push_back(w);
    ASSERT_EQ(chain.size(), expected.size());
    for (std::size_t i = 0; i < chain.size(); ++i)
        EXPECT_EQ(chain[i], expected[i].second) << "place " << i << ", tab " << expected[i].first;
}

TEST_F(ViewTest, OptionButtonsStayPressedWhileSelectedInTheModel) {
    const auto pressed = [this](const Control& option) {
        auto* button = static_cast<QPushButton*>(W(option));
        EXPECT_TRUE(button->isCheckable());
        EXPECT_FALSE(button->autoExclusive());
        return button->isChecked();
    };
    EXPECT_TRUE(pressed(window.Option1(1)));
    EXPECT_FALSE(pressed(window.Option1(2)));
    EXPECT_TRUE(pressed(window.Option2(2)));
    EXPECT_FALSE(pressed(window.Option2(1)));
    EXPECT_TRUE(pressed(window.Option3(2)));

    window.Option1(3).SetValue(1);
    for (int n = 1; n <= 4; ++n) EXPECT_EQ(pressed(window.Option1(n)), n == 3) << n;
}

TEST_F(ViewTest, ClickOnAnOptionSelectsItInTheModel) {
    QTest::mouseClick(W(window.Option1(2)), Qt::LeftButton);
    EXPECT_EQ(window.Option1(2).value(), 1);
    EXPECT_EQ(window.Option1(1).value(), 0);
    EXPECT_EQ(port.CommPort(), 2);
    EXPECT_FALSE(static_cast<QPushButton*>(W(window.Option1(1)))->isChecked());

    // A second click does not release it: the group keeps one selected.
    QTest::mouseClick(W(window.Option1(2)), Qt::LeftButton);
    EXPECT_TRUE(static_cast<QPushButton*>(W(window.Option1(2)))->isChecked());
    EXPECT_EQ(window.Option1(2).value(), 1);
}

TEST_F(ViewTest, ClickOnACheckBoxTogglesTheModel) {
    auto* clear = static_cast<QCheckBox*>(W(window.chClear));
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(window.chClear.value(), 1);
    EXPECT_TRUE(clear->isChecked());
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(window.chClear.value(), 0);
    EXPECT_FALSE(clear->isChecked());
}

TEST_F(ViewTest, CheckBoxInADisabledFrameTakesNoClickUntilThePortOpens) {
    auto* check = static_cast<QCheckBox*>(W(window.ch_1_0));
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(window.ch_1_0.value(), 0);

    Connect();
    QTest::mouseClick(check, Qt::LeftButton);
    EXPECT_EQ(window.ch_1_0.value(), 1);
    EXPECT_EQ(check->text(), " 1 - Repeat");  // the click handler's caption came back
}

TEST_F(ViewTest, LampInFrontIsTheOneSeenAndClicked) {
    EXPECT_EQ(LampInFront(window.imgConnected), W(window.imgNotConnected));
    EXPECT_EQ(LampInFront(window.Image1(0)), W(window.Image1(3)));

    QWidget* red = LampInFront(window.imgConnected);
    QTest::mouseClick(red, Qt::LeftButton, {}, red->rect().center());
    ASSERT_TRUE(port.PortOpen());
    EXPECT_EQ(LampInFront(window.imgConnected), W(window.imgConnected));
    EXPECT_FALSE(W(window.Option1(1))->isEnabled());
    EXPECT_TRUE(W(window.Text1)->isEnabled());

    window.Image1(1).BringToFront();
    EXPECT_EQ(LampInFront(window.Image1(0)), W(window.Image1(1)));
    window.Image1(0).BringToFront();
    EXPECT_EQ(LampInFront(window.Image1(3)), W(window.Image1(0)));
}

TEST_F(ViewTest, TheGreenLampsRimTakesAClickForTheRedLampInFront) {
    QWidget* green = W(window.imgConnected);
    const int rim = green->width() - 1;
    ASSERT_EQ(W(window.imgNotConnected)->width(), rim) << "the red lamp leaves a rim uncovered";
    for (const QPoint pixel : {QPoint(rim, 2), QPoint(2, rim), QPoint(rim, rim)}) {
        ASSERT_EQ(LampInFront(window.imgConnected), W(window.imgNotConnected));
        ASSERT_EQ(W(window.Frame1)->childAt(green->mapToParent(pixel)), green);
        QTest::mouseClick(green, Qt::LeftButton, {}, pixel);
        ASSERT_TRUE(port.PortOpen());
        EXPECT_TRUE(window.Frame2.enabled()) << "the connect steps ran";
        window.imgConnected_Click();
    }
}

TEST_F(ViewTest, SettingsPanelCoversTheJobFramesButForAStrip) {
    // Frame5 ends at 3495 twips (233 px), the job frames at 3585 (239 px).
    const QPoint inPanel(120, 80);
    const QPoint inStrip(236, 80);
    QWidget* atPanel = view.childAt(inPanel);
    ASSERT_NE(atPanel, nullptr);
    EXPECT_TRUE(atPanel == W(window.Frame5) || W(window.Frame5)->isAncestorOf(atPanel));
    EXPECT_EQ(view.childAt(inStrip), W(window.Frame2));
    EXPECT_EQ(view.childAt(QPoint(236, 200)), W(window.Frame3));
}

TEST_F(ViewTest, PaneTakesAppendsAndCutsInPlace) {
    EXPECT_EQ(Pane()->palette().color(QPalette::Text), QColor(0, 0, 255));
    QSignalSpy changes(Pane()->document(), &QTextDocument::contentsChange);

    Append("172\r\n");
    Append("35 - 8176\r\n");
    Append("17");
    EXPECT_EQ(PaneText(), ModelText());
    ASSERT_EQ(changes.size(), 3);
    EXPECT_EQ(changes[2][0].toInt(), 16);  // at the end: nothing before it was touched
    EXPECT_EQ(changes[2][1].toInt(), 0);

    while (window.txtTerm.text().size() < 16010) Append("202\r\n");
    changes.clear();
    // The log's cut: the first 4096 characters, wherever that falls.
    window.txtTerm.CutFront(4096);
    Pane()->Flush();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0][0].toInt(), 0);
    EXPECT_EQ(changes[0][1].toInt() - changes[0][2].toInt(), 4096);
    EXPECT_EQ(PaneText(), ModelText());
}

TEST_F(ViewTest, PaneGathersAFramesChangesIntoOneEdit) {
    Append("x");
    QSignalSpy changes(Pane()->document(), &QTextDocument::contentsChange);
    for (int i = 0; i < 50; ++i) {
        window.txtTerm.SetSelStart(window.txtTerm.text().size());
        window.txtTerm.SetSelText(std::to_string(i) + " - 8176\r\n");
    }
    window.txtTerm.CutFront(7);  // a cut in the same frame
    EXPECT_TRUE(changes.isEmpty()) << "nothing reaches the document before its frame";
    // The frame comes by itself.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, 1000));
    EXPECT_EQ(changes.size(), 2) << "one insertion, one cut";
    EXPECT_EQ(PaneText(), ModelText());
    // Any other change shows at once and drops what was gathered before it.
    Append("tail");
    window.txtTerm.SetSelStart(window.txtTerm.text().size());
    window.txtTerm.SetSelText("more");
    window.txtTerm.SetText("new");
    EXPECT_EQ(QString::fromLatin1(FromDocumentNow()), "new");
}

TEST_F(ViewTest, PaneLineEndsMapBothWays) {
    for (const char* text : {"", "172\r\n", "a\rb", "\nfirst cut mid-line", "1\r\n\r\n2"}) {
        SCOPED_TRACE(text);
        window.txtTerm.SetText(text);
        EXPECT_EQ(PaneText(), ModelText());
        EXPECT_EQ(Pane()->document()->characterCount() - 1,
                  static_cast<int>(window.txtTerm.text().size()));
    }
}

TEST_F(ViewTest, ValuesRunningTogetherStayInShortParagraphs) {
    // Noise on the line logs bare digits with no line end: one paragraph of 16000 characters
    // would be laid out anew at every append.
    const std::size_t limit = Pane()->RunLimit();
    ASSERT_GT(limit, 4u);
    for (int i = 0; i < 2000; ++i) Append(std::to_string(100 + i % 900));
    Append("35 - 8176\r\n");
    EXPECT_EQ(PaneText(), ModelText());
    int longest = 0;
    for (QTextBlock b = Pane()->document()->begin(); b.isValid(); b = b.next())
        longest = std::max(longest, static_cast<int>(b.length()));
    EXPECT_LE(longest, static_cast<int>(limit) + 2);

    // Cuts wherever they fall, also right at one of the pane's breaks.
    for (std::size_t cut : {std::size_t{4096}, limit - 4096 % limit, std::size_t{1}}) {
        window.txtTerm.CutFront(cut);
        EXPECT_EQ(PaneText(), ModelText()) << cut;
        EXPECT_NE(Pane()->document()->begin().text(), "") << "no empty line left at the top";
    }

    // A copy holds the log's own characters only.
    Pane()->selectAll();
    Pane()->copy();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), ModelText());
}

TEST_F(ViewTest, PaneFollowsTheNewestLineOnlyWhileAtTheBottom) {
    QScrollBar* bar = Pane()->verticalScrollBar();
    for (int i = 0; i < 300; ++i) Append(std::to_string(i) + " - 8176\r\n");
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), bar->maximum());

    // A user reading older lines keeps them in front of him, through appends and cuts.
    bar->setValue(bar->maximum() / 2);
    const QString reading = TopLine();
    for (int i = 0; i < 20; ++i) Append("202\r\n");
    EXPECT_EQ(TopLine(), reading);
    window.txtTerm.CutFront(600);
    Pane()->Flush();
    EXPECT_EQ(TopLine(), reading);
    EXPECT_LT(bar->value(), bar->maximum());

    bar->setValue(bar->maximum());
    Append("172\r\n");
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ViewTest, LogsCutKeepsTheReaderWhateverTheCharactersAtTheCut) {
    // The characters put both at the front and where the cut falls: a pane that reads the
    // same there could pass for one changed further on.
    for (const std::string same : {"", "0 ", "\r\n"}) {
        SCOPED_TRACE(same);
        std::string text;
        for (int i = 0; text.size() <= 16000; ++i) text += std::to_string(i) + " - 8176\r\n";
        text.resize(16001);
        text.replace(0, same.size(), same);
        text.replace(4096, same.size(), same);
        window.txtTerm.SetText(text);
        QScrollBar* bar = Pane()->verticalScrollBar();
        bar->setValue(bar->maximum() / 2);
        const QString reading = TopLine();

        window.log.Write({LogEntry::Kind::Data, 17, Number::Int16(8176)}, false);
        Pane()->Flush();
        ASSERT_EQ(window.txtTerm.text(), text.substr(4096) + "17 - 8176\r\n");
        EXPECT_EQ(TopLine(), reading);
        EXPECT_EQ(PaneText(), ModelText());
    }
}

// A small window of its own, for what the programmer's window does not show on its own.
class BoxesTest : public ::testing::Test {
  protected:
    static ControlDefinition Def(std::string name, ControlKind kind, Twips rect,
                                 std::optional<int> tab) {
        ControlDefinition d;
        d.name = std::move(name);
        d.kind = kind;
        d.container = kind == ControlKind::Form ? "" : "Form";
        d.rect = rect;
        d.tabIndex = tab;
        return d;
    }

    static std::vector<ControlDefinition> Definitions() {
        ControlDefinition box = Def("Box", ControlKind::TextBox, {0, 0, 1500, 300}, 0);
        box.maxLength = 4;
        ControlDefinition combo = Def("Combo", ControlKind::ComboBox, {0, 900, 1500, 300}, 2);
        combo.items = {"0 sec", "10 msec", "20 msec", "50 msec"};
        return {Def("Form", ControlKind::Form, {0, 0, 3000, 3000}, {}), box,
                Def("Other", ControlKind::TextBox, {0, 450, 1500, 300}, 1), combo};
    }

    BoxesTest() : app_(TestApplication()), model(Definitions()), view(model, 96) {
        model.Get("Box").onChange = [this] { ++changes; };
        model.Get("Box").onValidate = [this] { ++validations; };
    }

    void SetUp() override {
        view.show();
        view.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&view));
    }

    QLineEdit* Edit(const char* name) {
        return static_cast<QLineEdit*>(view.WidgetOf(model.Get(name)));
    }

    QApplication& app_;
    ControlModel model;
    FormView view;
    int changes = 0;
    int validations = 0;
};

TEST_F(BoxesTest, LengthLimitBindsTheUserButNotTheProgram) {
    Control& box = model.Get("Box");
    QLineEdit* edit = Edit("Box");
    box.SetText("Text1234");
    EXPECT_EQ(edit->text(), "Text1234");  // shown whole
    changes = 0;

    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_End);
    QTest::keyClicks(edit, "x");
    EXPECT_EQ(edit->text(), "Text1234");
    EXPECT_EQ(box.text(), "Text1234");
    EXPECT_EQ(changes, 0);

    QTest::keyClick(edit, Qt::Key_Backspace);  // shortening is allowed
    EXPECT_EQ(box.text(), "Text123");
    EXPECT_EQ(changes, 1);

    edit->selectAll();
    QTest::keyClicks(edit, "123456");
    EXPECT_EQ(box.text(), "1234");
    EXPECT_EQ(edit->text(), "1234");
}

TEST_F(BoxesTest, HandlersRewritingTheTextShowAtOnce) {
    Control& box = model.Get("Box");
    // A handler that keeps digits only, as the object boxes do with what they refuse.
    box.onChange = [&box] {
        std::string digits;
        for (char c : box.text())
            if (c >= '0' && c <= '9') digits += c;
        if (digits == box.text()) return;
        box.SetText(digits);  // puts the caret in front, as setting a text from code does
        box.SetSelStart(digits.size());
    };
    QLineEdit* edit = Edit("Box");
    edit->setFocus();
    QTest::keyClicks(edit, "1a2");
    EXPECT_EQ(box.text(), "12");
    EXPECT_EQ(edit->text(), "12");
    EXPECT_EQ(edit->cursorPosition(), 2);

    box.SetText("345");
    EXPECT_EQ(edit->text(), "345");
    EXPECT_EQ(edit->cursorPosition(), 0);
}

TEST_F(BoxesTest, LeavingATextBoxValidatesIt) {
    QLineEdit* edit = Edit("Box");
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return edit->hasFocus(); }));
    EXPECT_EQ(validations, 0);
    QTest::keyClick(edit, Qt::Key_Tab);
    EXPECT_TRUE(Edit("Other")->hasFocus());
    EXPECT_EQ(validations, 1);
}

TEST_F(BoxesTest, ComboListIndexGoesBothWays) {
    Control& control = model.Get("Combo");
    auto* combo = static_cast<QComboBox*>(view.WidgetOf(control));
    EXPECT_EQ(combo->currentIndex(), -1);

    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);  // the user picks the first entry
    EXPECT_EQ(control.listIndex(), 0);
    EXPECT_EQ(control.text(), "0 sec");

    control.SetListIndex(3);
    EXPECT_EQ(combo->currentIndex(), 3);
    EXPECT_EQ(combo->currentText(), "50 msec");
    control.SetListIndex(-1);
    EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(combo->currentText(), "");

    QTest::keyClicks(combo->lineEdit(), "7 sec");
    EXPECT_EQ(control.text(), "7 sec");
    EXPECT_EQ(combo->count(), 4);  // typing adds nothing to the list
}

}  // namespace
}  // namespace zelmar
