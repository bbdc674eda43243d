#include "svg/lexical/classic_strtod.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <random>
#include <string>
#include <string_view>

namespace pavrix_svg {
namespace {

class StrtodAgreement : public ::testing::TestWithParam<const char*> {};

// The bounded reader consumes exactly what strtod consumes on a NUL-terminated copy.
TEST_P(StrtodAgreement, SameSpanAndValue) {
    const std::string text = GetParam();
    char* end = nullptr;
    const double expected = std::strtod(text.c_str(), &end);
    const std::size_t expectedLength = static_cast<std::size_t>(end - text.c_str());
    const StrtodResult result = strtodClassic(text);
    EXPECT_EQ(result.consumed, expectedLength) << text;
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(result.value)) << text;
    else
        EXPECT_EQ(result.value, expected) << text;
}

INSTANTIATE_TEST_SUITE_P(Grammar, StrtodAgreement,
                         ::testing::Values("", " ", "x", "1", "  -1.5e3x", "+.5", ".", "-.", "5.", "5.e", "1e", "1e+",
                                           "1e+5", "1E-2m", "0x", "0x1p3", "0X1.8P1", "0x.8", "0x.p1", "0x1p", "inf",
                                           "-INFINITY", "infinit", "nan", "nan(123)", "nan(12", "NaN()", "\v\f7", "1,5",
                                           "00012", "1e400", "4.9e-325", "12abc"));

// Only the view is read, and a digit run far beyond double range is consumed whole as infinity.
TEST(ClassicStrtod, ReadsOnlyTheViewAndLongDigitRuns) {
    const std::string ones(100000, '1');
    const struct {
        std::string_view text;
        std::size_t consumed;
        double value;
    } rows[] = {{{"12345", 2}, 2, 12.0}, {{"1e5", 2}, 1, 1.0}, {ones, ones.size(), HUGE_VAL}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 10));
        const StrtodResult result = strtodClassic(row.text);
        EXPECT_EQ(result.consumed, row.consumed);
        EXPECT_EQ(result.value, row.value);
    }
    const StrtoldResult wide = strtoldClassic("0.1");
    EXPECT_EQ(wide.consumed, 3u);
    EXPECT_EQ(wide.value, 0.1L);
}

// Under a locale whose decimal separator is a comma, "0.5" still reads as one half.
TEST(ClassicStrtod, IgnoresProcessLocale) {
    bool chosen = false;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"})
        chosen = chosen || std::setlocale(LC_NUMERIC, name) != nullptr;
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const StrtodResult result = strtodClassic("0.5");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(result.consumed, 3u);
    EXPECT_EQ(result.value, 0.5);
}

// The conversion every number took before the fast paths: the C library on a NUL-terminated copy.
locale_t referenceLocale() {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Literals shaped like artwork numbers and like their edges: leading zeros, long digit runs,
// exponents near every limit, signs, and text after the number that may or may not extend it.
std::string randomLiteral(std::mt19937_64& random) {
    static constexpr const char* kSuffixes[] = {"", "", "", " ", ",", "e", "e+", "em", "ex", "E-", ".", "x", "-1"};
    const auto pick = [&random](std::uint64_t n) { return static_cast<int>(random() % n); };
    std::string text;
    const int sign = pick(4);
    if (sign == 1)
        text += '-';
    else if (sign == 2 && pick(4) == 0)
        text += '+';
    const auto digits = [&](int count) {
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + pick(pick(3) == 0 ? 2 : 10));
    };
    const int shape = pick(8);
    const int integerDigits = shape == 0 ? 0 : shape == 1 ? 20 + pick(30) : pick(8);
    if (pick(6) == 0)
        text.append(static_cast<std::size_t>(pick(25)), '0');
    digits(integerDigits);
    if (integerDigits == 0 || pick(3) != 0) {
        text += '.';
        digits(integerDigits == 0 ? 1 + pick(shape == 2 ? 40 : 12) : pick(shape == 2 ? 40 : 12));
    }
    if (pick(3) == 0) {
        text += pick(2) ? 'e' : 'E';
        const int exponentSign = pick(3);
        if (exponentSign)
            text += exponentSign == 1 ? '-' : '+';
        const int magnitude = pick(4) == 0 ? pick(5000) : pick(40);
        text += std::to_string(magnitude);
    }
    text += kSuffixes[pick(std::size(kSuffixes))];
    return text;
}

// Bit-for-bit agreement with the C library over millions of generated literals, so that the fast
// paths change no value anywhere.
TEST(ClassicStrtod, AgreesWithTheCLibraryBitForBit) {
    std::mt19937_64 random(20261209);
    const locale_t locale = referenceLocale();
    ASSERT_NE(locale, static_cast<locale_t>(nullptr));
    constexpr int kLiterals = 2'000'000;
    for (int n = 0; n < kLiterals; ++n) {
        const std::string text = randomLiteral(random);
        char* end = nullptr;
        const double expected = strtod_l(text.c_str(), &end, locale);
        const std::size_t expectedLength = static_cast<std::size_t>(end - text.c_str());
        const long double expectedWide = strtold_l(text.c_str(), &end, locale);
        const StrtodResult narrow = strtodClassic(text);
        const StrtoldResult wide = strtoldClassic(text);
        ASSERT_EQ(narrow.consumed, expectedLength) << text;
        ASSERT_EQ(wide.consumed, expectedLength) << text;
        ASSERT_EQ(strtodLength(text), expectedLength) << text;
        ASSERT_EQ(std::memcmp(&narrow.value, &expected, sizeof expected), 0) << text;
        // The 80-bit format: significand and sign/exponent, never the padding.
        ASSERT_EQ(std::memcmp(&wide.value, &expectedWide, 10), 0) << text;
    }
}

}  // namespace
}  // namespace pavrix_svg
