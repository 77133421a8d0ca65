// The object number boxes while the technician types and leaves them.
#include <gtest/gtest.h>

#include "support/window_fixture.h"

namespace zelmar::testing {
namespace {

struct TypingCase {
    const char* before;
    const char* typed;  // the whole text after the keystroke or paste
    const char* after;
    std::size_t caret;
    friend std::ostream& operator<<(std::ostream& o, const TypingCase& c) {
        return o << '"' << c.before << "\" -> \"" << c.typed << '"';
    }
};
class TypingTest : public WindowTest, public ::testing::WithParamInterface<TypingCase> {};
TEST_P(TypingTest, BoxHoldsNothingOrANumberFrom0To8191) {
    for (Control* box : {&window.Text1, &window.Text2, &window.Text3, &window.Text4}) {
        box->SetText(GetParam().before);
        box->UserEdit(GetParam().typed);
        EXPECT_EQ(box->text(), GetParam().after) << box->name();
        EXPECT_EQ(box->selStart(), GetParam().caret) << box->name();
    }
}
INSTANTIATE_TEST_SUITE_P(
    ObjectBoxes, TypingTest,
    ::testing::Values(TypingCase{"12", "12k", "", 0},        // a letter empties the whole box
                      TypingCase{"819", "8199", "1", 1},     // past 8191 becomes "1"
                      TypingCase{"819", "8191", "8191", 4},  // the last object stands
                      TypingCase{"817", "8176", "8176", 4},  // settings objects stand too
                      TypingCase{"1", "0", "0", 1},          // and so does object 0
                      TypingCase{"1", "-5", "1", 1},         // a pasted negative number
                      TypingCase{"1", "-", "", 0},           // a sign alone
                      TypingCase{"1", "007", "007", 3},      // typed as it is, zeros and all
                      TypingCase{"1", "2.5", "2.5", 3}));

TEST_F(WindowTest, LeavingAnEmptyBoxPutsOneIntoIt) {
    window.Text3.UserEdit("");
    window.Text3.UserLeave();
    EXPECT_EQ(window.Text3.text(), "1");
    window.Text3.UserEdit("0");
    window.Text3.UserLeave();
    EXPECT_EQ(window.Text3.text(), "0");
}

struct FirstObjectCase {
    Control& (*check)(frmTerminal&);
    Control& (*endBox)(frmTerminal&);
};
class FirstObjectTest : public WindowTest, public ::testing::WithParamInterface<FirstObjectCase> {};
TEST_P(FirstObjectTest, TickingSwitchesTheEndBoxOffAndUntickingPutsOneBack) {
    Control& check = GetParam().check(window);
    Control& end = GetParam().endBox(window);
    end.SetText("8000");
    check.UserClick();
    EXPECT_EQ(end.text(), "");
    EXPECT_FALSE(end.enabled());
    check.UserClick();
    EXPECT_EQ(end.text(), "1");
    EXPECT_TRUE(end.enabled());
}
INSTANTIATE_TEST_SUITE_P(
    ObjectBoxes, FirstObjectTest,
    ::testing::Values(FirstObjectCase{[](frmTerminal& w) -> Control& { return w.Check2; },
                                      [](frmTerminal& w) -> Control& { return w.Text2; }},
                      FirstObjectCase{[](frmTerminal& w) -> Control& { return w.Check3; },
                                      [](frmTerminal& w) -> Control& { return w.Text4; }}));

}  // namespace
}  // namespace zelmar::testing
