#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "graphics/number_reader.h"

namespace {

using pavrix_graphics::parse_number;

struct NumberCase {
    const char* text;
    bool ok;
    float value;   // expected value when ok
    int consumed;  // characters used when ok
};

class NumberReaderCases : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberReaderCases, ReadsOrRefusesWithoutMovingTheCursor) {
    const NumberCase& c = GetParam();
    const std::string text = c.text;
    const char* begin = text.data();
    const char* cursor = begin;
    float value = -12345.0f;
    const bool ok = parse_number(cursor, begin + text.size(), value);
    ASSERT_EQ(ok, c.ok) << '"' << c.text << '"';
    if (ok) {
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
        EXPECT_EQ(cursor - begin, c.consumed) << '"' << c.text << '"';
    } else {
        EXPECT_EQ(cursor, begin) << "cursor moved on failure for \"" << c.text << '"';
        EXPECT_EQ(value, -12345.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Grammar, NumberReaderCases,
    ::testing::Values(NumberCase{"0", true, 0.0f, 1}, NumberCase{"42", true, 42.0f, 2},
                      NumberCase{"-1.5", true, -1.5f, 4}, NumberCase{"+.5", true, 0.5f, 3},
                      NumberCase{".5.5", true, 0.5f, 2}, NumberCase{"10-5", true, 10.0f, 2},
                      NumberCase{"1e2", true, 100.0f, 3}, NumberCase{"1E+2x", true, 100.0f, 4},
                      NumberCase{"1e0", true, 1.0f, 3}, NumberCase{"2.5e-1", true, 2.5f * std::pow(10.0f, -1.0f), 6},
                      NumberCase{"1.25", true, 1.0f + 25.0f / 100.0f, 4},
                      // Float accumulation of the integer digits: 16777217 is not a float.
                      NumberCase{"16777217", true, 16777216.0f, 8},
                      NumberCase{"3.4028235e38", true, (3.0f + 4028235.0f / 10000000.0f) * std::pow(10.0f, 38.0f), 12},
                      NumberCase{"1e-99999999999999999999", true, 0.0f, 23}, NumberCase{"-0", true, -0.0f, 2},
                      NumberCase{"5.", false, 0, 0}, NumberCase{"5.x", false, 0, 0}, NumberCase{"1e", false, 0, 0},
                      NumberCase{"1e+", false, 0, 0}, NumberCase{"1ex", false, 0, 0}, NumberCase{"-", false, 0, 0},
                      NumberCase{"+", false, 0, 0}, NumberCase{"-x", false, 0, 0}, NumberCase{".", false, 0, 0},
                      NumberCase{"", false, 0, 0}, NumberCase{" 1", false, 0, 0}, NumberCase{"\f1", false, 0, 0},
                      NumberCase{"1e39", false, 0, 0}, NumberCase{"-1e39", false, 0, 0},
                      NumberCase{"1000000000000000000000000000000000000000", false, 0, 0},
                      // Exponent digits saturate instead of overflowing an int.
                      NumberCase{"1e99999999999999999999", false, 0, 0}, NumberCase{"1e2147483648", false, 0, 0},
                      // 0 times an overflowed power is NaN.
                      NumberCase{"0e99", false, 0, 0}));

// Fraction digits beyond the float divisor range are dropped, not turned into 0 or NaN.
TEST(NumberReader, VeryLongFractions) {
    for (const auto& [text, expected] :
         {std::pair<std::string, float>{"0." + std::string(41, '1'), 1.0f / 9.0f},
          std::pair<std::string, float>{"1." + std::string(50, '0') + "9", 1.0f},
          std::pair<std::string, float>{"2." + std::string(45, '5') + "e1", 25.555555f}}) {
        const char* cursor = text.data();
        float value = 0.0f;
        ASSERT_TRUE(parse_number(cursor, text.data() + text.size(), value)) << text;
        EXPECT_NEAR(value, expected, 1e-6f * expected) << text;  // float accumulation rounds a little
        EXPECT_EQ(cursor, text.data() + text.size());
    }
}

TEST(NumberReader, StopsAtTheEndOfTheRange) {
    const char* text = "123";
    const char* cursor = text;
    float value = 0.0f;
    ASSERT_TRUE(parse_number(cursor, text + 2, value));
    EXPECT_EQ(value, 12.0f);
    EXPECT_EQ(cursor, text + 2);

    const char* fraction = "1.5";
    cursor = fraction;
    EXPECT_FALSE(parse_number(cursor, fraction + 2, value));  // "1." at the end
    EXPECT_EQ(cursor, fraction);
}

}  // namespace
