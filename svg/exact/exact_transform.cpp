#include "svg/exact/exact_transform.h"

#include "svg/lexical/classic_strtod.h"
#include "svg/lexical/number_readers.h"

#include <cmath>

namespace pavrix_svg {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943295;

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}
constexpr bool isLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// One number with the float transform parser's grammar (sign, digits, "." needing a digit,
// exponent needing a digit), converted to the nearest double. Fails on anything else or a
// non-finite value; the cursor only moves on success.
bool readExactNumber(std::string_view& text, double& value) noexcept {
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    if (i >= n || !(isDigit(text[i]) || text[i] == '.'))
        return false;
    while (i < n && isDigit(text[i]))
        ++i;
    if (i < n && text[i] == '.') {
        ++i;
        if (i >= n || !isDigit(text[i]))
            return false;
        while (i < n && isDigit(text[i]))
            ++i;
    }
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i >= n || !isDigit(text[i]))
            return false;
        while (i < n && isDigit(text[i]))
            ++i;
    }
    const StrtodResult number = strtodClassic(text.substr(0, i));
    if (number.consumed != i || !std::isfinite(number.value))
        return false;
    value = number.value;
    text.remove_prefix(i);
    return true;
}

// m becomes item * m in the float parser's sense: the item acts on points first.
void preApply(ExactTransform& m, const ExactTransform& item) noexcept {
    multiplyTransformExact(m, m, item);
}

ExactTransform translation(double tx, double ty) noexcept {
    return ExactTransform{1.0, 0.0, 0.0, 1.0, tx, ty};
}

}  // namespace

void multiplyTransformExact(ExactTransform& dst, const ExactTransform& left, const ExactTransform& right) noexcept {
    const ExactTransform s = left;
    const ExactTransform o = right;
    dst.a = s.a * o.a + s.c * o.b;
    dst.b = s.b * o.a + s.d * o.b;
    dst.c = s.a * o.c + s.c * o.d;
    dst.d = s.b * o.c + s.d * o.d;
    dst.e = s.a * o.e + s.c * o.f + s.e;
    dst.f = s.b * o.e + s.d * o.f + s.f;
}

bool invertTransformExact(const ExactTransform& m, ExactTransform& out) noexcept {
    const double det = m.a * m.d - m.b * m.c;
    if (!std::isfinite(det) || det == 0.0)
        return false;
    const double inv = 1.0 / det;
    out = ExactTransform{
        m.d * inv, -m.b * inv, -m.c * inv, m.a * inv, (m.c * m.f - m.d * m.e) * inv, (m.b * m.e - m.a * m.f) * inv};
    return true;
}

int parseTransformArguments(std::string_view& cursor, std::array<double, 6>& values) {
    skipSvgWhitespace(cursor);
    if (cursor.empty() || cursor.front() != '(')
        return -1;
    cursor.remove_prefix(1);
    skipSvgWhitespace(cursor);
    int count = 0;
    bool commaPending = false;
    while (count < 6) {
        double value = 0.0;
        if (!readExactNumber(cursor, value))
            break;
        values[static_cast<std::size_t>(count++)] = value;
        skipSvgWhitespace(cursor);
        commaPending = false;
        if (!cursor.empty() && cursor.front() == ',') {
            cursor.remove_prefix(1);
            skipSvgWhitespace(cursor);
            commaPending = true;
        }
    }
    if (commaPending || cursor.empty() || cursor.front() != ')')
        return -1;
    cursor.remove_prefix(1);
    return count;
}

bool applyTransformItemExact(ExactTransform& out, pavrix_graphics::TransformItem item, const double* v, int count) {
    using pavrix_graphics::TransformItem;
    switch (item) {
    case TransformItem::matrix:
        if (count != 6)
            return false;
        preApply(out, ExactTransform{v[0], v[1], v[2], v[3], v[4], v[5]});
        return true;
    case TransformItem::translate:
        if (count != 1 && count != 2)
            return false;
        preApply(out, translation(v[0], count == 2 ? v[1] : 0.0));
        return true;
    case TransformItem::scale:
        if (count != 1 && count != 2)
            return false;
        preApply(out, ExactTransform{v[0], 0.0, 0.0, count == 2 ? v[1] : v[0], 0.0, 0.0});
        return true;
    case TransformItem::rotate: {
        if (count != 1 && count != 3)
            return false;
        const double radians = v[0] * kRadiansPerDegree;
        const double cosine = std::cos(radians);
        const double sine = std::sin(radians);
        const ExactTransform rotation{cosine, sine, -sine, cosine, 0.0, 0.0};
        if (count == 3) {
            preApply(out, translation(v[1], v[2]));
            preApply(out, rotation);
            preApply(out, translation(-v[1], -v[2]));
        } else {
            preApply(out, rotation);
        }
        return true;
    }
    case TransformItem::skew_x:
        if (count != 1)
            return false;
        preApply(out, ExactTransform{1.0, 0.0, std::tan(v[0] * kRadiansPerDegree), 1.0, 0.0, 0.0});
        return true;
    case TransformItem::skew_y:
        if (count != 1)
            return false;
        preApply(out, ExactTransform{1.0, std::tan(v[0] * kRadiansPerDegree), 0.0, 1.0, 0.0, 0.0});
        return true;
    }
    return false;
}

bool parseTransformExact(std::string_view text, ExactTransform& out) {
    out = ExactTransform{};
    skipSvgWhitespace(text);
    while (!text.empty()) {
        std::size_t nameLength = 0;
        while (nameLength < text.size() && isLetter(text[nameLength]))
            ++nameLength;
        const std::string_view name = text.substr(0, nameLength);
        text.remove_prefix(nameLength);
        std::array<double, 6> v{};
        const int count = parseTransformArguments(text, v);
        pavrix_graphics::TransformItem item;
        if (count < 0 || !pavrix_graphics::transform_item_named(name, item) ||
            !applyTransformItemExact(out, item, v.data(), count))
            return false;

        // Items are separated by white space, by one comma, or by nothing; a comma needs an item
        // after it.
        skipSvgWhitespace(text);
        if (!text.empty() && text.front() == ',') {
            text.remove_prefix(1);
            skipSvgWhitespace(text);
            if (text.empty())
                return false;
        }
    }
    return true;
}

}  // namespace pavrix_svg
