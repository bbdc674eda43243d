#include "svg/screen/capability_classifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>

namespace pavrix_svg {
namespace {

// The straightforward scan: a number whose value is not finite, or that breaks off after a
// "." or an exponent letter, is retried one byte further on. Quadratic; a reference for small
// inputs only.
bool referenceScan(std::string_view t) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t pos = 0;
    const std::size_t n = t.size();
    while (pos < n) {
        const char c = t[pos];
        if (!(digit(c) || c == '+' || c == '-' || c == '.')) {
            ++pos;
            continue;
        }
        const std::size_t s = pos;
        std::size_t i = s;
        bool negative = false;
        if (t[i] == '+' || t[i] == '-')
            negative = t[i++] == '-';
        double integer = 0.0;
        while (i < n && digit(t[i]))
            integer = integer * 10.0 + (t[i++] - '0');
        double fraction = 0.0;
        if (i < n && t[i] == '.') {
            if (i + 1 >= n || !digit(t[i + 1])) {
                pos = s + 1;
                continue;
            }
            ++i;
            double digits = 0.0;
            double scale = 1.0;
            while (i < n && digit(t[i])) {
                if (scale < 1e300) {
                    digits = digits * 10.0 + (t[i] - '0');
                    scale *= 10.0;
                }
                ++i;
            }
            fraction = digits / scale;
        }
        double power = 1.0;
        if (i < n && (t[i] == 'e' || t[i] == 'E') && !(i + 1 < n && (t[i + 1] == 'x' || t[i + 1] == 'm'))) {
            std::size_t j = i + 1;
            bool negativeExponent = false;
            if (j < n && (t[j] == '+' || t[j] == '-'))
                negativeExponent = t[j++] == '-';
            if (j >= n || !digit(t[j])) {
                pos = s + 1;
                continue;
            }
            std::int64_t exponent = 0;
            while (j < n && digit(t[j])) {
                if (exponent < 100000000)
                    exponent = exponent * 10 + (t[j] - '0');
                ++j;
            }
            power = std::pow(10.0, static_cast<double>(negativeExponent ? -exponent : exponent));
            i = j;
        }
        double mantissa = integer + fraction;
        if (negative)
            mantissa = -mantissa;
        const double value = mantissa * power;
        if (std::isfinite(value)) {
            const double m = std::fabs(value);
            if (i > s && value != 0.0 && (m < 1.1754943508222875e-38 || m > 3.4028234663852886e38))
                return true;
            pos = i;
            continue;
        }
        pos = s + 1;
    }
    return false;
}

// The check given the digits a reader measured: the text's longest digit run and its exponent letters.
bool measuredCheck(std::string_view text) {
    std::size_t run = 0;
    std::size_t longestRun = 0;
    for (const char c : text) {
        run = c >= '0' && c <= '9' ? run + 1 : 0;
        longestRun = std::max(longestRun, run);
    }
    return checkNumbersFloatRange(text, longestRun, text.find_first_of("eE") != std::string_view::npos);
}

struct RangeCase {
    std::string text;
    bool outside;
};

class FloatRangeCases : public ::testing::TestWithParam<RangeCase> {};

TEST_P(FloatRangeCases, MatchesExpectation) {
    EXPECT_EQ(checkNumbersFloatRange(GetParam().text), GetParam().outside) << GetParam().text;
    EXPECT_EQ(referenceScan(GetParam().text), GetParam().outside) << GetParam().text;
    EXPECT_EQ(measuredCheck(GetParam().text), GetParam().outside) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Values, FloatRangeCases,
    ::testing::Values(RangeCase{"0", false}, RangeCase{"3.5e38", true}, RangeCase{"-3.5e38", true},
                      RangeCase{"1e-39", true}, RangeCase{"2e-38", false}, RangeCase{"3.4e38", false},
                      RangeCase{"3.4028234663852886e38", false},
                      RangeCase{"1e999", false},   // infinite: passed over, then "999" is in range
                      RangeCase{"0e999", false},   // 0 * inf is not finite either
                      RangeCase{"1e-999", false},  // underflows to 0, which is never reported
                      RangeCase{"1.5e-39", true}, RangeCase{".5e-40", true}, RangeCase{"5.e-40", false},
                      RangeCase{"1e-39em", true}, RangeCase{"2em", false}, RangeCase{"1ex", false},
                      RangeCase{"1e", false}, RangeCase{"1e+", false}, RangeCase{"+-.", false}, RangeCase{"", false},
                      RangeCase{"M0 0 L1e39 0", true}, RangeCase{"scale(1e-40)", true}, RangeCase{"10-5", false},
                      RangeCase{"translate(1 2) scale(0.9)", false}, RangeCase{"-e999 +E5 .e-50", false},
                      RangeCase{"1e99999999999999999999", false},  // exponent saturates; never wraps into range
                      RangeCase{"1e-99999999999999999999", false},
                      RangeCase{std::string(400, '1'), true},  // later suffixes are finite and huge
                      RangeCase{std::string(400, '0'), false}, RangeCase{std::string(400, '0') + "1e-50", true},
                      RangeCase{"1" + std::string(400, '0') + "e-390", false},  // first finite suffix is all zeros
                      RangeCase{"0." + std::string(400, '0') + "1", false}));

TEST(FloatRangeScan, AgreesWithReferenceOnRandomText) {
    std::mt19937 random(12345);
    const std::string alphabet = "0123456789000..eE-+xm a,";
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const int length = static_cast<int>(random() % 40);
        for (int k = 0; k < length; ++k) {
            if (random() % 50 == 0)
                text.append(static_cast<std::size_t>(300 + random() % 40), static_cast<char>('0' + random() % 10));
            else
                text.push_back(alphabet[random() % alphabet.size()]);
        }
        ASSERT_EQ(checkNumbersFloatRange(text), referenceScan(text)) << text;
        ASSERT_EQ(measuredCheck(text), referenceScan(text)) << text;
    }
}

TEST(FloatRangeScan, AgreesWithReferenceOnLongRuns) {
    const std::string runs[] = {
        std::string(5000, '9'),
        "1" + std::string(5000, '0') + "1e400",
        std::string(5000, '0') + "e400",
        std::string(5000, '7') + ".5e-600",
        std::string(320, '1') + "." + std::string(320, '2') + "e-10",
        "-" + std::string(5000, '3') + ".",
        std::string(3000, '1') + "e",
        "0." + std::string(5000, '0') + "1e-1",
    };
    for (const std::string& text : runs)
        EXPECT_EQ(checkNumbersFloatRange(text), referenceScan(text)) << text.substr(0, 40);
}

// A megabyte of digits must be scanned in one linear pass; the verdicts equal those of the
// shorter runs above.
TEST(FloatRangeScan, MegabyteDigitRuns) {
    const std::size_t size = 1 << 20;
    EXPECT_TRUE(checkNumbersFloatRange(std::string(size, '9')));
    EXPECT_FALSE(checkNumbersFloatRange(std::string(size, '0')));
    EXPECT_FALSE(checkNumbersFloatRange(std::string(size, '0') + "e400"));
    EXPECT_FALSE(checkNumbersFloatRange(std::string(size, '1') + "."));
    EXPECT_FALSE(checkNumbersFloatRange(std::string(size, '1') + "e"));
    EXPECT_EQ(checkNumbersFloatRange("1" + std::string(size, '0') + "1e400"),
              referenceScan("1" + std::string(5000, '0') + "1e400"));
    std::string pairs;
    while (pairs.size() < size)
        pairs += "1.";
    EXPECT_FALSE(checkNumbersFloatRange(pairs));
}

}  // namespace
}  // namespace pavrix_svg
