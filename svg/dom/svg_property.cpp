#include "svg/dom/svg_property.h"

#include <array>
#include <cmath>
#include <utility>

namespace pavrix_svg {

namespace {

template <typename Enum, std::size_t N>
bool matchKeyword(std::string_view text, const std::array<std::pair<std::string_view, Enum>, N>& table,
                  Enum& value) noexcept {
    for (const auto& [keyword, entry] : table) {
        if (text == keyword) {
            value = entry;
            return true;
        }
    }
    return false;
}

// A number separator: the next character must be white space or a comma.
bool startsWithSeparator(std::string_view text) noexcept {
    return !text.empty() && (isSvgWhitespace(text.front()) || text.front() == ',');
}

}  // namespace

bool SVGString::parse(std::string_view input) {
    m_value.assign(trimSvgWhitespace(input));
    return true;
}

bool SVGLength::parse(std::string_view input) {
    float value = 0.0f;
    LengthUnit unit = LengthUnit::None;
    if (!parseLength(input, value, unit, m_negativeMode))
        return false;
    m_value = value;
    m_unit = unit;
    return true;
}

bool SVGLengthList::parse(std::string_view input) {
    m_values.clear();
    while (true) {
        std::size_t tokenLength = 0;
        while (tokenLength < input.size() && input[tokenLength] != ',' && !isSvgWhitespace(input[tokenLength]))
            ++tokenLength;
        if (tokenLength == 0)
            return true;
        Length length;
        // A bad token fails the parse; the lengths before it stay.
        if (!parseLength(input.substr(0, tokenLength), length.value, length.unit, m_negativeMode))
            return false;
        m_values.push_back(length);
        input.remove_prefix(tokenLength);
        skipWhitespaceAndComma(input);
    }
}

bool SVGNumberList::parse(std::string_view input) {
    std::vector<float> values;
    skipSvgWhitespace(input);
    while (!input.empty()) {
        float value = 0.0f;
        if (!readNumber(input, value))
            return false;
        values.push_back(value);
        skipWhitespaceAndComma(input);
    }
    m_values = std::move(values);
    return true;
}

bool SVGNumberPercentage::parse(std::string_view input) {
    input = trimSvgWhitespace(input);
    float value = 0.0f;
    if (!readNumber(input, value))
        return false;
    if (!input.empty()) {
        if (input != "%")
            return false;
        value /= 100.0f;
    }
    m_value = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    return true;
}

bool SVGAngle::parse(std::string_view input) {
    input = trimSvgWhitespace(input);
    if (input == "auto") {
        m_value = 0.0f;
        m_orientType = OrientType::Auto;
        return true;
    }
    if (input == "auto-start-reverse") {
        m_value = 0.0f;
        m_orientType = OrientType::AutoStartReverse;
        return true;
    }
    float value = 0.0f;
    if (!readNumber(input, value))
        return false;
    if (input.empty() || input == "deg") {
    } else if (input == "grad") {
        value *= 0.9f;
    } else if (input == "rad") {
        value *= 57.295776f;
    } else if (input == "turn") {
        value *= 360.0f;
    } else {
        return false;
    }
    // A huge angle in turns or radians would otherwise rotate markers by an infinite angle.
    if (!std::isfinite(value))
        return false;
    m_value = value;
    m_orientType = OrientType::Angle;
    return true;
}

bool SVGRect::parse(std::string_view input) {
    input = trimSvgWhitespace(input);
    std::array<float, 4> numbers{};
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0) {
            if (!startsWithSeparator(input))
                return false;
            skipWhitespaceAndComma(input);
        }
        if (!readNumber(input, numbers[i]))
            return false;
    }
    if (!input.empty() || numbers[2] < 0.0f || numbers[3] < 0.0f)
        return false;
    m_value = Rect(numbers[0], numbers[1], numbers[2], numbers[3]);
    return true;
}

