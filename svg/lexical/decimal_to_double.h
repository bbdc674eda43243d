#pragma once

// The correctly rounded double of a decimal literal whose grammar a reader has already checked.

#include <cstdint>

namespace pavrix_svg {

// `digits` .. `mantissaEnd` holds the digits with at most one "."; `literalEnd` ends the literal
// after its exponent, whose value (saturated by the caller) is `exponent`. Values below the
// smallest subnormal read as 0. False when the literal overflows or cannot be converted;
// magnitude is then untouched.
bool decimalToDouble(const char* digits, const char* mantissaEnd, const char* literalEnd, std::int64_t exponent,
                     double& magnitude) noexcept;

}  // namespace pavrix_svg
