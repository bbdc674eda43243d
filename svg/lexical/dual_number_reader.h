#pragma once

#include "graphics/number_reader.h"

namespace pavrix_svg {

// Reads one number of the float number grammar (graphics' parse_number) from [cursor, end) and
// computes it twice from the same digits: `single` bit for bit as the float parsers do, `exact`
// by double accumulation (integer digits as value*10 + digit, fraction digits as an
// integer-valued double over a power of ten, times pow(10, exponent) for a non-zero exponent).
// Fails, without moving the cursor, when the grammar fails or either value is not finite.
bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept;

// The `exact` side of readDualNumber for a literal the float grammar scanned; may be infinite.
double exactNumberValue(const pavrix_graphics::NumberLiteral& literal) noexcept;

}  // namespace pavrix_svg
