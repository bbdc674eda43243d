#include "svg/lexical/dual_number_reader.h"

#include "graphics/number_reader.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace pavrix_svg {

namespace {

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Further fraction digits cannot change a double fraction once the scale is this large.
constexpr double kFractionScaleLimit = 1e300;
constexpr std::int64_t kExponentSaturation = 1000000;

// Integers up to 2^53 and powers of ten up to 10^22 (5^22 < 2^53) are doubles: digit runs within
// both bounds accumulate without rounding, so integer arithmetic gives the same double.
constexpr std::uint64_t kExactDoubleInteger = std::uint64_t{1} << 53;
constexpr std::ptrdiff_t kExactDoublePowerOfTen = 22;
// Digits an unsigned 64-bit accumulator holds without overflow.
constexpr std::ptrdiff_t kExactAccumulatorDigits = 19;

constexpr std::array<double, kExactDoublePowerOfTen + 1> kDoublePowersOfTen = [] {
    std::array<double, kExactDoublePowerOfTen + 1> powers{};
    double power = 1.0;
    for (double& entry : powers) {
        entry = power;
        power *= 10.0;
    }
    return powers;
}();

// Advances past a digit run, accumulating it as an unsigned integer (wrapping when the run is too
// long for it, which the callers check by its length).
const char* scanDigits(const char* it, const char* end, std::uint64_t& value) noexcept {
    std::uint64_t accumulated = 0;
    while (it < end && isDigit(*it)) {
        accumulated = accumulated * 10 + static_cast<std::uint64_t>(*it - '0');
        ++it;
    }
    value = accumulated;
    return it;
}

// Double evaluation of a span the float grammar has already accepted.
double accumulateExact(const char* it, const char* end) noexcept {
    bool negative = false;
    if (it < end && (*it == '+' || *it == '-')) {
        negative = *it == '-';
        ++it;
    }
    const char* const integerBegin = it;
    std::uint64_t digits = 0;
    it = scanDigits(it, end, digits);
    double value = 0.0;
    if (it - integerBegin <= kExactAccumulatorDigits && digits <= kExactDoubleInteger) {
        value = static_cast<double>(digits);
    } else {
        for (const char* digit = integerBegin; digit < it; ++digit)
            value = value * 10.0 + static_cast<double>(*digit - '0');
    }
    if (it < end && *it == '.') {
        ++it;
        const char* const fractionBegin = it;
        it = scanDigits(it, end, digits);
        const std::ptrdiff_t count = it - fractionBegin;
        if (count <= kExactDoublePowerOfTen && count <= kExactAccumulatorDigits && digits <= kExactDoubleInteger) {
            value += static_cast<double>(digits) / kDoublePowersOfTen[static_cast<std::size_t>(count)];
        } else {
            double fraction = 0.0;
            double scale = 1.0;
            for (const char* digit = fractionBegin; digit < it; ++digit) {
                if (scale < kFractionScaleLimit) {
                    fraction = fraction * 10.0 + static_cast<double>(*digit - '0');
                    scale *= 10.0;
                }
            }
            value += fraction / scale;
        }
    }
    if (it < end && (*it == 'e' || *it == 'E')) {
        ++it;
        bool negativeExponent = false;
        if (it < end && (*it == '+' || *it == '-')) {
            negativeExponent = *it == '-';
            ++it;
        }
        std::int64_t exponent = 0;
        while (it < end && isDigit(*it)) {
            if (exponent < kExponentSaturation)
                exponent = exponent * 10 + (*it - '0');
            ++it;
        }
        if (exponent != 0)
            value *= std::pow(10.0, static_cast<double>(negativeExponent ? -exponent : exponent));
    }
    return negative ? -value : value;
}

}  // namespace

bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept {
    const char* it = cursor;
    float value = 0.0f;
    if (!pavrix_graphics::parse_number(it, end, value))
        return false;
    const double wide = accumulateExact(cursor, it);
    if (!std::isfinite(wide))
        return false;
    single = value;
    exact = wide;
    cursor = it;
    return true;
}

}  // namespace pavrix_svg
