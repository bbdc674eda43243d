#pragma once

#include "graphics/number_reader.h"
#include "svg/lexical/exact_decimal.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pavrix_svg {

// Reads one number of the float number grammar (graphics' parse_number) from [cursor, end) and
// computes it twice from the same digits: `single` bit for bit as the float parsers do, `exact`
// by double accumulation (integer digits as value*10 + digit, fraction digits as an
// integer-valued double over a power of ten, times pow(10, exponent) for a non-zero exponent).
// Fails, without moving the cursor, when the grammar fails or either value is not finite.
bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept;

namespace dual_number_reading {

// Further fraction digits cannot change a double fraction once the scale is this large.
constexpr double kFractionScaleLimit = 1e300;

// Integers up to 2^53 and powers of ten up to 10^22 (5^22 < 2^53) are doubles: digit runs within
// both bounds accumulate without rounding, so integer arithmetic gives the same double.
constexpr std::uint64_t kExactDoubleInteger = std::uint64_t{1} << 53;
constexpr std::ptrdiff_t kExactDoublePowerOfTen = 22;
// Digits an unsigned 64-bit accumulator holds without overflow.
constexpr std::ptrdiff_t kExactAccumulatorDigits = 19;

constexpr auto kDoublePowersOfTen = powersOfTen<double, kExactDoublePowerOfTen>();

}  // namespace dual_number_reading

// The `exact` side of readDualNumber for a literal the float grammar scanned; may be infinite.
// Inline, for the readers of long path data.
inline double exactNumberValue(const pavrix_graphics::NumberLiteral& literal) noexcept {
    std::uint64_t digits = literal.integer_digits;
    double value = 0.0;
    if (literal.integer_end - literal.integer_begin <= dual_number_reading::kExactAccumulatorDigits &&
        digits <= dual_number_reading::kExactDoubleInteger) {
        value = static_cast<double>(digits);
    } else {
        for (const char* digit = literal.integer_begin; digit < literal.integer_end; ++digit)
            value = value * 10.0 + static_cast<double>(*digit - '0');
    }
    if (literal.fraction_begin < literal.fraction_end) {
        digits = literal.fraction_digits;
        const std::ptrdiff_t count = literal.fraction_end - literal.fraction_begin;
        if (count <= dual_number_reading::kExactDoublePowerOfTen &&
            count <= dual_number_reading::kExactAccumulatorDigits &&
            digits <= dual_number_reading::kExactDoubleInteger) {
            value +=
                static_cast<double>(digits) / dual_number_reading::kDoublePowersOfTen[static_cast<std::size_t>(count)];
        } else {
            double fraction = 0.0;
            double scale = 1.0;
            for (const char* digit = literal.fraction_begin; digit < literal.fraction_end; ++digit) {
                if (scale < dual_number_reading::kFractionScaleLimit) {
                    fraction = fraction * 10.0 + static_cast<double>(*digit - '0');
                    scale *= 10.0;
                }
            }
            value += fraction / scale;
        }
    }
    if (literal.exponent != 0)
        value *= std::pow(10.0, static_cast<double>(literal.exponent));
    return literal.negative ? -value : value;
}

}  // namespace pavrix_svg
