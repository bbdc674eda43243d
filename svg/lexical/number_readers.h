#pragma once

#include <cstdint>
#include <string_view>

#include "svg/lexical/svg_whitespace.h"

namespace pavrix_svg {

// Reads one number from the front of `text` in single precision and advances past it:
// optional sign, digits with an optional fraction (a "." needs a digit after it), and an
// exponent unless the "e" starts an "em" or "ex" unit. The digits accumulate in float, the
// exponent scales in double. Fails (text unchanged) on malformed input or a result outside the
// finite float range. Digit runs too long for the accumulators read as their nearest value.
// Independent of the process locale.
bool readNumber(std::string_view& text, float& value) noexcept;

// The same grammar with the digits accumulated in double; fails outside the finite double range.
bool parseNumberExact(std::string_view& text, double& value) noexcept;

// Unit of a stored length. Absolute units are converted to user units when read.
enum class LengthUnit : std::uint8_t { None = 0, Percent = 1, Absolute = 2, Em = 3, Ex = 4 };

enum class LengthNegativeMode : std::uint8_t { Allow = 0, Forbid = 1 };

// A whole trimmed length: a number and nothing, "%", "px", "in", "cm", "mm", "pt", "pc", "em"
// or "ex". Fails on anything else, on a negative value in Forbid mode and on a conversion
// that leaves the float range.
bool parseLength(std::string_view text, float& value, LengthUnit& unit, LengthNegativeMode mode) noexcept;

}  // namespace pavrix_svg
