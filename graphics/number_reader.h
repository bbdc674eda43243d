#pragma once

// The single-precision number reader shared by the transform-list and path-data parsers.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace pavrix_graphics {

// White space of every SVG value grammar: space, TAB, LF and CR only (one bit test per byte).
constexpr bool is_white_space(char ch) noexcept {
    constexpr std::uint64_t kWhiteSpace = (std::uint64_t{1} << ' ') | (std::uint64_t{1} << '\t') |
                                          (std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\r');
    const auto byte = static_cast<unsigned char>(ch);
    return byte <= ' ' && ((kWhiteSpace >> byte) & 1) != 0;
}

// Advances past white space; returns whether characters remain.
inline bool skip_white_space(const char*& cursor, const char* end) noexcept {
    while (cursor < end && is_white_space(*cursor))
        ++cursor;
    return cursor < end;
}

// White space, at most one ",", white space; returns whether a "," was passed.
inline bool skip_separator(const char*& cursor, const char* end) noexcept {
    skip_white_space(cursor, end);
    if (cursor >= end || *cursor != ',')
        return false;
    ++cursor;
    skip_white_space(cursor, end);
    return true;
}

// One number literal of the grammar below, as scanned: the spans of its digits and its exponent,
// saturated far beyond any exponent that keeps a float finite and non-zero.
struct NumberLiteral {
    const char* begin = nullptr;  // the sign, or the first digit or "."
    const char* integer_begin = nullptr;
    const char* integer_end = nullptr;
    const char* fraction_begin = nullptr;  // equal to fraction_end without a fraction
    const char* fraction_end = nullptr;
    const char* end = nullptr;  // after the exponent
    // The digit runs as integers, wrapping past 19 digits (which the evaluators check by length).
    std::uint64_t integer_digits = 0;
    std::uint64_t fraction_digits = 0;
    int exponent = 0;  // signed
    bool negative = false;
};

namespace number_reading {

constexpr bool is_digit(char ch) noexcept {
    return ch >= '0' && ch <= '9';
}

// Far beyond any exponent that keeps a float finite and non-zero, yet safe from int overflow.
constexpr int kExponentSaturation = 1000000;

// Every integer up to 2^24 is a float, and 10^k is one for k <= 10 (5^10 < 2^24): digit runs
// within both bounds accumulate without rounding, so integer arithmetic gives the same float.
constexpr std::uint64_t kExactFloatInteger = std::uint64_t{1} << 24;
constexpr std::ptrdiff_t kExactFloatPowerOfTen = 10;
// Digits an unsigned 64-bit accumulator holds without overflow.
constexpr std::ptrdiff_t kExactAccumulatorDigits = 19;
constexpr float kFloatPowersOfTen[] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f, 1e6f, 1e7f, 1e8f, 1e9f, 1e10f};

// Advances past a digit run, accumulating it as an unsigned integer (wrapping when the run is too
// long for it, which the callers check by its length).
inline const char* scan_digits(const char* it, const char* end, std::uint64_t& value) noexcept {
    std::uint64_t accumulated = 0;
    for (; it < end; ++it) {
        const unsigned digit = static_cast<unsigned char>(*it) - static_cast<unsigned>('0');
        if (digit > 9)
            break;
        accumulated = accumulated * 10 + digit;
    }
    value = accumulated;
    return it;
}

}  // namespace number_reading

// Scans one literal at cursor without evaluating it; false when the grammar fails. Inline, as are
// the evaluations, so that the readers of long path data keep the literal in registers.
inline bool scan_number(const char* cursor, const char* end, NumberLiteral& literal) noexcept {
    const char* it = cursor;
    literal.begin = cursor;
    literal.negative = false;
    if (it < end && (*it == '+' || *it == '-')) {
        literal.negative = *it == '-';
        ++it;
    }
    if (it >= end || !(number_reading::is_digit(*it) || *it == '.'))
        return false;
    literal.integer_begin = it;
    it = number_reading::scan_digits(it, end, literal.integer_digits);
    literal.integer_end = it;
    literal.fraction_begin = literal.fraction_end = it;
    literal.fraction_digits = 0;
    if (it < end && *it == '.') {
        ++it;
        if (it >= end || !number_reading::is_digit(*it))
            return false;
        literal.fraction_begin = it;
        it = number_reading::scan_digits(it, end, literal.fraction_digits);
        literal.fraction_end = it;
    }
    literal.exponent = 0;
    if (it < end && (*it == 'e' || *it == 'E')) {
        ++it;
        int exponent_sign = 1;
        if (it < end && (*it == '+' || *it == '-')) {
            if (*it == '-')
                exponent_sign = -1;
            ++it;
        }
        if (it >= end || !number_reading::is_digit(*it))
            return false;
        int exponent = 0;
        while (it < end && number_reading::is_digit(*it)) {
            if (exponent < number_reading::kExponentSaturation)
                exponent = exponent * 10 + (*it - '0');
            ++it;
        }
        literal.exponent = exponent_sign * exponent;
    }
    literal.end = it;
    return true;
}

// parse_number's float arithmetic on a scanned literal; may be infinite or NaN.
inline float number_value(const NumberLiteral& literal) noexcept {
    std::uint64_t exact = literal.integer_digits;
    float integer = 0.0f;
    if (literal.integer_end - literal.integer_begin <= number_reading::kExactAccumulatorDigits &&
        exact <= number_reading::kExactFloatInteger) {
        integer = static_cast<float>(exact);
    } else {
        for (const char* digit = literal.integer_begin; digit < literal.integer_end; ++digit)
            integer = integer * 10.0f + static_cast<float>(*digit - '0');
    }

    float number = integer;
    if (literal.fraction_begin < literal.fraction_end) {
        const std::ptrdiff_t count = literal.fraction_end - literal.fraction_begin;
        exact = literal.fraction_digits;
        if (count <= number_reading::kExactFloatPowerOfTen && exact <= number_reading::kExactFloatInteger) {
            number += static_cast<float>(exact) / number_reading::kFloatPowersOfTen[count];
        } else {
            float fraction = 0.0f;
            float divisor = 1.0f;
            for (const char* digit = literal.fraction_begin; digit < literal.fraction_end; ++digit) {
                // Past 38 digits the float divisor would overflow and turn the fraction into 0 or NaN;
                // such digits are far below float precision, so they are read and dropped.
                const float next_divisor = divisor * 10.0f;
                if (next_divisor <= std::numeric_limits<float>::max()) {
                    fraction = fraction * 10.0f + static_cast<float>(*digit - '0');
                    divisor = next_divisor;
                }
            }
            number += fraction / divisor;
        }
    }
    if (literal.exponent != 0)
        number *= std::pow(10.0f, static_cast<float>(literal.exponent));
    return literal.negative ? number * -1.0f : number * 1.0f;
}

// Reads one number from [cursor, end): optional sign, digits with an optional fraction (a "."
// needs a digit after it), optional exponent with at least one digit. The float arithmetic is
// fixed: integer digits accumulate as value*10 + digit, fraction digits as an integer-valued
// float divided by a float power of ten built by repeated *10, and a non-zero exponent
// multiplies by powf(10, exponent). Results outside the finite float range fail.
// On success the cursor stands after the number; on failure it is left where it was.
// White space is not skipped. The literal as scanned goes to `literal` when it is not null.
bool parse_number(const char*& cursor, const char* end, float& value, NumberLiteral* literal = nullptr);

}  // namespace pavrix_graphics
