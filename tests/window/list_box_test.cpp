// The object list as the window shows it: the "Objects num." button's dialog, the list box
// that keeps a loaded list sorted as text, a list kept when the load is cancelled or refused,
// and the next list job that walks it.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

class ListBoxTest : public WindowTest {
  protected:
    void Load(const std::string& path) {
        fileDialog.answer = path;
        window.Command1_Click();
    }
    const std::vector<std::string>& List() { return window.List1.items(); }
};

TEST_F(ListBoxTest, TakesOrdinaryObjectsOnlyInTextOrder) {
    files.files["mixed.onf"] = "5\r\nabc\r\n0\r\n8176\r\n8175\r\n12\r\n";
    Load("mixed.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"12", "5", "8175"}));
    EXPECT_FALSE(files.IsOpen());
}

TEST_F(ListBoxTest, AFileWithoutOrdinaryObjectsEmptiesTheList) {
    files.files["empty.onf"] = "";
    Load("empty.onf");
    EXPECT_TRUE(List().empty());
    files.files["none.onf"] = "0\r\n8191\r\nword\r\n";
    Load("none.onf");
    EXPECT_TRUE(List().empty());
}

TEST_F(ListBoxTest, TheDialogIsSetUpForObjectListFiles) {
    files.files["x.onf"] = "1";
    Load("x.onf");
    ASSERT_TRUE(fileDialog.lastSettings);
    EXPECT_EQ(fileDialog.lastSettings->dialogTitle, "Objekts Number File");
    EXPECT_EQ(fileDialog.lastSettings->defaultExt, "LOG");
    EXPECT_EQ(fileDialog.lastSettings->filter,
              "All Files (*.*)|*.*|Objekts Number Files (*.onf)|*.onf");
    EXPECT_EQ(fileDialog.lastSettings->flags, 4);
    EXPECT_TRUE(fileDialog.lastSettings->cancelError);
}

TEST_F(ListBoxTest, CancellingOrAnUnreadableFileKeepsTheList) {
    files.files["good.onf"] = "100\r\n200\r\n";
    Load("good.onf");
    fileDialog.answer.reset();
    window.Command1_Click();
    EXPECT_EQ(List(), (std::vector<std::string>{"100", "200"}));
    EXPECT_TRUE(messages.shown.empty()) << "cancelling is no failure";
    Load("missing.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"100", "200"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Cannot open missing.onf: File not found");
}

TEST_F(ListBoxTest, ALoadedListDrivesTheNextListJob) {
    files.files["jobs.onf"] = "9,10,100\r\n";
    Load("jobs.onf");
    Connect();
    Feed({172});
    window.Command2.UserClick();
    EXPECT_EQ(window.Text1.text(), "10");
    EXPECT_EQ(window.Text2.text(), "9");
    EXPECT_EQ(state.CurObject, Number::Double(10));
    EXPECT_EQ(state.EndObject, Number::Double(9));
}

}  // namespace
}  // namespace zelmar::testing
