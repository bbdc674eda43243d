#include "svg/lexical/decimal_to_double.h"

#include "svg/lexical/exact_decimal.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace pavrix_svg {

namespace {

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Decides between overflow and underflow for a literal std::from_chars refused as out of range,
// from the decimal magnitude of the literal.
bool outOfRangeIsUnderflow(const char* digits, const char* mantissaEnd, std::int64_t exponent) noexcept {
    std::int64_t magnitude = 0;
    const char* p = digits;
    while (p != mantissaEnd && *p == '0') {
        ++p;
    }
    if (p != mantissaEnd && isDigit(*p)) {
        std::int64_t integerDigits = 0;
        while (p != mantissaEnd && isDigit(*p)) {
            ++integerDigits;
            ++p;
        }
        magnitude = integerDigits - 1;
    } else {
        if (p != mantissaEnd && *p == '.') {
            ++p;
        }
        std::int64_t zeros = 0;
        while (p != mantissaEnd && *p == '0') {
            ++zeros;
            ++p;
        }
        magnitude = -(zeros + 1);
    }
    return magnitude + exponent < 0;
}

}  // namespace

bool decimalToDouble(const char* digits, const char* mantissaEnd, const char* literalEnd, std::int64_t exponent,
                     double& magnitude) noexcept {
    double value = 0.0;
    // Short literals, nearly all of them, need no general conversion.
    if (ExactDecimal::convert(digits, mantissaEnd, exponent, value)) {
        magnitude = value;
        return true;
    }
    const auto [used, ec] = std::from_chars(digits, literalEnd, value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) {
        if (!outOfRangeIsUnderflow(digits, mantissaEnd, exponent)) {
            return false;
        }
        value = 0.0;
    } else if (ec != std::errc{} || used != literalEnd) {
        return false;
    }
    if (!std::isfinite(value)) {
        return false;
    }
    magnitude = value;
    return true;
}

}  // namespace pavrix_svg
