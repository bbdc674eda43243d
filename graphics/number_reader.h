#pragma once

// The single-precision number reader shared by the transform-list and path-data parsers.

#include <cstdint>

namespace pavrix_graphics {

// White space of every SVG value grammar: space, TAB, LF and CR only.
constexpr bool is_white_space(char ch) noexcept {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r';
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

// Scans one literal at cursor without evaluating it; false when the grammar fails.
bool scan_number(const char* cursor, const char* end, NumberLiteral& literal) noexcept;

// parse_number's float arithmetic on a scanned literal; may be infinite or NaN.
float number_value(const NumberLiteral& literal) noexcept;

// Reads one number from [cursor, end): optional sign, digits with an optional fraction (a "."
// needs a digit after it), optional exponent with at least one digit. The float arithmetic is
// fixed: integer digits accumulate as value*10 + digit, fraction digits as an integer-valued
// float divided by a float power of ten built by repeated *10, and a non-zero exponent
// multiplies by powf(10, exponent). Results outside the finite float range fail.
// On success the cursor stands after the number; on failure it is left where it was.
// White space is not skipped.
bool parse_number(const char*& cursor, const char* end, float& value);

}  // namespace pavrix_graphics
