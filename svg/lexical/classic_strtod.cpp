#include "svg/lexical/classic_strtod.h"

#include "svg/lexical/exact_decimal.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale.h>
#include <new>
#include <string>
#include <system_error>

namespace pavrix_svg {

namespace {

locale_t classicLocale() noexcept {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

constexpr bool isCSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

constexpr bool isHexDigit(char c) noexcept {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

constexpr bool isAlnumOrUnderscore(char c) noexcept {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

constexpr char lower(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

bool startsWithNoCase(std::string_view text, std::size_t at, std::string_view word) noexcept {
    if (text.size() - at < word.size())
        return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (lower(text[at + i]) != word[i])
            return false;
    return true;
}

// Skips an exponent part ([eE] or [pP], optional sign, at least one decimal digit) when complete.
std::size_t skipExponent(std::string_view text, std::size_t i, char letter) noexcept {
    if (i >= text.size() || lower(text[i]) != letter)
        return i;
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-'))
        ++j;
    if (j >= text.size() || !isDigit(text[j]))
        return i;
    while (j < text.size() && isDigit(text[j]))
        ++j;
    return j;
}

// End of the decimal literal starting at i (after white space and sign), or 0 without a digit.
std::size_t decimalSpanLength(std::string_view text, std::size_t i) noexcept {
    std::size_t j = i;
    bool digits = false;
    while (j < text.size() && isDigit(text[j])) {
        ++j;
        digits = true;
    }
    if (j < text.size() && text[j] == '.') {
        std::size_t k = j + 1;
        while (k < text.size() && isDigit(text[k])) {
            ++k;
            digits = true;
        }
        if (digits)
            j = k;
    }
    if (!digits)
        return 0;
    return skipExponent(text, j, 'e');
}

// Length of the longest prefix strtod would consume (0 when it reads nothing). Mirrors the C
// library's grammar so that the conversion can run on a bounded, NUL-terminated copy.
std::size_t strtodSpan(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && isCSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= text.size())
        return 0;
    const char first = text[i];
    if (isDigit(first) || first == '.') {
        if (first != '0' || i + 1 >= text.size() || lower(text[i + 1]) != 'x')
            return decimalSpanLength(text, i);
    }
    if (startsWithNoCase(text, i, "inf"))
        return startsWithNoCase(text, i, "infinity") ? i + 8 : i + 3;
    if (startsWithNoCase(text, i, "nan")) {
        std::size_t j = i + 3;
        if (j < text.size() && text[j] == '(') {
            std::size_t k = j + 1;
            while (k < text.size() && isAlnumOrUnderscore(text[k]))
                ++k;
            if (k < text.size() && text[k] == ')')
                return k + 1;
        }
        return j;
    }
    if (text[i] == '0' && i + 1 < text.size() && lower(text[i + 1]) == 'x') {
        std::size_t j = i + 2;
        bool digits = false;
        while (j < text.size() && isHexDigit(text[j])) {
            ++j;
            digits = true;
        }
        if (j < text.size() && text[j] == '.') {
            std::size_t k = j + 1;
            while (k < text.size() && isHexDigit(text[k])) {
                ++k;
                digits = true;
            }
            if (digits)
                j = k;
        }
        if (digits)
            return skipExponent(text, j, 'p');
        return i + 1;  // just the "0"
    }
    return decimalSpanLength(text, i);
}

// The span of a plain decimal literal (no hexadecimal, infinity or NaN) as strtodSpan found it.
struct DecimalSpan {
    const char* number = nullptr;  // the sign when negative, else the first digit or "."
    const char* end = nullptr;
    bool negative = false;
};

bool decimalSpan(std::string_view text, std::size_t span, DecimalSpan& decimal) noexcept {
    std::size_t i = 0;
    while (i < span && isCSpace(text[i]))
        ++i;
    decimal.negative = i < span && text[i] == '-';
    const std::size_t number = i < span && text[i] == '+' ? i + 1 : i;  // from_chars takes no plus sign
    if (i < span && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= span || !(isDigit(text[i]) || text[i] == '.'))
        return false;
    if (text[i] == '0' && i + 1 < span && lower(text[i + 1]) == 'x')
        return false;
    decimal.number = text.data() + number;
    decimal.end = text.data() + span;
    return true;
}

// Powers of ten exact in the 64-bit significand of long double: 5^27 < 2^64.
constexpr int kExactLongDoublePowers = 27;
// Significant digits that always fit an unsigned 64-bit integer, so its conversion is exact too.
constexpr int kExactMantissaDigits = 19;
// Past this magnitude the exponent decides nothing on the fast path anyway.
constexpr int kExponentSaturation = 100000;

constexpr auto kLongDoublePowersOfTen = powersOfTen<long double, kExactLongDoublePowers>();

// The mantissa (digits and ".") and the saturated exponent of a decimal span.
struct DecimalParts {
    const char* mantissa = nullptr;
    const char* mantissaEnd = nullptr;
    std::int64_t exponent = 0;
};

DecimalParts splitDecimal(const DecimalSpan& decimal) noexcept {
    DecimalParts parts;
    const char* p = decimal.number;
    if (*p == '-')
        ++p;
    parts.mantissa = p;
    while (p < decimal.end && (isDigit(*p) || *p == '.'))
        ++p;
    parts.mantissaEnd = p;
    if (p < decimal.end) {  // the exponent strtodSpan accepted
        ++p;
        const bool negative = *p == '-';
        if (*p == '+' || *p == '-')
            ++p;
        for (; p < decimal.end; ++p)
            if (parts.exponent < kExponentSaturation)
                parts.exponent = parts.exponent * 10 + (*p - '0');
        if (negative)
            parts.exponent = -parts.exponent;
    }
    return parts;
}

// A plain decimal literal with few significant digits, read by the strtod grammar in one pass:
// its significant digits as an integer, its decimal power and the bytes strtod would consume.
struct ShortDecimal {
    std::uint64_t mantissa = 0;
    std::int64_t power = 0;
    std::size_t consumed = 0;
    bool negative = false;
};

// False for anything but a decimal literal of at most kExactMantissaDigits significant digits
// (the general conversion then decides, also whether anything is read at all).
bool scanShortDecimal(std::string_view text, ShortDecimal& decimal) noexcept {
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    const char* p = begin;
    while (p < end && isCSpace(*p))
        ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p >= end || !(isDigit(*p) || *p == '.') || (*p == '0' && p + 1 < end && lower(p[1]) == 'x'))
        return false;
    std::uint64_t mantissa = 0;
    int digits = 0;
    std::int64_t scale = 0;
    bool anyDigit = false;
    // False when the digit would exceed what the accumulator holds exactly.
    const auto take = [&](char c, bool fraction) {
        anyDigit = true;
        if (fraction)
            --scale;
        if (mantissa == 0 && c == '0')
            return true;  // leading zeros carry no digit
        if (digits == kExactMantissaDigits)
            return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
        ++digits;
        return true;
    };
    for (; p < end && isDigit(*p); ++p)
        if (!take(*p, false))
            return false;
    if (p < end && *p == '.') {
        const char* q = p + 1;
        for (; q < end && isDigit(*q); ++q)
            if (!take(*q, true))
                return false;
        if (!anyDigit)
            return false;  // a lone "." reads nothing
        p = q;
    }
    if (!anyDigit)
        return false;
    std::int64_t exponent = 0;
    if (p < end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool negativeExponent = false;
        if (q < end && (*q == '+' || *q == '-')) {
            negativeExponent = *q == '-';
            ++q;
        }
        if (q < end && isDigit(*q)) {  // otherwise the "e" is not part of the number
            for (; q < end && isDigit(*q); ++q)
                if (exponent < kExponentSaturation)
                    exponent = exponent * 10 + (*q - '0');
            exponent = negativeExponent ? -exponent : exponent;
            p = q;
        }
    }
    decimal = ShortDecimal{mantissa, exponent + scale, static_cast<std::size_t>(p - begin), negative};
    return true;
}

// Correctly rounded value of a short decimal whose digits and power of ten are both exact in
// Real: one multiplication or division rounds once, exactly as the multi-precision conversion
// does. False leaves the literal to that conversion.
template <typename Real, std::size_t kPowers>
bool exactShortDecimal(const ShortDecimal& decimal, std::uint64_t maxMantissa,
                       const std::array<Real, kPowers>& powersOfTen, Real& value) noexcept {
    constexpr auto kMaxPower = static_cast<std::int64_t>(kPowers) - 1;
    Real magnitude = 0;
    if (decimal.mantissa != 0) {
        if (decimal.mantissa > maxMantissa || decimal.power > kMaxPower || decimal.power < -kMaxPower)
            return false;
        const auto digits = static_cast<Real>(decimal.mantissa);
        magnitude = decimal.power >= 0 ? digits * powersOfTen[static_cast<std::size_t>(decimal.power)]
                                       : digits / powersOfTen[static_cast<std::size_t>(-decimal.power)];
    }
    value = decimal.negative ? -magnitude : magnitude;
    return true;
}

constexpr auto kDoublePowersOfTen = powersOfTen<double, ExactDecimal::kMaxPower>();

template <typename Result, typename Convert>
Result convertSpan(std::string_view text, std::size_t span, Convert convert) noexcept {
    Result result;
    if (span == 0)
        return result;
    result.consumed = span;
    std::array<char, 128> small{};
    char* end = nullptr;
    if (span < small.size()) {
        text.copy(small.data(), span);
        small[span] = '\0';
        result.value = convert(small.data(), &end);
        return result;
    }
    try {
        const std::string copy(text.substr(0, span));
        result.value = convert(copy.c_str(), &end);
    } catch (const std::bad_alloc&) {
        // Treated by every caller like an unusable number.
        result.value = std::numeric_limits<decltype(result.value)>::quiet_NaN();
    }
    return result;
}

// Plain decimals, nearly every number in artwork, skip the C library: from_chars and the exact
// paths round correctly as strtod and strtold do, and only out-of-range, long or non-decimal
// literals take the slow, locale-bound conversion.
StrtodResult strtodGeneral(std::string_view text) noexcept {
    const std::size_t span = strtodSpan(text);
    DecimalSpan decimal;
    if (span != 0 && decimalSpan(text, span, decimal)) {
        const DecimalParts parts = splitDecimal(decimal);
        double value = 0.0;
        if (ExactDecimal::convert(parts.mantissa, parts.mantissaEnd, parts.exponent, value))
            return StrtodResult{decimal.negative ? -value : value, span};
        const auto [stop, error] = std::from_chars(decimal.number, decimal.end, value, std::chars_format::general);
        if (error == std::errc() && stop == decimal.end)
            return StrtodResult{value, span};
    }
    return convertSpan<StrtodResult>(text, span, [](const char* s, char** end) {
        const locale_t locale = classicLocale();
        return locale ? strtod_l(s, end, locale) : std::strtod(s, end);
    });
}

}  // namespace

std::size_t strtodLength(std::string_view text) noexcept {
    return strtodSpan(text);
}

// Short plain decimals are converted from one scan of the text; the rest take the general path.
StrtodResult strtodClassic(std::string_view text) noexcept {
    ShortDecimal decimal;
    double value = 0.0;
    if (scanShortDecimal(text, decimal) &&
        exactShortDecimal(decimal, ExactDecimal::kMaxDigits, kDoublePowersOfTen, value))
        return StrtodResult{value, decimal.consumed};
    return strtodGeneral(text);
}

StrtoldResult strtoldClassic(std::string_view text) noexcept {
    ShortDecimal decimal;
    long double value = 0.0L;
    // Every mantissa the scan takes is an exact long double.
    if (scanShortDecimal(text, decimal) &&
        exactShortDecimal(decimal, std::numeric_limits<std::uint64_t>::max(), kLongDoublePowersOfTen, value))
        return StrtoldResult{value, decimal.consumed};
    return convertSpan<StrtoldResult>(text, strtodSpan(text), [](const char* s, char** end) {
        const locale_t locale = classicLocale();
        return locale ? strtold_l(s, end, locale) : std::strtold(s, end);
    });
}

}  // namespace pavrix_svg
