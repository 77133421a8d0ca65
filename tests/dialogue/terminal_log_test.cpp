// The terminal log over a pane and an "Only Data" box of their own, without the window.
#include "dialogue/terminal_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zelmar {
namespace {

struct NormaliseCase {
    std::string entry, normalised;
    std::size_t scanPos;
};

class NormaliseTest : public ::testing::TestWithParam<NormaliseCase> {};

TEST_P(NormaliseTest, LeavesCrLfAsTheOnlyLineEnd) {
    std::string entry = GetParam().entry;
    EXPECT_EQ(NormaliseLineEnds(entry), GetParam().scanPos);
    EXPECT_EQ(entry, GetParam().normalised);
}

INSTANTIATE_TEST_SUITE_P(Entries, NormaliseTest,
                         ::testing::Values(NormaliseCase{"", "", 1}, NormaliseCase{"172", "172", 1},
                                           NormaliseCase{"35 - 8176\n\r", "35 - 8176\r\n", 11},
                                           NormaliseCase{"\r\r", "\r\n\r\n", 4},
                                           NormaliseCase{"a\n\nb\n", "ab", 1},
                                           NormaliseCase{"\r\nx\n\ry", "\r\nx\r\ny", 5}));

ControlDefinition Def(std::string name, ControlKind kind, std::string container) {
    ControlDefinition d;
    d.name = std::move(name);
    d.kind = kind;
    d.container = std::move(container);
    return d;
}

// "+n" for n characters appended, "-n" for n cut at the front, "=" for a new text.
struct TextEdits : ControlObserver {
    void TextAppended(const Control&, std::string_view appended) override {
        seen.push_back("+" + std::to_string(appended.size()));
    }
    void TextCutFront(const Control&, std::size_t count) override {
        seen.push_back("-" + std::to_string(count));
    }
    void TextReplaced(const Control&) override { seen.push_back("="); }
    void PropertyChanged(const Control&, Property) override {}
    std::vector<std::string> seen;
};

class TerminalLogTest : public ::testing::Test {
  protected:
    void Log(std::string entry) {
        AppendLogEntry(term, entry, onlyData, state, [this](auto&& step) {
            try {
                step();
            } catch (const StepError& failure) {
                failures.push_back(failure.what());
            }
        });
    }

    ControlModel model{{Def("frm", ControlKind::Form, ""),
                        Def("txtTerm", ControlKind::TextBox, "frm"),
                        Def("Check1", ControlKind::CheckBox, "frm")}};
    Control& term = model.Get("txtTerm");
    Control& onlyData = model.Get("Check1");
    SharedState state;
    std::vector<std::string> failures;
};

struct FilterCase {
    double curObject;
    int onlyData;
    std::string entry, shown;
};

class FilterTest : public TerminalLogTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(FilterTest, ShowsWhatTheSituationCallsFor) {
    const FilterCase& c = GetParam();
    state.CurObject = Number::Double(c.curObject);
    onlyData.SetValue(c.onlyData);
    term.SetText("x");
    term.SetSelStart(1);
    Log(c.entry);
    EXPECT_EQ(term.text(), "x" + c.shown);
    EXPECT_EQ(term.selStart(), term.text().size());
}

INSTANTIATE_TEST_SUITE_P(
    Situations, FilterTest,
    ::testing::Values(FilterCase{0, 0, "172", "172\r\n"}, FilterCase{8191, 0, "202", "202\r\n"},
                      FilterCase{8190.6, 1, "172", ""}, FilterCase{1, 1, "202", ""},
                      FilterCase{-1, 1, "172", "172"}, FilterCase{8191.5, 0, "202", "202"},
                      FilterCase{8192, 1, "202", "202"}, FilterCase{5, 1, "35", "35"},
                      FilterCase{8191.4, 1, "172", "172"}, FilterCase{-0.4, 0, "202", "202"},
                      FilterCase{5, 1, "172*", "172*"},
                      FilterCase{5, 1, "35 - 8176\n\r", "35 - 8176\r\n"},
                      FilterCase{9000, 1, "35 - 9000\n\r", "35 - 9000\r\n"}));

TEST_F(TerminalLogTest, ValuesOtherThanPollsRunTogether) {
    for (const char* value : {"35", "17", "172"}) Log(value);
    EXPECT_EQ(term.text(), "3517172\r\n");
}

TEST_F(TerminalLogTest, CutsOnlyPastTheLimitAndOnlyTheFront) {
    std::string pane;
    for (int i = 0; pane.size() < 16001; ++i) pane += std::to_string(i) + ",";
    pane.resize(16000);
    term.SetText(pane);
    Log("35");
    EXPECT_EQ(term.text(), pane + "35");  // exactly at the limit: kept whole

    TextEdits edits;
    model.observer = &edits;
    const std::string before = term.text().substr(0, 16001);
    term.SetText(before);
    edits.seen.clear();
    Log("17");
    EXPECT_EQ(state.TermTextLength, 11905);
    EXPECT_EQ(term.text(), before.substr(4096) + "17");
    EXPECT_EQ(term.selStart(), 11907u);
    EXPECT_EQ(edits.seen, (std::vector<std::string>{"-4096", "+2"}));
}

TEST_F(TerminalLogTest, AFailingStepDoesNotStopTheRest) {
    term.SetText(std::string(16001, 'a') + "b");
    term.onChange = [] { throw StepError("Out of memory"); };
    Log("17");
    EXPECT_EQ(failures, (std::vector<std::string>{"Out of memory", "Out of memory"}));
    EXPECT_EQ(state.TermTextLength, 16002 - 4096);
    EXPECT_EQ(term.text(), std::string(16001 - 4096, 'a') + "b17");
    EXPECT_EQ(term.selStart(), term.text().size());
}

}  // namespace
}  // namespace zelmar
