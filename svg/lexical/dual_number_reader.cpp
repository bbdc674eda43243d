#include "svg/lexical/dual_number_reader.h"

#include "graphics/number_reader.h"
#include "svg/lexical/exact_decimal.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace pavrix_svg {

namespace {

// Further fraction digits cannot change a double fraction once the scale is this large.
constexpr double kFractionScaleLimit = 1e300;

// Integers up to 2^53 and powers of ten up to 10^22 (5^22 < 2^53) are doubles: digit runs within
// both bounds accumulate without rounding, so integer arithmetic gives the same double.
constexpr std::uint64_t kExactDoubleInteger = std::uint64_t{1} << 53;
constexpr std::ptrdiff_t kExactDoublePowerOfTen = 22;
// Digits an unsigned 64-bit accumulator holds without overflow.
constexpr std::ptrdiff_t kExactAccumulatorDigits = 19;

constexpr auto kDoublePowersOfTen = powersOfTen<double, kExactDoublePowerOfTen>();

}  // namespace

double exactNumberValue(const pavrix_graphics::NumberLiteral& literal) noexcept {
    std::uint64_t digits = literal.integer_digits;
    double value = 0.0;
    if (literal.integer_end - literal.integer_begin <= kExactAccumulatorDigits && digits <= kExactDoubleInteger) {
        value = static_cast<double>(digits);
    } else {
        for (const char* digit = literal.integer_begin; digit < literal.integer_end; ++digit)
            value = value * 10.0 + static_cast<double>(*digit - '0');
    }
    if (literal.fraction_begin < literal.fraction_end) {
        digits = literal.fraction_digits;
        const std::ptrdiff_t count = literal.fraction_end - literal.fraction_begin;
        if (count <= kExactDoublePowerOfTen && count <= kExactAccumulatorDigits && digits <= kExactDoubleInteger) {
            value += static_cast<double>(digits) / kDoublePowersOfTen[static_cast<std::size_t>(count)];
        } else {
            double fraction = 0.0;
            double scale = 1.0;
            for (const char* digit = literal.fraction_begin; digit < literal.fraction_end; ++digit) {
                if (scale < kFractionScaleLimit) {
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

bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept {
    pavrix_graphics::NumberLiteral literal;
    if (!pavrix_graphics::scan_number(cursor, end, literal))
        return false;
    const float value = pavrix_graphics::number_value(literal);
    if (!(value >= -std::numeric_limits<float>::max() && value <= std::numeric_limits<float>::max()))
        return false;
    const double wide = exactNumberValue(literal);
    if (!std::isfinite(wide))
        return false;
    single = value;
    exact = wide;
    cursor = literal.end;
    return true;
}

}  // namespace pavrix_svg
