#include "svg/lexical/number_readers.h"

#include <charconv>
#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace pavrix_svg {

namespace {

constexpr bool isDigit(char ch) noexcept {
    return ch >= '0' && ch <= '9';
}

// The classic locale, so that a host's setlocale cannot change how numbers read.
locale_t classicLocale() noexcept {
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Exponents beyond this magnitude overflow or underflow any float or double anyway.
constexpr int kExponentSaturation = 100000;

// Where the parts of one number lie in the text; the digits are evaluated afterwards, once in
// the precision each reader needs.
struct NumberSpan {
    const char* begin = nullptr;  // sign included
    const char* end = nullptr;
    bool negative = false;
    const char* integerBegin = nullptr;
    const char* integerEnd = nullptr;
    const char* fractionBegin = nullptr;  // empty range without a fraction
    const char* fractionEnd = nullptr;
    bool hasExponent = false;
    int exponent = 0;
};

// Scans the shared grammar.
bool scanNumber(std::string_view text, NumberSpan& span) noexcept {
    const char* p = text.data();
    const char* const end = p + text.size();
    span.begin = p;
    if (p < end && (*p == '+' || *p == '-')) {
        span.negative = *p == '-';
        ++p;
    }
    if (p >= end || !(isDigit(*p) || *p == '.'))
        return false;
    span.integerBegin = p;
    while (p < end && isDigit(*p))
        ++p;
    span.integerEnd = p;
    span.fractionBegin = span.fractionEnd = p;
    if (p < end && *p == '.') {
        ++p;
        if (p >= end || !isDigit(*p))
            return false;
        span.fractionBegin = p;
        while (p < end && isDigit(*p))
            ++p;
        span.fractionEnd = p;
    }
    // An "e" that starts an "em" or "ex" unit is not an exponent.
    if (end - p >= 2 && (p[0] == 'e' || p[0] == 'E') && p[1] != 'x' && p[1] != 'm') {
        ++p;
        bool negativeExponent = false;
        if (p < end && (*p == '+' || *p == '-')) {
            negativeExponent = *p == '-';
            ++p;
        }
        if (p >= end || !isDigit(*p))
            return false;
        int exponent = 0;
        while (p < end && isDigit(*p)) {
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (*p - '0');
            ++p;
        }
        span.hasExponent = true;
        span.exponent = negativeExponent ? -exponent : exponent;
    }
    span.end = p;
    return true;
}

// Integer digits accumulated as value * 10 + digit and the fraction digits the same way, divided
// by a divisor built by repeated * 10, all in Real. False when an accumulator overflows, which
// only very long digit runs do.
template <typename Real>
bool accumulateDigits(const NumberSpan& span, Real& value) noexcept {
    Real integer = 0;
    for (const char* p = span.integerBegin; p < span.integerEnd; ++p)
        integer = integer * Real(10) + static_cast<Real>(*p - '0');
    Real fraction = 0;
    Real divisor = 1;
    for (const char* p = span.fractionBegin; p < span.fractionEnd; ++p) {
        fraction = fraction * Real(10) + static_cast<Real>(*p - '0');
        divisor *= Real(10);
    }
    value = integer + fraction / divisor;
    return std::isfinite(integer) && std::isfinite(fraction) && std::isfinite(divisor) && std::isfinite(value);
}

// Nearest double of the scanned text; false when it lies outside the finite double range.
bool convertExact(const NumberSpan& span, double& value) noexcept {
    const char* first = span.begin;
    if (*first == '+')
        ++first;
    double parsed = 0.0;
    const auto result = std::from_chars(first, span.end, parsed, std::chars_format::general);
    if (result.ec == std::errc() && result.ptr == span.end) {
        value = parsed;
        return std::isfinite(parsed);
    }
    // Out of range either way: let the C library tell overflow from underflow.
    const locale_t locale = classicLocale();
    if (locale == static_cast<locale_t>(nullptr))
        return false;
    std::string copy(first, span.end);
    char* stop = nullptr;
    parsed = strtod_l(copy.c_str(), &stop, locale);
    if (stop != copy.c_str() + copy.size() || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

}  // namespace

bool readNumber(std::string_view& text, float& value) noexcept {
    NumberSpan span;
    if (!scanNumber(text, span))
        return false;
    float result = 0.0f;
    if (accumulateDigits(span, result)) {
        if (span.hasExponent) {
            const double product = static_cast<double>(result) * std::pow(10.0, static_cast<double>(span.exponent));
            if (!(std::fabs(product) <= static_cast<double>(FLT_MAX)))
                return false;
            result = static_cast<float>(product);
        }
        if (span.negative)
            result = -result;
    } else {
        // Very long digit runs overflow the float accumulators (or silently drop the fraction)
        // although the number itself may be in range; take its nearest value instead.
        double exact = 0.0;
        if (!convertExact(span, exact) || std::fabs(exact) > static_cast<double>(FLT_MAX))
            return false;
        result = static_cast<float>(exact);
    }
    value = result;
    text.remove_prefix(static_cast<std::size_t>(span.end - text.data()));
    return true;
}

bool parseNumberExact(std::string_view& text, double& value) noexcept {
    NumberSpan span;
    if (!scanNumber(text, span))
        return false;
    double result = 0.0;
    if (accumulateDigits(span, result)) {
        if (span.hasExponent)
            result *= std::pow(10.0, static_cast<double>(span.exponent));
        if (span.negative)
            result = -result;
        if (!std::isfinite(result))
            return false;
    } else {
        // As in readNumber, only digit runs too long for the accumulators are converted whole.
        if (!convertExact(span, result))
            return false;
    }
    value = result;
    text.remove_prefix(static_cast<std::size_t>(span.end - text.data()));
    return true;
}

bool parseLength(std::string_view text, float& value, LengthUnit& unit, LengthNegativeMode mode) noexcept {
    text = trimSvgWhitespace(text);
    float number = 0.0f;
    if (!readNumber(text, number))
        return false;
    if (mode == LengthNegativeMode::Forbid && number < 0.0f)
        return false;
    if (text.empty()) {
        value = number;
        unit = LengthUnit::None;
        return true;
    }
    LengthUnit parsedUnit = LengthUnit::Absolute;
    float divisor = 0.0f;  // 0: the value is kept as it is
    if (text == "%") {
        parsedUnit = LengthUnit::Percent;
    } else if (text == "px") {
    } else if (text == "in") {
        divisor = 1.0f;
    } else if (text == "cm") {
        divisor = 2.54f;
    } else if (text == "mm") {
        divisor = 25.4f;
    } else if (text == "pt") {
        divisor = 72.0f;
    } else if (text == "pc") {
        divisor = 6.0f;
    } else if (text == "em") {
        parsedUnit = LengthUnit::Em;
    } else if (text == "ex") {
        parsedUnit = LengthUnit::Ex;
    } else {
        return false;
    }
    if (divisor != 0.0f) {
        const float scaled = number * 96.0f;
        number = divisor == 1.0f ? scaled : scaled / divisor;
        // A huge value in inches would otherwise become an infinite length.
        if (!std::isfinite(number))
            return false;
    }
    value = number;
    unit = parsedUnit;
    return true;
}

}  // namespace pavrix_svg
