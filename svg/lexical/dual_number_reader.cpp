#include "svg/lexical/dual_number_reader.h"

#include "graphics/number_reader.h"

#include <cmath>
#include <cstdint>

namespace pavrix_svg {

namespace {

constexpr bool isDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// Further fraction digits cannot change a double fraction once the scale is this large.
constexpr double kFractionScaleLimit = 1e300;
constexpr std::int64_t kExponentSaturation = 1000000;

// Double evaluation of a span the float grammar has already accepted.
double accumulateExact(const char* it, const char* end) noexcept
{
    bool negative = false;
    if (it < end && (*it == '+' || *it == '-')) {
        negative = *it == '-';
        ++it;
    }
    double value = 0.0;
    while (it < end && isDigit(*it)) {
        value = value * 10.0 + static_cast<double>(*it - '0');
        ++it;
    }
    if (it < end && *it == '.') {
        ++it;
        double digits = 0.0;
        double scale = 1.0;
        while (it < end && isDigit(*it)) {
            if (scale < kFractionScaleLimit) {
                digits = digits * 10.0 + static_cast<double>(*it - '0');
                scale *= 10.0;
            }
            ++it;
        }
        value += digits / scale;
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

} // namespace

bool readDualNumber(const char*& cursor, const char* end, float& single, double& exact) noexcept
{
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

} // namespace pavrix_svg
