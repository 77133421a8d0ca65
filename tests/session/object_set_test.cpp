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

TEST(ObjectSetTest, ALongListCostsItsLengthAndNoMore) {
    // 120 kB of entries that each name the whole table: read in one pass over the text.
    std::string text;
    while (text.size() < 120 * 1024) text += "all,0-8191,";
    text += "7";
    const ObjectSet set = ParseObjectSet(text);
    ASSERT_EQ(set.error, "");
    EXPECT_EQ(set.objects.size(), 8192u);
    EXPECT_EQ(ParseObjectSet(text + ",8192").error, "\"8192\" is not an object 0..8191");
}

TEST(ObjectSetTest, AListTextReadsBackAsTheSameObjects) {
    EXPECT_EQ(ObjectListText(SettingsObjects()), "0,8176-8191");
    EXPECT_EQ(ObjectListText({3, 5, 6, 9}), "3,5-6,9");
    EXPECT_EQ(ObjectListText({}), "");
    const std::vector<int> objects = ParseObjectSet("1-3,7,100-4000,8191").objects;
    EXPECT_EQ(ParseObjectSet(ObjectListText(objects)).objects, objects);
}

TEST(PlanTest, AResumedReadTakesWhatThePartialLacks) {
    const std::string partial = PartialReadFile({5, 6, 7, 8}, {{5, 50}, {6, 60}});
    EXPECT_EQ(ParseObjectFile(partial).entries, (std::vector<ObjectEntry>{{5, 50}, {6, 60}}));
    const Plan plan = ResumePlan(partial, "x.partial", std::nullopt);
    ASSERT_EQ(plan.error, "");
    EXPECT_EQ(plan.carried, (std::vector<ObjectEntry>{{5, 50}, {6, 60}}));
    EXPECT_EQ(plan.objects, (std::vector<ObjectEntry>{{7, 0}, {8, 0}}));
    // The same list given again is fine; another is refused.
    EXPECT_EQ(ResumePlan(partial, "x.partial", "5-8").error, "");
    EXPECT_EQ(ResumePlan(partial, "x.partial", "5-9").error,
              "--objects names other objects than x.partial was read for (5-8)");
    // A partial without its objects line needs them named.
    const std::string bare = "zelmar-objects 1\n5,50\n";
    EXPECT_EQ(ResumePlan(bare, "b.partial", std::nullopt).error,
              "b.partial does not say which objects its read was asked for; name them with "
              "--objects");
    EXPECT_EQ(ResumePlan(bare, "b.partial", "5-6").objects, (std::vector<ObjectEntry>{{6, 0}}));
    EXPECT_EQ(ResumePlan(bare, "b.partial", "6-7").error,
              "b.partial holds object 5, which its read was not asked for");
    EXPECT_EQ(ResumePlan("zelmar-objects 1\n5,500\n", "b.partial", "5").error,
              "b.partial, line 2: value 500 is not 0..255");
}

TEST(PlanTest, AFileIsCheckedWholeAndTheListMayOnlyNarrowIt) {
    const char* file = "zelmar-objects 1\n8180,2\n0,99\n";
    const Plan whole = FilePlan(Task::Write, file, "s.zset", std::nullopt);
    ASSERT_EQ(whole.error, "");
    EXPECT_EQ(whole.objects, (std::vector<ObjectEntry>{{0, 99}, {8180, 2}}));
    EXPECT_EQ(FilePlan(Task::Write, file, "s.zset", "8180").objects.size(), 1u);
    EXPECT_EQ(FilePlan(Task::Write, file, "s.zset", "1").error, "object 1 is not in s.zset");
    EXPECT_EQ(FilePlan(Task::Write, "zelmar-objects 1\n0,256\n", "s.zset", std::nullopt).error,
              "s.zset, line 2: value 256 is not 0..255");
    EXPECT_EQ(SettingsFilePlan(file, "s.zset").error,
              "s.zset lacks settings objects 8176 to 8179 and 8181 to 8191");
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

TEST(ReportTest, TheJsonLeavesOutWhatARunDidNotHave) {
    JobSummary refusal;
    refusal.command = "frob";
    refusal.port = "COM1";
    refusal.status = 2;
    refusal.message = "unknown command \"frob\"";
    EXPECT_EQ(JsonSummary(refusal),
              "{\"command\":\"frob\",\"port\":\"COM1\",\"status\":2,"
              "\"message\":\"unknown command \\\"frob\\\"\"}\n");
    JobSummary read;
    read.command = "read";
    read.port = "/dev/x";
    read.status = 130;
    read.message = "Stopped on request.";
    read.file = "a.zset.partial";
    read.written = false;
    read.signal = "SIGINT";
    read.job = JobCounts{17, 5, 2, 1.5, {}, std::nullopt};
    EXPECT_EQ(JsonSummary(read),
              "{\"command\":\"read\",\"port\":\"/dev/x\",\"status\":130,\"message\":\"Stopped on "
              "request.\",\"file\":\"a.zset.partial\",\"written\":false,\"signal\":\"SIGINT\","
              "\"objects\":17,\"done\":5,\"resumed\":2,\"seconds\":1.500,\"mismatches\":[]}\n");
    JobSummary ports;
    ports.command = "ports";
    ports.ports = std::vector<PortListing>{{"/dev/ttyS0", "", "x"}};
    EXPECT_EQ(JsonSummary(ports),
              "{\"command\":\"ports\",\"port\":\"\",\"status\":0,\"message\":\"\",\"ports\":[{"
              "\"path\":\"/dev/ttyS0\",\"by_id\":\"\",\"description\":\"x\"}]}\n");
}

}  // namespace
}  // namespace zelmar
