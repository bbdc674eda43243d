#include "svg/exact/exact_number_readers.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/number_readers.h"

#include <cmath>

namespace pavrix_svg {

namespace {

constexpr bool isLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// User units per absolute unit; 0 when the suffix is not an absolute unit.
double absoluteUnitScale(std::string_view unit) noexcept {
    if (unit.empty() || unit == "px")
        return 1.0;
    if (unit == "pc")
        return 16.0;
    if (unit == "pt")
        return 1.3333333333333333;
    if (unit == "in")
        return 96.0;
    if (unit == "cm")
        return 37.79527559055118;
    if (unit == "mm")
        return 3.7795275590551185;
    return 0.0;
}

bool isRelativeUnit(std::string_view unit) noexcept {
    return unit == "em" || unit == "ex" || unit == "%";
}

// strtod over the front of the text; false when nothing was read or the value is not finite.
bool readFiniteNumber(std::string_view& text, double& value) noexcept {
    const StrtodResult number = strtodClassic(text);
    if (number.consumed == 0 || !std::isfinite(number.value))
        return false;
    value = number.value;
    text.remove_prefix(number.consumed);
    return true;
}

}  // namespace

bool parseLengthExact(std::string_view text, double defaultValue, double& value, ExactLengthUnit& unit,
                      bool allowEmpty) {
    std::string_view v = trimSvgWhitespace(text);
    if (v.empty()) {
        if (!allowEmpty)
            return false;
        value = defaultValue;
        unit = ExactLengthUnit::px;
        return true;
    }
    double number = 0.0;
    if (!readFiniteNumber(v, number))
        return false;
    if (const double scale = absoluteUnitScale(v); scale != 0.0) {
        value = number * scale;
        unit = ExactLengthUnit::px;
        return std::isfinite(value);
    }
    if (v == "em")
        unit = ExactLengthUnit::em;
    else if (v == "ex")
        unit = ExactLengthUnit::ex;
    else if (v == "%")
        unit = ExactLengthUnit::percent;
    else
        return false;
    value = number;
    return true;
}

double exactNumberOrFallback(std::string_view text, double fallback) noexcept {
    std::string_view v = trimSvgWhitespace(text);
    double number = 0.0;
    if (!readFiniteNumber(v, number) || !v.empty())
        return fallback;
    return number;
}

double exactLengthOrFallback(std::string_view text, double floatNumber, double resolvedLength) noexcept {
    std::string_view v = trimSvgWhitespace(text);
    double number = 0.0;
    if (!readFiniteNumber(v, number))
        return resolvedLength;
    const std::string_view unit = trimSvgWhitespace(v);
    double value = resolvedLength;
    if (const double scale = absoluteUnitScale(unit); scale != 0.0) {
        value = number * scale;
    } else if (isRelativeUnit(unit)) {
        // The float layer resolved the relative unit; scale its result by the exact number.
        if (floatNumber != 0.0)
            value = number * resolvedLength / floatNumber;
        else
            value = number != 0.0 ? resolvedLength : 0.0;
    }
    // A conversion that overflows is no exact reading of the text either.
    return std::isfinite(value) ? value : resolvedLength;
}

std::vector<std::string_view> tokenizeDashList(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::string_view v = trimSvgWhitespace(text);
    if (v == "none")
        return tokens;
    while (true) {
        while (!v.empty() && (isSvgWhitespace(v.front()) || v.front() == ','))
            v.remove_prefix(1);
        if (v.empty())
            return tokens;
        const StrtodResult number = strtodClassic(v);
        if (number.consumed == 0) {
            tokens.clear();
            return tokens;
        }
        std::size_t length = number.consumed;
        while (length < v.size() && (isLetter(v[length]) || v[length] == '%'))
            ++length;
        tokens.push_back(v.substr(0, length));
        v.remove_prefix(length);
    }
}

}  // namespace pavrix_svg
