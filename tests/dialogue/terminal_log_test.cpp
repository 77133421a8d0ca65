// The terminal log: how each kind of entry reads, what "Only Data" hides, and the cut of a full
// pane, told to the pane as operations.
#include "dialogue/terminal_log.h"

#include <gtest/gtest.h>

#include "support/fakes.h"

namespace zelmar::testing {
namespace {

struct FormatCase {
    LogEntry entry;
    bool onlyData;
    std::string shown;
};

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatTest, ShowsWhatTheEntryCallsFor) {
    StringPane pane;
    pane.text = "x";
    TerminalLog log(pane);
    log.Write(GetParam().entry, GetParam().onlyData);
    EXPECT_EQ(pane.text, "x" + GetParam().shown);
}

using K = LogEntry::Kind;
INSTANTIATE_TEST_SUITE_P(
    Entries, FormatTest,
    ::testing::Values(FormatCase{{K::Poll, 172, {}}, false, "172\r\n"},
                      FormatCase{{K::Poll, 202, {}}, true, ""},
                      FormatCase{{K::BarePoll, 172, {}}, true, "172"},
                      FormatCase{{K::MarkedPoll, 202, {}}, true, "202*"},
                      FormatCase{{K::Value, 0, {}}, true, "0"},
                      FormatCase{{K::Value, 255, {}}, false, "255"},
                      FormatCase{{K::Data, 35, Number::Int16(8176)}, true, "35 - 8176\r\n"},
                      FormatCase{{K::Data, 7, Number::Double(2.5)}, false, "7 - 2.5\r\n"},
                      FormatCase{{K::Data, 172, Number::Double(-1)}, true, "172 - -1\r\n"}));

TEST(TerminalLogTest, ValuesOtherThanPollsRunTogether) {
    StringPane pane;
    TerminalLog log(pane);
    for (LogEntry entry :
         {LogEntry{K::Value, 35, {}}, LogEntry{K::Value, 17, {}}, LogEntry{K::Poll, 172, {}}})
        log.Write(entry, false);
    EXPECT_EQ(pane.text, "3517172\r\n");
}

TEST(TerminalLogTest, CutsOnlyPastTheLimitAndOnlyTheFront) {
    StringPane pane;
    TerminalLog log(pane);
    for (int i = 0; pane.text.size() < 16000; ++i) pane.text += std::to_string(i % 10);
    log.Write({K::Value, 35, {}}, true);
    EXPECT_EQ(pane.text.size(), 16002u) << "exactly at the limit: kept whole";
    const std::string before = pane.text;
    pane.operations.clear();
    log.Write({K::Value, 17, {}}, true);
    EXPECT_EQ(pane.text, before.substr(4096) + "17");
    EXPECT_EQ(pane.operations, (std::vector<std::string>{"cut 4096", "append 2"}));
}

}  // namespace
}  // namespace zelmar::testing
