// The list file reader: the objects a file names, in file order, read through the sequential
// input from given texts and from files on disk; and the field reader under it.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <fstream>
#include <optional>
#include <sstream>

#include "files/list_file.h"
#include "numbers/field_reader.h"
#include "ports/file_input.h"
#include "support/fakes.h"
#include "support/temp_folder.h"

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

class ListFileTest : public ::testing::Test {
  protected:
    std::vector<std::string> Read(const std::string& path) { return ReadObjectList(files, path); }
    TextFiles files;
};

TEST_F(ListFileTest, TakesOrdinaryObjectsOnlyInFileOrder) {
    files.files["mixed.onf"] = "5\r\nabc\r\n0\r\n8176\r\n8175\r\n12\r\n";
    EXPECT_EQ(Read("mixed.onf"), (std::vector<std::string>{"5", "8175", "12"}));
    EXPECT_FALSE(files.IsOpen());
}

TEST_F(ListFileTest, CommasQuotesFractionsAndDuplicates) {
    files.files["a.onf"] = "7,3\r\n\"44\", 2.5 ,-1, 007\r\n3\r\n";
    EXPECT_EQ(Read("a.onf"), (std::vector<std::string>{"7", "3", "44", "2.5", "7", "3"}));
}

TEST_F(ListFileTest, AFileWithoutOrdinaryObjectsGivesAnEmptyList) {
    files.files["empty.onf"] = "";
    EXPECT_TRUE(Read("empty.onf").empty());
    files.files["none.onf"] = "0\r\n8191\r\nword\r\n";
    EXPECT_TRUE(Read("none.onf").empty());
}

TEST_F(ListFileTest, AFileThatCannotBeOpenedIsRefusedNamingIt) {
    try {
        Read("missing.onf");
        ADD_FAILURE() << "no refusal";
    } catch (const ListFileError& refusal) {
        EXPECT_STREQ(refusal.what(), "Cannot open missing.onf: File not found");
    }
    EXPECT_FALSE(files.IsOpen());
}

TEST_F(ListFileTest, AReadFailingPartWayKeepsWhatWasReadAndClosesTheFile) {
    // A failed step, or the stream library's own exception at the end-of-file test.
    for (const bool asStream : {false, true}) {
        SCOPED_TRACE(asStream);
        files.failAsStream = asStream;
        files.files["broken.onf"] = "10\r\n20\r\n30\r\n";
        files.failAfterFields["broken.onf"] = 2;
        EXPECT_EQ(Read("broken.onf"), (std::vector<std::string>{"10", "20"}));
        EXPECT_FALSE(files.IsOpen());
        files.files["next.onf"] = "40";
        EXPECT_EQ(Read("next.onf"), std::vector<std::string>{"40"})
            << "a failed load never blocks the next";
    }
}

// Files on disk through the program's own file input.
struct DiskCase {
    const char* name;
    std::string content;  // of the file chosen, unless `path` names another
    std::string path;     // "": the file written; relative: under the test's temporary folder
    std::vector<std::string> list;
    const char* refusal;  // nullptr: a list; else part of the refusal's text, beside the path
    friend std::ostream& operator<<(std::ostream& out, const DiskCase& c) { return out << c.name; }
};

std::string Sevens(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "7\r\n";
    return text;
}

class DiskListTest : public ::testing::TestWithParam<DiskCase> {
  protected:
    TempFolder folder{"zelmar-list"};
    FileInput input;
};

TEST_P(DiskListTest, ReadsOrRefusesNamingTheFile) {
    const DiskCase& c = GetParam();
    std::string path = (folder / ("list_" + std::string(c.name) + ".onf")).string();
    if (c.path.empty()) {
        std::ofstream(path, std::ios::binary) << c.content;
    } else {
        path = c.path.front() == '/' ? c.path : (folder / c.path).string();
    }
    std::optional<std::string> refusal;
    std::vector<std::string> list;
    try {
        list = ReadObjectList(input, path);
    } catch (const ListFileError& e) {
        refusal = e.what();
    }
    EXPECT_FALSE(input.IsOpen());
    ASSERT_EQ(refusal.has_value(), c.refusal != nullptr) << refusal.value_or("");
    if (!c.refusal) {
        EXPECT_EQ(list, c.list);
        return;
    }
    EXPECT_THAT(*refusal, AllOf(HasSubstr(path), HasSubstr(c.refusal)));
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
                 {"1.5", "2.5", "8175.4", "3.5"},
                 nullptr},
        DiskCase{"Directory", "", ".", {}, "Is a directory"},
        DiskCase{"Missing", "", "missing.onf", {}, "No such file or directory"},
        // Write-only even for the superuser.
        DiskCase{"Unreadable", "", "/proc/sys/vm/compact_memory", {}, "Permission denied"},
        // Opens, and fails at the first read: nothing was read before the failure.
        DiskCase{"ReadFailsAtOnce", "", "/proc/self/mem", {}, nullptr},
        DiskCase{"Longest", Sevens(32767), "", std::vector<std::string>(32767, "7"), nullptr},
        DiskCase{"TooLong", Sevens(32768), "", {}, "more than 32767 objects"}),
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
