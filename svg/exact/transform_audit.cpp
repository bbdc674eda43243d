#include "svg/exact/transform_audit.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/number_readers.h"

#include "graphics/number_reader.h"

#include <array>
#include <cmath>
#include <limits>

namespace pavrix_svg {

namespace {

constexpr double kFloatArgumentError = 4.76837158203125e-7;  // 2^-21
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr float kFloatRadiansPerDegree = 0.017453292f;

constexpr bool isLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::size_t skipWhite(std::string_view text, std::size_t i) noexcept {
    while (i < text.size() && isSvgWhitespace(text[i]))
        ++i;
    return i;
}

// singleAngle: the angle as the float transform parser reads it from the same text.
double skewError(const double* args, std::size_t count, float singleAngle) noexcept {
    const double infinity = std::numeric_limits<double>::infinity();
    if (count == 0)
        return infinity;
    const float single = std::tan(singleAngle * kFloatRadiansPerDegree);
    const double exact = std::tan(args[0] * kRadiansPerDegree);
    if (!std::isfinite(single) || !std::isfinite(exact) || ((single < 0.0f) != (exact < 0.0)))
        return infinity;
    return std::fabs(static_cast<double>(single) - exact);
}

}  // namespace

std::uint32_t countTransformOperations(std::string_view text) {
    std::uint32_t count = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isLetter(text[i])) {
            ++i;
            continue;
        }
        while (i < text.size() && isLetter(text[i]))
            ++i;
        const std::size_t next = skipWhite(text, i);
        if (next < text.size() && text[next] == '(' && count < 0xFFFFFFFFu)
            ++count;
    }
    return count;
}

TransformPrecision analyzeTransformPrecision(std::string_view text) {
    TransformPrecision result;
    std::array<double, 6> args{};
    std::size_t argCount = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        if (!isLetter(text[i])) {
            ++i;
            continue;
        }
        const std::size_t nameStart = i;
        while (i < text.size() && isLetter(text[i]))
            ++i;
        const std::string_view name = text.substr(nameStart, i - nameStart);
        i = skipWhite(text, i);
        if (i >= text.size() || text[i] != '(')
            continue;
        ++i;
        argCount = 0;
        double largest = 0.0;
        float singleAngle = 0.0f;
        while (i < text.size() && text[i] != ')') {
            // strtod would skip a run of VT/FF by itself and, finding no number there, the walk
            // would step into the same run again: skipping them here keeps the walk linear.
            if (isSvgWhitespace(text[i]) || text[i] == ',' || text[i] == '\v' || text[i] == '\f') {
                ++i;
                continue;
            }
            const StrtodResult number = strtodClassic(text.substr(i));
            if (number.consumed == 0) {
                ++i;  // a byte that starts no number: step over it
                continue;
            }
            // strtod also reads "nan"; such an argument leaves the error unbounded, not NaN.
            const double argument = std::isnan(number.value) ? std::numeric_limits<double>::infinity() : number.value;
            largest = std::fmax(largest, std::fabs(argument));
            if (argCount == 0) {
                // The float parser's own reading: its float digit accumulation can be a few ulps
                // away from the rounded decimal, and the tangent error has to include that.
                const char* cursor = text.data() + i;
                if (!pavrix_graphics::parse_number(cursor, text.data() + text.size(), singleAngle))
                    singleAngle = static_cast<float>(argument);
            }
            if (argCount < args.size())
                args[argCount++] = argument;
            i += number.consumed;
        }
        if (i < text.size())
            ++i;  // ")"

        pavrix_graphics::TransformItem item;
        if (pavrix_graphics::transform_item_named(name, item))
            addTransformItemPrecision(result, item, args.data(), argCount, largest, singleAngle);
    }
    return result;
}

void addTransformItemPrecision(TransformPrecision& precision, pavrix_graphics::TransformItem item, const double* args,
                               std::size_t count, double largest, float singleAngle) noexcept {
    using pavrix_graphics::TransformItem;
    switch (item) {
    case TransformItem::translate:
        precision.translation += largest * kFloatArgumentError;
        break;
    case TransformItem::scale:
        precision.linear += largest * kFloatArgumentError;
        break;
    case TransformItem::skew_x:
    case TransformItem::skew_y:
        precision.linear += skewError(args, count, singleAngle);
        break;
    case TransformItem::rotate: {
        const double angular = count == 0 ? 0.0 : std::fabs(args[0]) * kRadiansPerDegree * kFloatArgumentError;
        precision.linear += angular;
        const double centre = count == 3 ? std::fmax(std::fabs(args[1]), std::fabs(args[2])) : 0.0;
        if (centre != 0.0)  // a centre at the origin moves nothing, even for an unbounded angle
            precision.translation += centre * (angular + kFloatArgumentError);
        break;
    }
    case TransformItem::matrix:
        for (std::size_t k = 0; k < count; ++k)
            (k < 4 ? precision.linear : precision.translation) += std::fabs(args[k]) * kFloatArgumentError;
        break;
    }
}

}  // namespace pavrix_svg
