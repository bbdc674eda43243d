#include "graphics/number_reader.h"
#include "svg/lexical/dual_number_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace pavrix_svg {
namespace {

// The float reader as it was before its integer fast path: every digit through float arithmetic.
bool referenceFloat(const char*& cursor, const char* end, float& value) {
    const char* it = cursor;
    float sign = 1.0f;
    if (it < end && (*it == '+' || *it == '-')) {
        if (*it == '-')
            sign = -1.0f;
        ++it;
    }
    const auto digit = [&] { return it < end && *it >= '0' && *it <= '9'; };
    if (it >= end || !(digit() || *it == '.'))
        return false;
    float number = 0.0f;
    for (; digit(); ++it)
        number = number * 10.0f + static_cast<float>(*it - '0');
    if (it < end && *it == '.') {
        ++it;
        if (!digit())
            return false;
        float fraction = 0.0f;
        float divisor = 1.0f;
        for (; digit(); ++it) {
            if (divisor * 10.0f <= std::numeric_limits<float>::max()) {
                fraction = fraction * 10.0f + static_cast<float>(*it - '0');
                divisor *= 10.0f;
            }
        }
        number += fraction / divisor;
    }
    if (it < end && (*it == 'e' || *it == 'E')) {
        ++it;
        int exponentSign = 1;
        if (it < end && (*it == '+' || *it == '-')) {
            exponentSign = *it == '-' ? -1 : 1;
            ++it;
        }
        if (!digit())
            return false;
        int exponent = 0;
        for (; digit(); ++it)
            if (exponent < 1000000)
                exponent = exponent * 10 + (*it - '0');
        if (exponent != 0)
            number *= std::pow(10.0f, static_cast<float>(exponentSign * exponent));
    }
    number *= sign;
    if (!(number >= -std::numeric_limits<float>::max() && number <= std::numeric_limits<float>::max()))
        return false;
    value = number;
    cursor = it;
    return true;
}

// The double evaluation of an accepted span as it was: every digit through double arithmetic.
double referenceDouble(const char* it, const char* end) {
    bool negative = false;
    if (*it == '+' || *it == '-')
        negative = *it++ == '-';
    const auto digit = [&] { return it < end && *it >= '0' && *it <= '9'; };
    double value = 0.0;
    for (; digit(); ++it)
        value = value * 10.0 + static_cast<double>(*it - '0');
    if (it < end && *it == '.') {
        ++it;
        double digits = 0.0;
        double scale = 1.0;
        for (; digit(); ++it) {
            if (scale < 1e300) {
                digits = digits * 10.0 + static_cast<double>(*it - '0');
                scale *= 10.0;
            }
        }
        value += digits / scale;
    }
    if (it < end && (*it == 'e' || *it == 'E')) {
        ++it;
        const bool negativeExponent = *it == '-';
        if (*it == '+' || *it == '-')
            ++it;
        std::int64_t exponent = 0;
        for (; digit(); ++it)
            if (exponent < 1000000)
                exponent = exponent * 10 + (*it - '0');
        if (exponent != 0)
            value *= std::pow(10.0, static_cast<double>(negativeExponent ? -exponent : exponent));
    }
    return negative ? -value : value;
}

// Artwork-like numbers and the edges of the exact integer paths: digit runs around 2^24 and 2^53,
// fractions of up to 25 digits with leading zeros, exponents, and malformed tails.
std::string randomLiteral(std::mt19937_64& random) {
    static constexpr const char* kTails[] = {"", "", " ", ",", "e", "e+", "e-3", "E12", ".", "-1", "x"};
    const auto pick = [&random](std::uint64_t n) { return static_cast<int>(random() % n); };
    std::string text;
    if (pick(3) == 0)
        text += pick(2) ? '-' : '+';
    const auto digits = [&](int count) {
        for (int i = 0; i < count; ++i)
            text += static_cast<char>('0' + pick(pick(4) == 0 ? 2 : 10));
    };
    if (pick(5) == 0)
        text.append(static_cast<std::size_t>(pick(12)), '0');
    const int shape = pick(6);
    const int integerDigits = shape == 0 ? 0 : shape == 1 ? 6 + pick(14) : pick(6);
    digits(integerDigits);
    if (integerDigits == 0 || pick(2)) {
        text += '.';
        if (pick(4) == 0)
            text.append(static_cast<std::size_t>(pick(10)), '0');
        digits(1 + pick(shape == 2 ? 25 : 9));
    }
    text += kTails[pick(std::size(kTails))];
    return text;
}

TEST(FloatReaders, AgreeWithTheDigitByDigitReadersBitForBit) {
    std::mt19937_64 random(9122026);
    constexpr int kLiterals = 2'000'000;
    for (int n = 0; n < kLiterals; ++n) {
        const std::string text = randomLiteral(random);
        const char* const end = text.data() + text.size();
        const char* expectedCursor = text.data();
        float expected = 0.0f;
        const bool expectedOk = referenceFloat(expectedCursor, end, expected);

        const char* cursor = text.data();
        float value = 0.0f;
        ASSERT_EQ(pavrix_graphics::parse_number(cursor, end, value), expectedOk) << text;
        if (!expectedOk)
            continue;
        ASSERT_EQ(cursor, expectedCursor) << text;
        ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;

        const double expectedExact = referenceDouble(text.data(), expectedCursor);
        const char* dualCursor = text.data();
        float single = 0.0f;
        double exact = 0.0;
        ASSERT_EQ(readDualNumber(dualCursor, end, single, exact), std::isfinite(expectedExact)) << text;
        if (!std::isfinite(expectedExact))
            continue;
        ASSERT_EQ(dualCursor, expectedCursor) << text;
        ASSERT_EQ(std::memcmp(&single, &expected, sizeof single), 0) << text;
        ASSERT_EQ(std::memcmp(&exact, &expectedExact, sizeof exact), 0) << text;
    }
}

}  // namespace
}  // namespace pavrix_svg
