// The device's table: its built-in contents and its text file form.
#include "device_table.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace zelmar::sim {
namespace {

TableLoad Load(const std::string& text) {
    std::istringstream in(text);
    return LoadTable(in);
}

TEST(SimTableFile, ReadsEntriesBetweenCommentsAndBlankLines) {
    TableLoad load = Load(
        "# settings\n"
        "0 74\n"
        "\n"
        "   # indented comment\n"
        "8176\t3\n"
        "  8191   255  \r\n"
        "1 0\n");
    ASSERT_TRUE(load.table) << load.errorLine << ": " << load.error;
    DeviceTable expected{};
    expected[0] = 74;
    expected[8176] = 3;
    expected[8191] = 255;
    EXPECT_EQ(*load.table, expected);
}

TEST(SimTableFile, EmptyFileIsAnAllZeroTable) {
    TableLoad load = Load("");
    ASSERT_TRUE(load.table);
    EXPECT_EQ(*load.table, DeviceTable{});
}

struct BadCase {
    const char* name;
    std::string text;
    int line;
    std::string mentions;
};

class SimBadTableFileTest : public testing::TestWithParam<BadCase> {};

TEST_P(SimBadTableFileTest, NamesTheLineAndTheFault) {
    TableLoad load = Load(GetParam().text);
    EXPECT_FALSE(load.table);
    EXPECT_EQ(load.errorLine, GetParam().line);
    EXPECT_NE(load.error.find(GetParam().mentions), std::string::npos) << load.error;
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SimBadTableFileTest,
    testing::Values(BadCase{"ObjectBeyondTable", "0 1\n8192 1\n", 2, "8192"},
                    BadCase{"HugeObject", "# x\n\n99999999999999999999999 1\n", 3, "outside"},
                    BadCase{"ValueAboveByte", "5 256\n", 1, "256"},
                    BadCase{"NegativeObject", "1 1\n2 2\n-1 5\n", 3, "-1"},
                    BadCase{"NegativeValue", "7 -5\n", 1, "-5"},
                    BadCase{"HexObject", "0x10 5\n", 1, "0x10"},
                    BadCase{"TrailingLetters", "10 5x\n", 1, "5x"},
                    BadCase{"ValueMissing", "1 1\n42\n", 2, "42"},
                    BadCase{"ThirdWord", "1 2 3\n", 1, "1 2 3"},
                    BadCase{"CommentAfterValue", "1 2 # two\n", 1, "1 2 # two"},
                    BadCase{"ObjectTwice", "3 1\n4 1\n3 2\n", 3, "line 1"}),
    [](const testing::TestParamInfo<BadCase>& info) { return info.param.name; });

TEST(SimTableFile, SavedTableLoadsBackUnchanged) {
    DeviceTable table = DefaultTable();
    PlacePollValues(table);
    table[1] = 255;
    std::ostringstream out;
    SaveTable(out, table);
    TableLoad load = Load(out.str());
    ASSERT_TRUE(load.table) << load.errorLine << ": " << load.error;
    EXPECT_EQ(*load.table, table);
}

TEST(SimDefaultTable, SettingsAreValuesAProgrammerCanShow) {
    DeviceTable table = DefaultTable();
    EXPECT_EQ(table[kTimingObject] / 32, 2);   // send delay "20 msec"
    EXPECT_EQ(table[kTimingObject] % 32, 10);  // packet time
    EXPECT_LE(table[kRepeatDelayObject], 7);
    std::set<int> repeaters;
    for (int object = kFirstRepeaterObject; object <= kLastObject; ++object) {
        EXPECT_LE(table[object], 7) << object;
        if (object < kFirstRepeaterObject + 7) repeaters.insert(table[object]);
    }
    EXPECT_GE(repeaters.size(), 5u) << "R1..R7 should differ so that a mix-up shows";
}

TEST(SimDefaultTable, HoldsPollValuesOnlyWhenAskedTo) {
    DeviceTable table = DefaultTable();
    for (int object = 0; object < kObjectCount; ++object) {
        EXPECT_NE(table[object], 172) << object;
        EXPECT_NE(table[object], 202) << object;
    }
    PlacePollValues(table);
    for (int object : {172, 8190}) EXPECT_EQ(table[object], 172) << object;
    for (int object : {202, 8191}) EXPECT_EQ(table[object], 202) << object;
}

}  // namespace
}  // namespace zelmar::sim
