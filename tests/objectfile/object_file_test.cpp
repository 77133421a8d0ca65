// The settings and image file, without any file system: text in, entries out.
#include "files/object_file.h"

#include <gtest/gtest.h>

#include <string>

#include "dialogue/settings_codec.h"

namespace zelmar {
namespace {

ObjectTable PatternTable() {
    ObjectTable table;
    for (int object = 0; object < kObjectCount; ++object) {
        table.Set(object, static_cast<std::uint8_t>(object * 7 + object / 256));
    }
    table.Set(kTimingObject, 135);
    return table;
}

TEST(ObjectFileTest, FormattedImageAndSettingsReadBackUnchanged) {
    const ObjectTable table = PatternTable();
    for (const auto& entries : {ImageEntriesOf(table), SettingsEntriesOf(table)}) {
        const ObjectFileContent content = ParseObjectFile(FormatObjectFile(entries));
        EXPECT_FALSE(content.error.has_value());
        EXPECT_EQ(content.entries, entries);
    }
    const std::string settings = FormatObjectFile(SettingsEntriesOf(table));
    EXPECT_TRUE(
        settings.starts_with("zelmar-objects 1\n0,135  # packet time 7, send delay index 4\n"));
    EXPECT_NE(settings.find("\n8191,"), std::string::npos);
    EXPECT_EQ(SettingsEntriesOf(table).size(), 1u + 1u + kRepeaterCount);
}

TEST(ObjectFileTest, SettingsComeFromAWholeImageAndNeverFromPartOfOne) {
    const ObjectTable table = PatternTable();
    const SettingsFileContent whole =
        ReadSettingsFile(FormatObjectFile(ImageEntriesOf(table)), "all.zimg");
    EXPECT_EQ(whole.error, "");
    EXPECT_EQ(whole.entries, SettingsEntriesOf(table));
    const SettingsFileContent part = ReadSettingsFile("zelmar-objects 1\n8177,9\n", "p.zset");
    EXPECT_TRUE(part.entries.empty());
    EXPECT_EQ(part.error, "p.zset lacks settings objects 0, 8176 and 8178 to 8191");
}

struct ReadCase {
    std::string text;
    std::vector<ObjectEntry> entries;
};

class ReadTest : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadTest, AcceptsWhatAnEditorLeaves) {
    const ObjectFileContent content = ParseObjectFile(GetParam().text);
    EXPECT_FALSE(content.error.has_value()) << content.error->message;
    EXPECT_EQ(content.entries, GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ReadTest,
    ::testing::Values(ReadCase{"zelmar-objects 1", {}},
                      ReadCase{"# saved\r\n\r\nzelmar-objects 1 # v\r\n 8191 , 255 # R15\r\n0,0",
                               {{8191, 255}, {0, 0}}},
                      ReadCase{"\xEF\xBB\xBFzelmar-objects\t1\n\t5,\t007\n", {{5, 7}}}));

struct RefusalCase {
    std::string text;
    int line;
    std::string message;
};

class RefusalTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTest, NamesTheLineAndGivesNothing) {
    const ObjectFileContent content = ParseObjectFile(GetParam().text);
    ASSERT_TRUE(content.error.has_value());
    EXPECT_EQ(content.error->line, GetParam().line);
    EXPECT_EQ(content.error->message, GetParam().message);
    EXPECT_TRUE(content.entries.empty());
}

const std::string kHeader = "zelmar-objects 1\n";

INSTANTIATE_TEST_SUITE_P(
    Texts, RefusalTest,
    ::testing::Values(
        RefusalCase{"", 0, "not a Zelmar object file: the header line is missing"},
        RefusalCase{"# only\n\n", 0, "not a Zelmar object file: the header line is missing"},
        RefusalCase{"\n1,2\n", 2, "not a Zelmar object file"},
        RefusalCase{"zelmar-objects 1 2\n", 1, "not a Zelmar object file"},
        RefusalCase{"zelmar-objects 2\n", 1, "format version 2 is not supported"},
        RefusalCase{kHeader + "1,1\n8192,1\n", 3, "object 8192 is not 0..8191"},
        RefusalCase{kHeader + "-1,1\n", 2, "object -1 is not 0..8191"},
        RefusalCase{kHeader + "1,256\n", 2, "value 256 is not 0..255"},
        RefusalCase{kHeader + "1,99999999999999999999\n", 2,
                    "value 99999999999999999999 is not 0..255"},
        RefusalCase{kHeader + "7,1\n\n7,2\n", 4, "object 7 is already given on line 2"},
        RefusalCase{kHeader + "1,1\r\n12\r\n", 3, "no comma: expected object,value"},
        RefusalCase{kHeader + "12, # none\n", 2, "value missing after the comma"},
        RefusalCase{kHeader + ",12\n", 2, "object missing before the comma"},
        RefusalCase{kHeader + "1,2,3\n", 2, "extra field: expected only object,value"},
        RefusalCase{kHeader + "1.5,2\n", 2, "object \"1.5\" is not a whole number"},
        RefusalCase{kHeader + "1,0x10\n", 2, "value \"0x10\" is not a whole number"},
        RefusalCase{kHeader + "81 76,1\n", 2, "object \"81 76\" is not a whole number"}));

TEST(ObjectFileTest, DescribeNamesFileAndLine) {
    EXPECT_EQ(Describe({7, "value 300 is not 0..255"}, "settings.zcfg"),
              "settings.zcfg, line 7: value 300 is not 0..255");
    EXPECT_EQ(Describe({0, "not a Zelmar object file"}, "a.zcfg"),
              "a.zcfg: not a Zelmar object file");
}

}  // namespace
}  // namespace zelmar
