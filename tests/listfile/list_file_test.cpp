// Loading the object list from a file, and the field reader under it.
#include <gtest/gtest.h>

#include <sstream>

#include "platform/field_reader.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

std::vector<std::string> Fields(const std::string& text) {
    std::istringstream in(text);
    FieldReader reader(in);
    std::vector<std::string> fields;
    while (!reader.AtEnd()) fields.push_back(reader.Next());
    return fields;
}

struct FieldCase {
    const char* text;
    std::vector<std::string> fields;
};
class FieldReaderTest : public ::testing::TestWithParam<FieldCase> {};
TEST_P(FieldReaderTest, SplitsAtCommasAndLineEnds) {
    EXPECT_EQ(Fields(GetParam().text), GetParam().fields);
}
INSTANTIATE_TEST_SUITE_P(
    ListFile, FieldReaderTest,
    ::testing::Values(FieldCase{"5\r\nabc\r\n0\r\n", {"5", "abc", "0"}},
                      FieldCase{"7,3", {"7", "3"}}, FieldCase{"  12  ,  13\n", {"12", "13"}},
                      FieldCase{"\"1,2\",3\n", {"1,2", "3"}},
                      FieldCase{"\" 4 \" , 5", {" 4 ", "5"}},
                      FieldCase{"\"6\"x,7", {"6", "7"}},  // text after the quote is passed over
                      FieldCase{"8\n\n9", {"8", "", "9"}}, FieldCase{"1\r2\r", {"1", "2"}},
                      FieldCase{"", {}}, FieldCase{",", {""}}, FieldCase{"\"open", {"open"}}));

TEST(FieldReaderEnd, ReadingPastTheEndFails) {
    std::istringstream in("1");
    FieldReader reader(in);
    EXPECT_EQ(reader.Next(), "1");
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_THROW(reader.Next(), StepError);
}

class ListFileTest : public WindowTest {
  protected:
    void Load(const std::string& path) {
        fileDialog.answer = path;
        window.Command1_Click();
    }
    const std::vector<std::string>& List() { return window.List1.items(); }
};

TEST_F(ListFileTest, TakesOrdinaryObjectsOnlyInTextOrder) {
    files.files["mixed.onf"] = "5\r\nabc\r\n0\r\n8176\r\n8175\r\n12\r\n";
    Load("mixed.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"12", "5", "8175"}));
    EXPECT_FALSE(files.IsOpen());
}

TEST_F(ListFileTest, CommasQuotesFractionsAndDuplicates) {
    files.files["a.onf"] = "7,3\r\n\"44\", 2.5 ,-1, 007\r\n3\r\n";
    Load("a.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"2.5", "3", "3", "44", "7", "7"}));
}

TEST_F(ListFileTest, AFileWithoutOrdinaryObjectsEmptiesTheList) {
    files.files["empty.onf"] = "";
    Load("empty.onf");
    EXPECT_TRUE(List().empty());
    files.files["none.onf"] = "0\r\n8191\r\nword\r\n";
    Load("none.onf");
    EXPECT_TRUE(List().empty());
}

TEST_F(ListFileTest, TheDialogIsSetUpForObjectListFiles) {
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

TEST_F(ListFileTest, CancellingOrAnUnreadableFileKeepsTheList) {
    files.files["good.onf"] = "100\r\n200\r\n";
    Load("good.onf");
    fileDialog.answer.reset();
    window.Command1_Click();
    EXPECT_EQ(List(), (std::vector<std::string>{"100", "200"}));
    Load("missing.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"100", "200"}));
    EXPECT_TRUE(messages.shown.empty()) << "the load never reports";
}

TEST_F(ListFileTest, AReadFailingPartWayKeepsWhatWasReadAndClosesTheFile) {
    files.files["broken.onf"] = "10\r\n20\r\n30\r\n";
    files.failAfterFields["broken.onf"] = 2;
    Load("broken.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"10", "20"}));
    EXPECT_FALSE(files.IsOpen());
    files.files["next.onf"] = "40";
    Load("next.onf");
    EXPECT_EQ(List(), std::vector<std::string>{"40"}) << "a failed load never blocks the next";
}

TEST_F(ListFileTest, ALoadedListDrivesTheNextListJob) {
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