bool SVGPreserveAspectRatio::parse(std::string_view input) {
    static constexpr std::array<std::pair<std::string_view, AlignType>, 9> kAligns{{
        {"xMinYMin", AlignType::xMinYMin},
        {"xMidYMin", AlignType::xMidYMin},
        {"xMaxYMin", AlignType::xMaxYMin},
        {"xMinYMid", AlignType::xMinYMid},
        {"xMidYMid", AlignType::xMidYMid},
        {"xMaxYMid", AlignType::xMaxYMid},
        {"xMinYMax", AlignType::xMinYMax},
        {"xMidYMax", AlignType::xMidYMax},
        {"xMaxYMax", AlignType::xMaxYMax},
    }};
    skipSvgWhitespace(input);
    AlignType align = AlignType::None;
    if (input.starts_with("none")) {
        input.remove_prefix(4);
    } else {
        if (input.size() < 8 || !matchKeyword(input.substr(0, 8), kAligns, align))
            return false;
        input.remove_prefix(8);
    }
    skipSvgWhitespace(input);
    MeetOrSlice slice = MeetOrSlice::Meet;
    if (input.starts_with("meet")) {
        input.remove_prefix(4);
    } else if (input.starts_with("slice")) {
        input.remove_prefix(5);
        slice = MeetOrSlice::Slice;
    }
    if (skipSvgWhitespace(input))
        return false;
    m_alignType = align;
    m_meetOrSlice = align == AlignType::None ? MeetOrSlice::Meet : slice;
    return true;
}

bool SVGTransform::parse(std::string_view input) {
    Transform parsed;
    if (!parsed.parse(input))
        return false;
    m_value = parsed;
    return true;
}

bool SVGPath::parse(std::string_view input) {
    Path parsed;
    if (!parsed.parse(input, m_storage))
        return false;
    m_value = std::move(parsed);
    return true;
}

pavrix_graphics::VectorPath* SVGPath::createRecord() const {
    return pavrix_graphics::path_create(m_storage);
}

bool SVGPointList::parse(std::string_view input) {
    m_values.clear();
    skipSvgWhitespace(input);
    while (!input.empty()) {
        Point point;
        // As for length lists, the points read before a failure stay.
        if (!readNumber(input, point.x) || !startsWithSeparator(input))
            return false;
        skipWhitespaceAndComma(input);
        if (!readNumber(input, point.y))
            return false;
        m_values.push_back(point);
        skipWhitespaceAndComma(input);
    }
    return true;
}

bool parseEnumerationValue(std::string_view text, LengthAdjust& value) noexcept {
    static constexpr std::array<std::pair<std::string_view, LengthAdjust>, 2> kTable{{
        {"spacing", LengthAdjust::Spacing},
        {"spacingAndGlyphs", LengthAdjust::SpacingAndGlyphs},
    }};
    return matchKeyword(text, kTable, value);
}

bool parseEnumerationValue(std::string_view text, MarkerUnits& value) noexcept {
    static constexpr std::array<std::pair<std::string_view, MarkerUnits>, 2> kTable{{
        {"strokeWidth", MarkerUnits::StrokeWidth},
        {"userSpaceOnUse", MarkerUnits::UserSpaceOnUse},
    }};
    return matchKeyword(text, kTable, value);
}

bool parseEnumerationValue(std::string_view text, SpreadMethod& value) noexcept {
    static constexpr std::array<std::pair<std::string_view, SpreadMethod>, 3> kTable{{
        {"pad", SpreadMethod::Pad},
        {"reflect", SpreadMethod::Reflect},
        {"repeat", SpreadMethod::Repeat},
    }};
    return matchKeyword(text, kTable, value);
}

bool parseEnumerationValue(std::string_view text, Units& value) noexcept {
    static constexpr std::array<std::pair<std::string_view, Units>, 2> kTable{{
        {"userSpaceOnUse", Units::UserSpaceOnUse},
        {"objectBoundingBox", Units::ObjectBoundingBox},
    }};
    return matchKeyword(text, kTable, value);
}

}  // namespace pavrix_svg
