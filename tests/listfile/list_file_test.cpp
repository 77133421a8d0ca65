// Loading the object list from a file, and the field reader under it.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <fstream>
#include <sstream>

#include "files/list_file.h"
#include "numbers/field_reader.h"
#include "ports/file_input.h"
#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

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
    EXPECT_TRUE(messages.shown.empty()) << "cancelling is no failure";
    Load("missing.onf");
    EXPECT_EQ(List(), (std::vector<std::string>{"100", "200"}));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Cannot open missing.onf: File not found");
}

TEST_F(ListFileTest, AReadFailingPartWayKeepsWhatWasReadAndClosesTheFile) {
    // A failed step, or the stream library's own exception at the end-of-file test.
    for (const bool asStream : {false, true}) {
        SCOPED_TRACE(asStream);
        files.failAsStream = asStream;
        files.files["broken.onf"] = "10\r\n20\r\n30\r\n";
        files.failAfterFields["broken.onf"] = 2;
        Load("broken.onf");
        EXPECT_EQ(List(), (std::vector<std::string>{"10", "20"}));
        EXPECT_FALSE(files.IsOpen());
        files.files["next.onf"] = "40";
        Load("next.onf");
        EXPECT_EQ(List(), std::vector<std::string>{"40"}) << "a failed load never blocks the next";
    }
    EXPECT_TRUE(messages.shown.empty());
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

// Files on disk through the program's own file input, over a list that held "100" before.
struct DiskCase {
    const char* name;
    std::string content;  // of the file chosen, unless `path` names another
    std::string path;     // "": the file written; relative: under the test's temporary directory
    std::vector<std::string> list;
    const char* refusal;  // nullptr: no box; else part of the one box's text, beside the path
    friend std::ostream& operator<<(std::ostream& out, const DiskCase& c) { return out << c.name; }
};

std::string Sevens(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "7\r\n";
    return text;
}

class DiskListTest : public ::testing::TestWithParam<DiskCase> {
  protected:
    DiskListTest() : window(Platform{port, messages, screen, fileDialog, input}) {}
    MemorySerialPort port;
    RecordingMessageBox messages;
    FixedScreen screen;
    ScriptedFileDialog fileDialog;
    FileInput input;
    frmTerminal window;
};

TEST_P(DiskListTest, LoadsOrRefusesWithOneBox) {
    const DiskCase& c = GetParam();
    window.Form_Load();
    window.List1.SetItems({"100"});
    std::string path = ::testing::TempDir() + "list_" + c.name + ".onf";
    if (c.path.empty()) {
        std::ofstream(path, std::ios::binary) << c.content;
    } else {
        path = c.path.front() == '/' ? c.path : ::testing::TempDir() + c.path;
    }
    fileDialog.answer = path;
    window.Command1_Click();
    EXPECT_EQ(window.List1.items(), c.list);
    EXPECT_FALSE(input.IsOpen());
    ASSERT_EQ(messages.shown.size(), c.refusal ? 1u : 0u);
    if (!c.refusal) return;
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[0].caption, "Zelmar prg");
    EXPECT_THAT(messages.shown[0].text, AllOf(HasSubstr(path), HasSubstr(c.refusal)));
}

INSTANTIATE_TEST_SUITE_P(
    ListFile, DiskListTest,
    ::testing::Values(
        DiskCase{"Bom",
                 "\xEF\xBB\xBF"
                 "5\r\n6\r\n",
                 "",
                 {"5", "6"},
                 nullptr},
        DiskCase{"BomBeforeQuote", "\xEF\xBB\xBF\"7\",8", "", {"7", "8"}, nullptr},
        DiskCase{"NoBomButItsFirstByte",
                 "\xEF"
                 "9,10",
                 "",
                 {"10"},
                 nullptr},
        // Taken when rounding half to even lands on 1..8175; the text stays as written.
        DiskCase{"Fractions",
                 "0.4,0.5,1.5,2.5,-0.4,8175.4,8175.5,3.5",
                 "",
                 {"1.5", "2.5", "3.5", "8175.4"},
                 nullptr},
        DiskCase{"Directory", "", ".", {"100"}, "Is a directory"},
        DiskCase{"Missing", "", "missing.onf", {"100"}, "No such file or directory"},
        // Write-only even for the superuser.
        DiskCase{"Unreadable", "", "/proc/sys/vm/compact_memory", {"100"}, "Permission denied"},
        // Opens, and fails at the first read: nothing was read before the failure.
        DiskCase{"ReadFailsAtOnce", "", "/proc/self/mem", {}, nullptr},
        DiskCase{"Longest", Sevens(32767), "", std::vector<std::string>(32767, "7"), nullptr},
        DiskCase{"TooLong", Sevens(32768), "", {"100"}, "more than 32767 objects"}),
    [](const auto& info) { return std::string(info.param.name); });

// A list that had lines naming no object says how many, and which came first; empty lines are
// no mistake and are not counted.
TEST(ListSkipsTest, CountsTheEntriesThatNameNoObject) {
    TextFiles files;
    files.files["a.onf"] = "5\r\n\r\nabc\r\n0\r\n8176\r\n8175\r\n12";
    ListSkips skips;
    EXPECT_EQ(ReadObjectList(files, "a.onf", &skips),
              (std::vector<std::string>{"5", "8175", "12"}));
    EXPECT_EQ(SkipsInWords(skips),
              "3 entries named no object from 1 to 8175 and were skipped; the first is \"abc\" "
              "(entry 2).");
    EXPECT_EQ(SkipsInWords({}), "");
}

}  // namespace
}  // namespace zelmar::testing
