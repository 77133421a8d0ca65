// The simulator's command line.
#include "options.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace zelmar::sim {
namespace {

ParsedOptions Parse(std::vector<std::string_view> args) {
    return ParseOptions(args);
}

TEST(SimOptions, ReadsEveryFlagAndItsValue) {
    ParsedOptions parsed = Parse({"--fast",
                                  "--link",
                                  "/tmp/zel",
                                  "--table",
                                  "in.txt",
                                  "--save",
                                  "out.txt",
                                  "--log",
                                  "log.txt",
                                  "--first-byte",
                                  "202",
                                  "--first-byte-links",
                                  "2",
                                  "--noise",
                                  "3",
                                  "--seed",
                                  "99",
                                  "--hangup-after",
                                  "17",
                                  "--data-poll-values",
                                  "--exit-on-close",
                                  "--answer-wait",
                                  "45",
                                  "--miswrite",
                                  "8180"});
    ASSERT_EQ(parsed.error, "");
    const Options& o = parsed.options;
    EXPECT_TRUE(o.fast);
    EXPECT_EQ(o.link, "/tmp/zel");
    EXPECT_EQ(o.table, "in.txt");
    EXPECT_EQ(o.save, "out.txt");
    EXPECT_EQ(o.log, "log.txt");
    EXPECT_EQ(o.faults.firstByte, 202);
    EXPECT_EQ(o.faults.firstByteLinks, 2);
    EXPECT_EQ(o.faults.noise, 3);
    EXPECT_EQ(o.faults.seed, 99u);
    EXPECT_EQ(o.hangupAfter, 17);
    EXPECT_TRUE(o.placePollValues);
    EXPECT_TRUE(o.exitOnClose);
    EXPECT_EQ(o.answerWaitMs, 45);
    EXPECT_EQ(o.faults.miswriteObject, 8180);
}

TEST(SimOptions, AnswerWaitDependsOnPacingUnlessGiven) {
    EXPECT_EQ(Parse({}).options.answerWaitMs, kRealAnswerWaitMs);
    EXPECT_EQ(Parse({"--fast"}).options.answerWaitMs, kFastAnswerWaitMs);
    EXPECT_EQ(Parse({"--answer-wait", "5", "--fast"}).options.answerWaitMs, 5);
    EXPECT_FALSE(Parse({}).options.faults.firstByte);
}

struct WindowCase {
    std::vector<std::string_view> args;
    long pace;
    std::optional<long> windowUs;
};

class SimAnswerWindowTest : public testing::TestWithParam<WindowCase> {};

TEST_P(SimAnswerWindowTest, FollowsThePaceUnlessGiven) {
    ParsedOptions parsed = Parse(GetParam().args);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.pace, GetParam().pace);
    EXPECT_EQ(parsed.options.answerWindowUs, GetParam().windowUs);
}

INSTANTIATE_TEST_SUITE_P(
    Paces, SimAnswerWindowTest,
    testing::Values(WindowCase{{}, 120, std::nullopt}, WindowCase{{"--fast"}, 120, std::nullopt},
                    // one byte time, rounded up: 1e6 / 7680 = 130.2 us
                    WindowCase{{"--pace", "7680"}, 7680, 131},
                    WindowCase{{"--pace", "120"}, 120, 8334},
                    WindowCase{{"--answer-window", "50", "--pace", "7680"}, 7680, 50},
                    WindowCase{{"--fast", "--answer-window", "200"}, 120, 200}));

class SimBadOptionsTest : public testing::TestWithParam<std::vector<std::string_view>> {};

TEST_P(SimBadOptionsTest, AreRefused) {
    EXPECT_NE(Parse(GetParam()).error, "");
}

INSTANTIATE_TEST_SUITE_P(CommandLines, SimBadOptionsTest,
                         testing::Values(std::vector<std::string_view>{"--first-byte", "256"},
                                         std::vector<std::string_view>{"--first-byte", "-1"},
                                         std::vector<std::string_view>{"--first-byte"},
                                         std::vector<std::string_view>{"--noise", "x"},
                                         std::vector<std::string_view>{"--hangup-after", "0"},
                                         std::vector<std::string_view>{"--answer-wait", "0"},
                                         std::vector<std::string_view>{"--miswrite", "8192"},
                                         std::vector<std::string_view>{"--seed", "4294967296"},
                                         std::vector<std::string_view>{"--table"},
                                         std::vector<std::string_view>{"--pace", "0"},
                                         std::vector<std::string_view>{"--pace", "99", "--fast"},
                                         std::vector<std::string_view>{"--answer-window", "5",
                                                                       "--answer-wait", "5"},
                                         std::vector<std::string_view>{"--log", ""},
                                         std::vector<std::string_view>{"--fast", "--slow"},
                                         std::vector<std::string_view>{"table.txt"}));

}  // namespace
}  // namespace zelmar::sim
