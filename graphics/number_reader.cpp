#include "graphics/number_reader.h"

#include <cmath>
#include <limits>

namespace pavrix_graphics {

namespace {

constexpr bool is_digit(char ch) noexcept {
    return ch >= '0' && ch <= '9';
}

// Far beyond any exponent that keeps a float finite and non-zero, yet safe from int overflow.
constexpr int kExponentSaturation = 1000000;

}  // namespace

bool parse_number(const char*& cursor, const char* end, float& value) {
    const char* it = cursor;
    float sign = 1.0f;
    if (it < end && (*it == '+' || *it == '-')) {
        if (*it == '-')
            sign = -1.0f;
        ++it;
    }
    if (it >= end || !(is_digit(*it) || *it == '.'))
        return false;

    float integer = 0.0f;
    while (it < end && is_digit(*it)) {
        integer = integer * 10.0f + static_cast<float>(*it - '0');
        ++it;
    }

    float number = integer;
    if (it < end && *it == '.') {
        ++it;
        if (it >= end || !is_digit(*it))
            return false;
        float fraction = 0.0f;
        float divisor = 1.0f;
        while (it < end && is_digit(*it)) {
            // Past 38 digits the float divisor would overflow and turn the fraction into 0 or NaN;
            // such digits are far below float precision, so they are read and dropped.
            const float next_divisor = divisor * 10.0f;
            if (next_divisor <= std::numeric_limits<float>::max()) {
                fraction = fraction * 10.0f + static_cast<float>(*it - '0');
                divisor = next_divisor;
            }
            ++it;
        }
        number += fraction / divisor;
    }

    if (it < end && (*it == 'e' || *it == 'E')) {
        ++it;
        int exponent_sign = 1;
        if (it < end && (*it == '+' || *it == '-')) {
            if (*it == '-')
                exponent_sign = -1;
            ++it;
        }
        if (it >= end || !is_digit(*it))
            return false;
        int exponent = 0;
        while (it < end && is_digit(*it)) {
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (*it - '0');
            ++it;
        }
        if (exponent != 0)
            number *= std::pow(10.0f, static_cast<float>(exponent_sign * exponent));
    }

    number *= sign;
    if (!(number >= -std::numeric_limits<float>::max() && number <= std::numeric_limits<float>::max()))
        return false;
    value = number;
    cursor = it;
    return true;
}

}  // namespace pavrix_graphics
