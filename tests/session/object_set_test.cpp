// The object lists a command line names, and the plans made of them and of files.
#include <gtest/gtest.h>

#include "session/object_set.h"
#include "session/plan.h"
#include "session/session_report.h"

namespace zelmar {
namespace {

struct ListCase {
    const char* text;
    std::size_t count;  // 0: refused
    int first, last;
};

class ObjectSetTest : public ::testing::TestWithParam<ListCase> {};

TEST_P(ObjectSetTest, ParsesOrRefuses) {
    const ListCase c = GetParam();
    const ObjectSet set = ParseObjectSet(c.text);
    ASSERT_EQ(set.objects.size(), c.count) << set.error;
    EXPECT_EQ(set.error.empty(), c.count > 0);
    if (c.count == 0) return;
    EXPECT_EQ(set.objects.front(), c.first);
    EXPECT_EQ(set.objects.back(), c.last);
    EXPECT_TRUE(std::is_sorted(set.objects.begin(), set.objects.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ObjectSetTest,
    ::testing::Values(ListCase{"0,8176-8191", 17, 0, 8191}, ListCase{"settings", 17, 0, 8191},
                      ListCase{"1-8175", 8175, 1, 8175}, ListCase{"all", 8192, 0, 8191},
                      ListCase{" 9 , 3-5,4,all", 8192, 0, 8191}, ListCase{"8191,7", 2, 7, 8191},
                      ListCase{"5-5", 1, 5, 5}, ListCase{"8192", 0, 0, 0}, ListCase{"-1", 0, 0, 0},
                      ListCase{"9-3", 0, 0, 0}, ListCase{"1,,2", 0, 0, 0}, ListCase{"", 0, 0, 0},
                      ListCase{"0x10", 0, 0, 0}, ListCase{"1-", 0, 0, 0}));

TEST(PlanTest, AFileIsCheckedWholeAndTheListMayOnlyNarrowIt) {
    const char* file = "zelmar-objects 1\n8180,2\n0,99\n";
    const Plan whole = FilePlan(Task::Write, file, "s.zset", std::nullopt);
    ASSERT_EQ(whole.error, "");
    EXPECT_EQ(whole.objects, (std::vector<ObjectEntry>{{0, 99}, {8180, 2}}));
    EXPECT_EQ(FilePlan(Task::Write, file, "s.zset", "8180").objects.size(), 1u);
    EXPECT_EQ(FilePlan(Task::Write, file, "s.zset", "1").error, "object 1 is not in s.zset");
    EXPECT_EQ(FilePlan(Task::Write, "zelmar-objects 1\n0,256\n", "s.zset", std::nullopt).error,
              "s.zset, line 2: value 256 is not 0..255");
    EXPECT_EQ(SettingsFilePlan(file, "s.zset").error, "s.zset lacks settings object 8176");
}

TEST(ReportTest, ProgressAndSettingsReadAsTheTechnicianExpects) {
    EXPECT_EQ(ProgressLine(Task::Write, 120, 8191, 12245),
              "writing 120/8191, 9.8 objects/s, 14 min left");
    EXPECT_EQ(ProgressLine(Task::Read, 0, 17, 500), "reading 0/17");
    EXPECT_EQ(ProgressLine(Task::Verify, 17, 17, 1000), "verifying 17/17, 17.0 objects/s");
    std::vector<ObjectEntry> settings;
    for (int object : SettingsObjects()) settings.push_back({object, 0});
    settings[0].value = 3 * 32 + 12;
    settings[1].value = 9;
    EXPECT_EQ(SettingsInWords(settings).substr(0, 88),
              "Send Delay: 50 msec\nPacket Time: 12\nRepeat Delay: entry 9, which names no "
              "choice\nR 1: 0\n");
    EXPECT_EQ(JsonString("a\"b\\c\n"), R"("a\"b\\c\u000a")");
}

}  // namespace
}  // namespace zelmar
