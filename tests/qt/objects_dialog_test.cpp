// The dialog behind Jobs > Read objects... and Write objects...: what it takes and refuses,
// where the keyboard goes, what it remembers from one opening to the next, and the list files
// it loads.
#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <numeric>
#include <string>
#include <vector>

#include "support/test_application.h"
#include "widgets/objects_dialog.h"

namespace zelmar {
namespace {

std::vector<int> Objects(int first, int last) {
    std::vector<int> objects(static_cast<std::size_t>(last - first + 1));
    std::iota(objects.begin(), objects.end(), first);
    return objects;
}

// The technician's click on the dialog's Read or Write button.
void ClickStart(ObjectsDialog& dialog) {
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
}

// The note under the list choice: the one label that is neither a box's caption nor the
// problem.
QString ListNote(const ObjectsDialog& dialog) {
    QStringList notes;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        if (label != dialog.Problem() && label->buddy() == nullptr) notes << label->text();
    EXPECT_EQ(notes.size(), 1) << notes.join(" | ").toStdString();
    return notes.value(0);
}

class ObjectsDialogTest : public ::testing::Test {
  protected:
    ObjectsDialogTest() { testing::TestApplication(); }

    QString WriteList(const QString& name, const QByteArray& text) {
        QFile file(dir_.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return file.fileName();
    }

    QTemporaryDir dir_;
    ObjectsDialog::Memory memory_;
};

TEST_F(ObjectsDialogTest, RefusesABadRangeInTheDialogAndTakesAGoodOne) {
    const struct {
        const char* from;
        const char* to;
        int first, last;      // the objects taken, when the range is
        const char* problem;  // the refusal shown, when it is not
    } cases[] = {
        {"abc", "5", 0, 0, "Objects are whole numbers from 0 to 8191; \"abc\" is not one."},
        {"", "5", 0, 0, "Objects are whole numbers from 0 to 8191; an empty box is not one."},
        {"9000", "9100", 0, 0, "Objects are whole numbers from 0 to 8191; \"9000\" is not one."},
        {"300", "100", 0, 0, "The first object, 300, is above the last, 100."},
        {"2.5", "4", 0, 0, "Objects are whole numbers from 0 to 8191; \"2.5\" is not one."},
        {"0", "5", 0, 5, nullptr},
        {"100", "110", 100, 110, nullptr},
        {"8191", "8191", 8191, 8191, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.from) + " to " + c.to);
        ObjectsDialog dialog(Direction::Read, memory_, nullptr);
        dialog.show();
        dialog.From()->setText(c.from);
        dialog.To()->setText(c.to);
        ClickStart(dialog);
        if (c.problem) {
            EXPECT_TRUE(dialog.isVisible()) << "a refused range closed the dialog";
            EXPECT_TRUE(dialog.Problem()->isVisible());
            EXPECT_EQ(dialog.Problem()->text().toStdString(), c.problem);
            EXPECT_TRUE(dialog.Objects().empty());
            EXPECT_EQ(dialog.From()->selectedText().toStdString(), c.from)
                << "ready to be typed over";
        } else {
            EXPECT_FALSE(dialog.isVisible());
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.Objects(), Objects(c.first, c.last));
        }
    }
}

TEST_F(ObjectsDialogTest, OpensInFromWithItsTextSelectedTabsToToAndEnterStarts) {
    ObjectsDialog dialog(Direction::Write, memory_, nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.From());
    EXPECT_EQ(dialog.From()->selectedText(), "1");
    // Typing replaces the selected text; Tab selects the next box's text in turn.
    QTest::keyClicks(dialog.From(), "100");
    QTest::keyClick(dialog.From(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dialog.To());
    QTest::keyClicks(dialog.To(), "110");
    QTest::keyClick(dialog.To(), Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.Objects(), Objects(100, 110));
}

TEST_F(ObjectsDialogTest, TheNextOpeningOffersTheLastRangeAndTheLastList) {
    {
        ObjectsDialog first(Direction::Read, memory_, nullptr);
        first.From()->setText("20");
        first.To()->setText("30");
        ClickStart(first);
    }
    {
        ObjectsDialog second(Direction::Write, memory_, nullptr);
        EXPECT_EQ(second.From()->text(), "20");
        EXPECT_EQ(second.To()->text(), "30");
        EXPECT_FALSE(second.ListChoice()->isChecked());
        ASSERT_TRUE(second.LoadList(WriteList("few.onf", "7\n3\n")));
        ClickStart(second);
    }
    ObjectsDialog third(Direction::Read, memory_, nullptr);
    EXPECT_TRUE(third.ListChoice()->isChecked());
    EXPECT_TRUE(third.ListChoice()->text().contains("Objects of few.onf (2 objects)"))
        << third.ListChoice()->text().toStdString();
    ClickStart(third);
    EXPECT_EQ(third.Objects(), (std::vector<int>{3, 7}));
}

TEST_F(ObjectsDialogTest, LoadsAListInNumericOrderAndTellsWhatItSkipped) {
    const struct {
        const char* text;
        std::vector<int> objects;  // none: the file is refused
        const char* shown;         // the skip note, or the refusal
    } cases[] = {
        {"200\n15\n5\n300\n10\n", {5, 10, 15, 200, 300}, ""},
        {"10\n10\n2.5\n", {2, 10}, ""},
        {"5\nabc\n9000\n10\n",
         {5, 10},
         "2 entries named no object from 1 to 8175 and were skipped; the first is \"abc\" "
         "(entry 2)."},
        {"0\n8176\n",
         {},
         "list.onf names no object from 1 to 8175. 2 entries named no object from 1 to 8175 and "
         "were skipped; the first is \"0\" (entry 1)."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ObjectsDialog::Memory memory;
        ObjectsDialog dialog(Direction::Read, memory, nullptr);
        dialog.show();
        const bool loaded = dialog.LoadList(WriteList("list.onf", c.text));
        EXPECT_EQ(loaded, !c.objects.empty());
        EXPECT_EQ(dialog.ListChoice()->isChecked(), loaded);
        EXPECT_EQ(dialog.Problem()->isVisible(), !loaded);
        EXPECT_EQ((loaded ? ListNote(dialog) : dialog.Problem()->text()).toStdString(), c.shown);
        ClickStart(dialog);
        // A refused file leaves the range chosen, which the dialog then takes.
        EXPECT_EQ(dialog.Objects(), loaded ? c.objects : Objects(1, 8175));
    }
}

}  // namespace
}  // namespace zelmar
