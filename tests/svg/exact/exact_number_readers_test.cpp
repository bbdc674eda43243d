#include "svg/exact/exact_number_readers.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pavrix_svg {
namespace {

struct LengthCase {
    const char* text;
    bool ok;
    double value;
    ExactLengthUnit unit;
};

class ExactLength : public ::testing::TestWithParam<LengthCase> {};

TEST_P(ExactLength, Parses) {
    double value = -1;
    ExactLengthUnit unit = ExactLengthUnit::ex;
    const bool ok = parseLengthExact(GetParam().text, 42.0, value, unit);
    EXPECT_EQ(ok, GetParam().ok) << GetParam().text;
    if (ok && GetParam().ok) {
        EXPECT_EQ(value, GetParam().value) << GetParam().text;
        EXPECT_EQ(unit, GetParam().unit) << GetParam().text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ExactLength,
    ::testing::Values(
        LengthCase{"2mm", true, 2 * 3.7795275590551185, ExactLengthUnit::px},
        LengthCase{"1in", true, 96, ExactLengthUnit::px}, LengthCase{"1pc", true, 16, ExactLengthUnit::px},
        LengthCase{"3pt", true, 3 * 1.3333333333333333, ExactLengthUnit::px},
        LengthCase{"1cm", true, 37.79527559055118, ExactLengthUnit::px},
        LengthCase{" 0.1px ", true, 0.1, ExactLengthUnit::px}, LengthCase{"0.1", true, 0.1, ExactLengthUnit::px},
        LengthCase{"3em", true, 3, ExactLengthUnit::em}, LengthCase{"2ex", true, 2, ExactLengthUnit::ex},
        LengthCase{"50%", true, 50, ExactLengthUnit::percent}, LengthCase{"", true, 42, ExactLengthUnit::px},
        LengthCase{"5 px", false, 0, ExactLengthUnit::px}, LengthCase{"1e", false, 0, ExactLengthUnit::px},
        LengthCase{"inf", false, 0, ExactLengthUnit::px}, LengthCase{"1PX", false, 0, ExactLengthUnit::px},
        LengthCase{"px", false, 0, ExactLengthUnit::px}));

TEST(ExactNumbers, LengthMayBeRequired) {
    double value = 7;
    ExactLengthUnit unit = ExactLengthUnit::px;
    EXPECT_FALSE(parseLengthExact("  ", 1.0, value, unit, false));
    EXPECT_EQ(value, 7);
}

TEST(ExactNumbers, NumberWithFallback) {
    EXPECT_EQ(exactNumberOrFallback("4", 9), 4);
    EXPECT_EQ(exactNumberOrFallback(" 4.1 ", 9), 4.1);
    EXPECT_EQ(exactNumberOrFallback("4x", 9), 9);
    EXPECT_EQ(exactNumberOrFallback("", 9), 9);
    EXPECT_EQ(exactNumberOrFallback("inf", 9), 9);
}

TEST(ExactNumbers, LengthWithFallback) {
    EXPECT_EQ(exactLengthOrFallback("2mm", 2, 7.5590553f), 7.559055118110237);
    EXPECT_EQ(exactLengthOrFallback("0.1", 0.1f, 0.1f), 0.1);
    EXPECT_EQ(exactLengthOrFallback("0.1 px", 0.1f, 0.1f), 0.1);
    EXPECT_EQ(exactLengthOrFallback("1.5em", 1.5, 18), 18);
    EXPECT_EQ(exactLengthOrFallback("2em", 0, 5), 5);
    EXPECT_EQ(exactLengthOrFallback("0%", 0, 0), 0);
    EXPECT_EQ(exactLengthOrFallback("5foo", 5, 6), 6);
    EXPECT_EQ(exactLengthOrFallback("x", 5, 6), 6);
    // Conversions past the double range fall back instead of giving infinity.
    EXPECT_EQ(exactLengthOrFallback("1e308in", 1, 1), 1);
    EXPECT_EQ(exactLengthOrFallback("1e308em", 1e-10, 5), 5);
    EXPECT_EQ(exactLengthOrFallback("1e308", 1, 1), 1e308);
}

TEST(ExactNumbers, DashListTokens) {
    using Tokens = std::vector<std::string_view>;
    EXPECT_EQ(tokenizeDashList("5, 3 2"), (Tokens{"5", "3", "2"}));
    EXPECT_EQ(tokenizeDashList("5px,10%"), (Tokens{"5px", "10%"}));
    EXPECT_EQ(tokenizeDashList(" none "), Tokens{});
    EXPECT_EQ(tokenizeDashList("5 x"), Tokens{});
    EXPECT_EQ(tokenizeDashList(""), Tokens{});
    EXPECT_EQ(tokenizeDashList("1e 2"), (Tokens{"1e", "2"}));
    EXPECT_EQ(tokenizeDashList("1-2"), (Tokens{"1", "-2"}));
}

}  // namespace
}  // namespace pavrix_svg
