#include "numbers/numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <ostream>

namespace zelmar {
namespace {

struct RoundCase {
    double in;
    double out;
    friend std::ostream& operator<<(std::ostream& o, const RoundCase& c) { return o << c.in; }
};
class RoundHalfEvenTest : public ::testing::TestWithParam<RoundCase> {};
TEST_P(RoundHalfEvenTest, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfEven(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(Numbers, RoundHalfEvenTest,
                         ::testing::Values(RoundCase{2.5, 2}, RoundCase{3.5, 4}, RoundCase{0.5, 0},
                                           RoundCase{1.5, 2}, RoundCase{-2.5, -2},
                                           RoundCase{2.4999, 2}, RoundCase{2.5001, 3},
                                           RoundCase{8190.5, 8190}, RoundCase{8191.5, 8192}));

struct TextCase {
    const char* text;
    double number;  // NumberOfText
    bool isNumber;
    friend std::ostream& operator<<(std::ostream& o, const TextCase& c) {
        return o << '"' << c.text << '"';
    }
};
class TextNumberTest : public ::testing::TestWithParam<TextCase> {};
TEST_P(TextNumberTest, LeadingNumberAndWholeTextTest) {
    EXPECT_EQ(NumberOfText(GetParam().text), GetParam().number) << GetParam().text;
    EXPECT_EQ(IsNumber(GetParam().text), GetParam().isNumber) << GetParam().text;
}
INSTANTIATE_TEST_SUITE_P(Numbers, TextNumberTest,
                         ::testing::Values(TextCase{"12abc", 12, false}, TextCase{"", 0, false},
                                           TextCase{"  7", 7, true}, TextCase{"\t9", 9, true},
                                           TextCase{"abc", 0, false}, TextCase{"-5", -5, true},
                                           TextCase{"+3", 3, true}, TextCase{"-", 0, false},
                                           TextCase{"+", 0, false}, TextCase{"2.5", 2.5, true},
                                           TextCase{".5", 0.5, true}, TextCase{"12.", 12, true},
                                           TextCase{".", 0, false}, TextCase{"1e3", 1000, true},
                                           TextCase{"1e", 1, false}, TextCase{" 12 ", 12, true},
                                           TextCase{"1 2", 1, false}, TextCase{"0012", 12, true},
                                           TextCase{"8191", 8191, true},
                                           TextCase{"x12", 0, false}));

TEST(NumberValueTest, RefusesWhatIsNotANumber) {
    EXPECT_EQ(NumberValue(" 42 "), 42);
    EXPECT_THROW(NumberValue("4x"), StepError);
    EXPECT_THROW(NumberValue(""), StepError);
}

struct ByteCase {
    double in;
    int out;  // -1: refused
    friend std::ostream& operator<<(std::ostream& o, const ByteCase& c) { return o << c.in; }
};
class ToByteTest : public ::testing::TestWithParam<ByteCase> {};
TEST_P(ToByteTest, RoundsAndAcceptsOnlyTheByteRange) {
    if (GetParam().out < 0) {
        EXPECT_THROW(ToByte(GetParam().in), StepError) << GetParam().in;
    } else {
        EXPECT_EQ(ToByte(GetParam().in), GetParam().out) << GetParam().in;
    }
}
INSTANTIATE_TEST_SUITE_P(Numbers, ToByteTest,
                         ::testing::Values(ByteCase{0, 0}, ByteCase{255, 255}, ByteCase{255.4, 255},
                                           ByteCase{255.5, -1}, ByteCase{256, -1},
                                           ByteCase{-0.4, 0}, ByteCase{-0.5, 0}, ByteCase{-0.6, -1},
                                           ByteCase{2.5, 2}, ByteCase{3.5, 4},
                                           ByteCase{std::numeric_limits<double>::quiet_NaN(), -1}));

TEST(ToByteTest, TextMustBeAWholeNumberText) {
    EXPECT_EQ(ToByte(std::string_view(" 12 ")), 12);
    EXPECT_THROW(ToByte(std::string_view("")), StepError);
    EXPECT_THROW(ToByte(std::string_view("7a")), StepError);
    EXPECT_THROW(ToByte(std::string_view("300")), StepError);
}

TEST(NumberTextTest, PlainDecimalText) {
    EXPECT_EQ(NumberText(12), "12");
    EXPECT_EQ(NumberText(8176), "8176");
    EXPECT_EQ(NumberText(2.5), "2.5");
    EXPECT_EQ(NumberText(-3), "-3");
    EXPECT_EQ(NumberText(0), "0");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(0.1), "0.1");
}

TEST(RoundToLongTest, OverflowIsAFailingStep) {
    EXPECT_EQ(RoundToLong(8190.5), 8190);
    EXPECT_EQ(RoundToLong(-1.5), -2);
    EXPECT_THROW(RoundToLong(1e12), StepError);
    EXPECT_THROW(RoundToLong(std::nan("")), StepError);
}

TEST(NumberTest, BothKindsCompareByValue) {
    EXPECT_EQ(Number::Int16(1), Number::Double(1.0));
    EXPECT_LT(Number::Int16(1), Number::Double(1.5));
    EXPECT_TRUE(Number::Int16(7).Incremented().isInt16());
    EXPECT_EQ(Number::Double(2.5).Incremented(), Number::Double(3.5));
    EXPECT_FALSE(Number::Double(2.5).Incremented().isInt16());
    EXPECT_THROW(Number::Int16(32767).Incremented(), StepError);
    EXPECT_EQ(Number::Double(32767).Incremented().value(), 32768);
}

}  // namespace
}  // namespace zelmar
