// The object number boxes' rules: what a box must hold instead of the text typed into it, and
// instead of what it holds when the focus leaves it.
#include "jobs/object_box_rules.h"

#include <gtest/gtest.h>

namespace zelmar {
namespace {

struct TypingCase {
    const char* typed;  // the whole text after the keystroke or paste
    const char* after;
    friend std::ostream& operator<<(std::ostream& o, const TypingCase& c) {
        return o << '"' << c.typed << '"';
    }
};
class TypingTest : public ::testing::TestWithParam<TypingCase> {};
TEST_P(TypingTest, BoxHoldsNothingOrANumberFrom0To8191) {
    const std::optional<std::string> corrected = CorrectedObjectText(GetParam().typed);
    EXPECT_EQ(corrected.value_or(GetParam().typed), GetParam().after);
    EXPECT_EQ(corrected.has_value(), std::string(GetParam().typed) != GetParam().after)
        << "a text that stands is left alone";
}
INSTANTIATE_TEST_SUITE_P(
    ObjectBoxes, TypingTest,
    ::testing::Values(TypingCase{"12k", ""},       // a letter empties the whole box
                      TypingCase{"8199", "1"},     // past 8191 becomes "1"
                      TypingCase{"8191", "8191"},  // the last object stands
                      TypingCase{"8176", "8176"},  // settings objects stand too
                      TypingCase{"0", "0"},        // and so does object 0
                      TypingCase{"-5", "1"},       // a pasted negative number
                      TypingCase{"-", ""},         // a sign alone
                      TypingCase{"007", "007"},    // typed as it is, zeros and all
                      TypingCase{"2.5", "2.5"}));

TEST(LeftObjectTextTest, AnEmptyBoxBecomesOneAndANumberStands) {
    EXPECT_EQ(LeftObjectText(""), "1");
    EXPECT_EQ(LeftObjectText("0"), std::nullopt);
}

}  // namespace
}  // namespace zelmar
