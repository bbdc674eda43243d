#include "graphics/number_reader.h"
#include "svg/lexical/dual_number_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <type_traits>

namespace pavrix_svg {
namespace {

// The readers as they were before their fast paths: every digit through T arithmetic. Malformed
// text and values beyond the finite range of T are rejected.
template <typename T>
bool referenceRead(const char*& cursor, const char* end, T& value) {
    const char* it = cursor;
    T sign = 1;
    if (it < end && (*it == '+' || *it == '-')) {
        if (*it == '-')
            sign = -1;
        ++it;
    }
    const auto digit = [&] { return it < end && *it >= '0' && *it <= '9'; };
    if (it >= end || !(digit() || *it == '.'))
        return false;
    T number = 0;
    for (; digit(); ++it)
        number = number * T(10) + static_cast<T>(*it - '0');
    if (it < end && *it == '.') {
        ++it;
        if (!digit())
            return false;
        T fraction = 0;
        T divisor = 1;
        for (; digit(); ++it) {
            // The float reader kept digits while the divisor stayed finite, the double one below 1e300.
            if (std::is_same_v<T, float> ? divisor * 10.0f <= std::numeric_limits<float>::max() : divisor < 1e300) {
                fraction = fraction * T(10) + static_cast<T>(*it - '0');
                divisor *= T(10);
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
            number *= std::pow(T(10), static_cast<T>(exponentSign * exponent));
    }
    number *= sign;
    if (!(number >= -std::numeric_limits<T>::max() && number <= std::numeric_limits<T>::max()))
        return false;
    value = number;
    cursor = it;
    return true;
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
        const bool expectedOk = referenceRead(expectedCursor, end, expected);

        const char* cursor = text.data();
        float value = 0.0f;
        ASSERT_EQ(pavrix_graphics::parse_number(cursor, end, value), expectedOk) << text;
        if (!expectedOk)
            continue;
        ASSERT_EQ(cursor, expectedCursor) << text;
        ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << text;

        // The double evaluation of the accepted span, rejected when it leaves the finite range.
        const char* exactCursor = text.data();
        double expectedExact = 0.0;
        const bool exactOk = referenceRead(exactCursor, expectedCursor, expectedExact);
        const char* dualCursor = text.data();
        float single = 0.0f;
        double exact = 0.0;
        ASSERT_EQ(readDualNumber(dualCursor, end, single, exact), exactOk) << text;
        if (!exactOk)
            continue;
        ASSERT_EQ(exactCursor, expectedCursor) << text;
        ASSERT_EQ(dualCursor, expectedCursor) << text;
        ASSERT_EQ(std::memcmp(&single, &expected, sizeof single), 0) << text;
        ASSERT_EQ(std::memcmp(&exact, &expectedExact, sizeof exact), 0) << text;
    }
}

}  // namespace
}  // namespace pavrix_svg
