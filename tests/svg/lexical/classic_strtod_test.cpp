#include "svg/lexical/classic_strtod.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace pavrix_svg {
namespace {

class StrtodAgreement : public ::testing::TestWithParam<const char*> {};

// The bounded reader consumes exactly what strtod consumes on a NUL-terminated copy.
TEST_P(StrtodAgreement, SameSpanAndValue)
{
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

INSTANTIATE_TEST_SUITE_P(Grammar, StrtodAgreement, ::testing::Values(
    "", " ", "x", "1", "  -1.5e3x", "+.5", ".", "-.", "5.", "5.e", "1e", "1e+", "1e+5", "1E-2m", "0x", "0x1p3",
    "0X1.8P1", "0x.8", "0x.p1", "0x1p", "inf", "-INFINITY", "infinit", "nan", "nan(123)", "nan(12", "NaN()",
    "\v\f7", "1,5", "00012", "1e400", "4.9e-325", "12abc"));

TEST(ClassicStrtod, ReadsOnlyTheView)
{
    const char buffer[] = "12345";
    const StrtodResult result = strtodClassic(std::string_view(buffer, 2));
    EXPECT_EQ(result.consumed, 2u);
    EXPECT_EQ(result.value, 12.0);
    const StrtodResult cut = strtodClassic(std::string_view("1e5", 2));
    EXPECT_EQ(cut.consumed, 1u);
    EXPECT_EQ(cut.value, 1.0);
}

TEST(ClassicStrtod, LongDigitRun)
{
    const std::string digits(100000, '1');
    const StrtodResult result = strtodClassic(digits);
    EXPECT_EQ(result.consumed, digits.size());
    EXPECT_TRUE(std::isinf(result.value));
    const StrtoldResult wide = strtoldClassic("0.1");
    EXPECT_EQ(wide.consumed, 3u);
    EXPECT_EQ(wide.value, 0.1L);
}

// Under a locale whose decimal separator is a comma, "0.5" still reads as one half.
TEST(ClassicStrtod, IgnoresProcessLocale)
{
    const char* names[] = {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "de_DE", "fr_FR"};
    const char* chosen = nullptr;
    for (const char* name : names) {
        if (std::setlocale(LC_NUMERIC, name)) {
            chosen = name;
            break;
        }
    }
    if (!chosen)
        GTEST_SKIP() << "no locale with a decimal comma installed";
    const StrtodResult result = strtodClassic("0.5");
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(result.consumed, 3u);
    EXPECT_EQ(result.value, 0.5);
}

} // namespace
} // namespace pavrix_svg
