#include "svg/exact/alpha_classification.h"

#include "svg/lexical/ascii.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/number_readers.h"

#include <cmath>
#include <cstdint>

namespace pavrix_svg {

namespace {

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

double clampUnit(double value) noexcept {
    if (value < 0.0)
        return 0.0;
    return value > 1.0 ? 1.0 : value;
}

int hexValue(char c) noexcept {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = asciiLower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// readNumber, an optional "%" (divides by 100), clamped to [0, 1]: zero when nothing follows and
// the value is at most 0.
AlphaClass classifyReadNumber(std::string_view text) noexcept {
    float number = 0.0f;
    if (!readNumber(text, number))
        return {};
    double value = number;
    if (!text.empty() && text.front() == '%') {
        value /= 100.0;
        text.remove_prefix(1);
    }
    value = clampUnit(value);
    if (text.empty() && value <= 0.0)
        return AlphaClass{1, 0};
    return {};
}

// "name(...)" with the last ")" as final byte: the name and the text between the parentheses.
bool splitFunction(std::string_view v, std::string_view& name, std::string_view& inner) noexcept {
    const std::size_t open = v.find('(');
    if (open == std::string_view::npos || v.empty() || v.back() != ')')
        return false;
    name = v.substr(0, open);
    inner = v.substr(open + 1, v.size() - open - 2);
    return true;
}

}  // namespace

bool isPartialAlphaLiteral(std::string_view value) noexcept {
    std::string_view v = trimSvgWhitespace(value);
    std::string_view limit = "1";
    if (!v.empty() && v.back() == '%') {
        v.remove_suffix(1);
        limit = "100";
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
        negative = v[i] == '-';
        ++i;
    }
    const std::size_t intBegin = i;
    while (i < v.size() && isDigit(v[i]))
        ++i;
    const std::size_t intEnd = i;
    std::size_t fracBegin = i;
    std::size_t fracEnd = i;
    if (i < v.size() && v[i] == '.') {
        ++i;
        fracBegin = i;
        while (i < v.size() && isDigit(v[i]))
            ++i;
        fracEnd = i;
    }
    const std::size_t intCount = intEnd - intBegin;
    const std::size_t fracCount = fracEnd - fracBegin;
    if (intCount + fracCount == 0)
        return false;
    std::int64_t exponent = 0;
    if (i < v.size() && (v[i] == 'e' || v[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < v.size() && (v[i] == '+' || v[i] == '-')) {
            negativeExponent = v[i] == '-';
            ++i;
        }
        if (i >= v.size() || !isDigit(v[i]))
            return false;
        constexpr std::int64_t kClamp = 1000000000;
        while (i < v.size() && isDigit(v[i])) {
            exponent = exponent * 10 + (v[i] - '0');
            if (exponent > kClamp)
                exponent = kClamp;
            ++i;
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != v.size())
        return false;

    // The digit string is the integer digits followed by the fraction digits.
    const std::size_t total = intCount + fracCount;
    const auto digitAt = [&](std::size_t k) { return k < intCount ? v[intBegin + k] : v[fracBegin + (k - intCount)]; };
    std::size_t first = 0;
    while (first < total && digitAt(first) == '0')
        ++first;
    if (first == total || negative)
        return false;
    std::size_t last = total;  // one past the last non-zero digit
    while (digitAt(last - 1) == '0')
        --last;
    // value = digits[first, last) * 10^h, with h counting the dropped trailing zeros.
    const std::int64_t h = exponent - static_cast<std::int64_t>(fracCount) + static_cast<std::int64_t>(total - last);
    const std::int64_t g = static_cast<std::int64_t>(last - first);
    const std::int64_t integerDigits = g + h;
    const std::int64_t limitDigits = static_cast<std::int64_t>(limit.size());
    if (integerDigits != limitDigits)
        return integerDigits < limitDigits;
    const std::size_t width = static_cast<std::size_t>(g) > limit.size() ? static_cast<std::size_t>(g) : limit.size();
    for (std::size_t k = 0; k < width; ++k) {
        const char a = k < static_cast<std::size_t>(g) ? digitAt(first + k) : '0';
        const char b = k < limit.size() ? limit[k] : '0';
        if (a != b)
            return a < b;
    }
    return false;
}

AlphaClass classifyAlphaNumber(std::string_view value) noexcept {
    if (isPartialAlphaLiteral(value))
        return AlphaClass{0, 1};
    return classifyReadNumber(trimSvgWhitespace(value));
}

double parseOpacityExact(std::string_view value, bool allowPercent, double defaultValue) noexcept {
    std::string_view v = trimSvgWhitespace(value);
    bool percent = false;
    if (allowPercent && !v.empty() && v.back() == '%') {
        v.remove_suffix(1);
        v = trimSvgWhitespace(v);
        percent = true;
    }
    if (v.empty())
        return defaultValue;
    const StrtodResult number = strtodClassic(v);
    if (number.consumed != v.size() || !std::isfinite(number.value))
        return defaultValue;
    double result = number.value;
    if (percent)
        result /= 100.0;
    return clampUnit(result);
}

double parseColorAlpha(std::string_view value, bool isColor, double defaultValue) noexcept {
    if (!isColor)
        return 1.0;
    const std::string_view v = trimSvgWhitespace(value);
    if (!v.empty() && v.front() == '#') {
        if (v.size() == 5) {
            const int digit = hexValue(v[4]);
            return digit < 0 ? 1.0 : digit / 15.0;
        }
        if (v.size() == 9) {
            const int high = hexValue(v[7]);
            const int low = hexValue(v[8]);
            return (high < 0 || low < 0) ? 1.0 : (high * 16 + low) / 255.0;
        }
        return 1.0;
    }
    std::string_view name;
    std::string_view inner;
    if (splitFunction(v, name, inner) && (equalsIgnoreAsciiCase(name, "rgb") || equalsIgnoreAsciiCase(name, "hsl") ||
                                          equalsIgnoreAsciiCase(name, "rgba") || equalsIgnoreAsciiCase(name, "hsla"))) {
        std::size_t commas = 0;
        for (char c : inner)
            commas += c == ',' ? 1 : 0;
        if (commas == 3)
            return parseOpacityExact(inner.substr(inner.rfind(',') + 1), true, defaultValue);
    }
    return clampUnit(defaultValue);
}

ColorAlphaClass classifyColorAlpha(std::string_view value, AlphaClass currentColorClass) noexcept {
    const std::string_view v = trimSvgWhitespace(value);
    if (equalsIgnoreAsciiCase(v, "currentColor"))
        return ColorAlphaClass{currentColorClass, true};
    std::string_view name;
    std::string_view inner;
    if (!splitFunction(v, name, inner) || inner.find(',') == std::string_view::npos)
        return {};
    if (!equalsIgnoreAsciiCase(name, "rgba") && !equalsIgnoreAsciiCase(name, "hsla"))
        return {};
    // White space around the alpha item belongs to the separator, not to the number.
    const std::string_view alpha = trimSvgWhitespace(inner.substr(inner.rfind(',') + 1));
    if (isPartialAlphaLiteral(alpha))
        return ColorAlphaClass{AlphaClass{0, 1}, true};
    return ColorAlphaClass{classifyReadNumber(alpha), true};
}

}  // namespace pavrix_svg
