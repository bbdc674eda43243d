#include "svg/dom/layout_state.h"
#include "svg/lexical/ascii.h"

#include <plutovg.h>

#include <algorithm>
#include <climits>
#include <cmath>

#include "svg/dom/svg_element.h"

namespace pavrix_svg {

namespace {

constexpr std::uint32_t kOpaqueBlack = 0xff000000u;

struct Keyword {
    std::string_view name;
    std::uint8_t value;
};

constexpr Keyword kDisplay[] = {{"inline", 0}, {"none", 1}};
constexpr Keyword kVisibility[] = {{"visible", 0}, {"hidden", 1}, {"collapse", 2}};
constexpr Keyword kOverflow[] = {{"visible", 0}, {"hidden", 1}};
constexpr Keyword kPointerEvents[] = {{"none", 0},          {"auto", 1},        {"stroke", 2},
                                      {"fill", 3},          {"painted", 4},     {"visible", 5},
                                      {"visibleStroke", 6}, {"visibleFill", 7}, {"visiblePainted", 8},
                                      {"bounding-box", 9},  {"all", 10}};
constexpr Keyword kFontWeight[] = {{"normal", 0}, {"bold", 1}, {"bolder", 1}, {"lighter", 0}, {"100", 0},
                                   {"200", 0},    {"300", 0},  {"400", 0},    {"500", 0},     {"600", 1},
                                   {"700", 1},    {"800", 1},  {"900", 1}};
constexpr Keyword kFontStyle[] = {{"normal", 0}, {"italic", 1}, {"oblique", 1}};
constexpr Keyword kAlignmentBaseline[] = {
    {"auto", 0},        {"baseline", 1},   {"before-edge", 2}, {"text-before-edge", 3},
    {"middle", 4},      {"central", 5},    {"after-edge", 6},  {"text-after-edge", 7},
    {"ideographic", 8}, {"alphabetic", 9}, {"hanging", 10},    {"mathematical", 11}};
constexpr Keyword kDominantBaseline[] = {{"auto", 0},       {"use-script", 1},       {"no-change", 2},
                                         {"reset-size", 3}, {"ideographic", 4},      {"alphabetic", 5},
                                         {"hanging", 6},    {"mathematical", 7},     {"central", 8},
                                         {"middle", 9},     {"text-after-edge", 10}, {"text-before-edge", 11}};
constexpr Keyword kDirection[] = {{"ltr", 0}, {"rtl", 1}};
constexpr Keyword kWritingMode[] = {
    {"horizontal-tb", 0}, {"vertical-rl", 1}, {"vertical-lr", 1}, {"lr-tb", 0}, {"lr", 0},
    {"rl-tb", 0},         {"rl", 0},          {"tb-rl", 1},       {"tb", 1}};
constexpr Keyword kTextOrientation[] = {{"mixed", 0}, {"upright", 1}};
constexpr Keyword kTextAnchor[] = {{"start", 0}, {"middle", 1}, {"end", 2}};
constexpr Keyword kWhiteSpace[] = {{"default", 0},  {"preserve", 1}, {"normal", 0}, {"nowrap", 0},
                                   {"pre-line", 0}, {"pre-wrap", 1}, {"pre", 1}};
constexpr Keyword kMaskType[] = {{"luminance", 0}, {"alpha", 1}};
constexpr Keyword kVectorEffect[] = {{"none", 0}, {"non-scaling-stroke", 1}};
constexpr Keyword kFillRule[] = {{"nonzero", 0}, {"evenodd", 1}};
constexpr Keyword kLineCap[] = {{"butt", 0}, {"round", 1}, {"square", 2}};
constexpr Keyword kLineJoin[] = {{"miter", 0}, {"round", 1}, {"bevel", 2}};

// CSS reads keywords in any ASCII case.
template <std::size_t N>
std::uint8_t lookup(const Keyword (&table)[N], std::string_view value, std::uint8_t fallback) noexcept {
    for (const Keyword& keyword : table) {
        if (equalsIgnoreAsciiCase(keyword.name, value))
            return keyword.value;
    }
    return fallback;
}

bool startsWithCurrentColor(std::string_view value) noexcept {
    constexpr std::string_view kCurrentColor = "currentColor";
    return value.size() >= kCurrentColor.size() &&
           equalsIgnoreAsciiCase(value.substr(0, kCurrentColor.size()), kCurrentColor);
}

bool isCurrentColor(std::string_view value) noexcept {
    return equalsIgnoreAsciiCase(value, "currentColor");
}

bool isInherit(std::string_view value) noexcept {
    return equalsIgnoreAsciiCase(value, "inherit");
}

// The colour parser's reading of a whole value.
struct ColorReading {
    std::uint32_t argb = 0;
    float alpha = 0.0f;
    bool whole = false;
};

ColorReading readColor(std::string_view text) noexcept {
    ColorReading reading;
    // plutovg takes an int length; longer text cannot be one colour anyway.
    if (text.empty() || text.size() > static_cast<std::size_t>(INT_MAX))
        return reading;
    plutovg_color_t color{0.0f, 0.0f, 0.0f, 0.0f};
    const int length = static_cast<int>(text.size());
    const int consumed = plutovg_color_parse(&color, text.data(), length);
    if (consumed != length)
        return reading;
    reading.argb = plutovg_color_to_argb32(&color);
    reading.alpha = color.a;
    reading.whole = true;
    return reading;
}

// readNumber, an optional "%" (divides by 100), nothing else; clamped to [0, 1]. 1 otherwise.
float readOpacity(std::string_view text) noexcept {
    float value = 0.0f;
    if (!readNumber(text, value))
        return 1.0f;
    if (!text.empty() && text.front() == '%') {
        value /= 100.0f;
        text.remove_prefix(1);
    }
    if (!text.empty())
        return 1.0f;
    return std::clamp(value, 0.0f, 1.0f);
}

// A url reference followed by nothing; empty otherwise.
std::string_view readReferenceId(std::string_view value) noexcept {
    std::string_view id;
    if (!parseUrlReference(value, id) || !value.empty())
        return {};
    return id;
}

// Elements that set up a viewport hide what overflows it, except the root; every other element
// starts visible, which is what "inherit" passes on to a child.
std::uint8_t initialOverflow(const SVGElement* element) noexcept {
    if (element == nullptr || element->parent() == nullptr)
        return 0;
    switch (element->id()) {
    case ElementID::Svg:
    case ElementID::Symbol:
    case ElementID::Image:
    case ElementID::Marker:
    case ElementID::Pattern:
        return layout_keyword::kOverflowHidden;
    default:
        return 0;
    }
}

}  // namespace

std::uint8_t keywordValue(PropertyID property, std::string_view value) noexcept {
    switch (property) {
    case PropertyID::Display:
        return lookup(kDisplay, value, 0);
    case PropertyID::Visibility:
        return lookup(kVisibility, value, 0);
    case PropertyID::Overflow:
        return lookup(kOverflow, value, 0);
    case PropertyID::PointerEvents:
        return lookup(kPointerEvents, value, 1);
    case PropertyID::FontWeight:
        return lookup(kFontWeight, value, 0);
    case PropertyID::FontStyle:
        return lookup(kFontStyle, value, 0);
    case PropertyID::AlignmentBaseline:
        return lookup(kAlignmentBaseline, value, 0);
    case PropertyID::DominantBaseline:
        return lookup(kDominantBaseline, value, 0);
    case PropertyID::Direction:
        return lookup(kDirection, value, 0);
    case PropertyID::WritingMode:
        return lookup(kWritingMode, value, 0);
    case PropertyID::TextOrientation:
        return lookup(kTextOrientation, value, 0);
    case PropertyID::TextAnchor:
        return lookup(kTextAnchor, value, 0);
    case PropertyID::WhiteSpace:
        return lookup(kWhiteSpace, value, 0);
    case PropertyID::MaskType:
        return lookup(kMaskType, value, 0);
    case PropertyID::VectorEffect:
        return lookup(kVectorEffect, value, 0);
    case PropertyID::FillRule:
    case PropertyID::ClipRule:
        return lookup(kFillRule, value, 0);
    case PropertyID::StrokeLinecap:
        return lookup(kLineCap, value, 0);
    case PropertyID::StrokeLinejoin:
        return lookup(kLineJoin, value, 0);
    default:
        return 0;
    }
}

bool parseUrlReference(std::string_view& value, std::string_view& id) noexcept {
    std::string_view text = value;
    // The function name is read in any case, as CSS does; the id is not.
    if (!equalsIgnoreAsciiCase(text.substr(0, 3), "url"))
        return false;
    text.remove_prefix(3);
    skipSvgWhitespace(text);
    if (text.empty() || text.front() != '(')
        return false;
    text.remove_prefix(1);
    skipSvgWhitespace(text);
    if (text.empty())
        return false;
    std::string_view found;
    if (text.front() == '#') {
        text.remove_prefix(1);
        const std::size_t close = text.find(')');
        if (close == std::string_view::npos)
            return false;
        found = text.substr(0, close);
        text.remove_prefix(close);
    } else if (text.front() == '\'' || text.front() == '"') {
        const char quote = text.front();
        text.remove_prefix(1);
        if (text.empty() || text.front() != '#')
            return false;
        text.remove_prefix(1);
        const std::size_t end = text.find(quote);
        if (end == std::string_view::npos)
            return false;
        found = text.substr(0, end);
        text.remove_prefix(end + 1);
        skipSvgWhitespace(text);
    } else {
        return false;
    }
    if (text.empty() || text.front() != ')')
        return false;
    text.remove_prefix(1);
    id = found;
    value = text;
    return true;
}

std::uint32_t parseColorOrDefault(std::string_view value, const SVGLayoutState& state,
                                  std::uint32_t defaultColor) noexcept {
    if (equalsIgnoreAsciiCase(value, "none"))
        return 0;
    if (startsWithCurrentColor(value))
        return isCurrentColor(value) ? state.color : defaultColor;
    const ColorReading reading = readColor(value);
    return reading.whole ? reading.argb : defaultColor;
}

LayoutPaint parsePaint(std::string_view value, const SVGLayoutState& state, std::uint32_t fallbackColor) noexcept {
    std::string_view rest = value;
    std::string_view id;
    if (parseUrlReference(rest, id)) {
        rest = trimSvgWhitespace(rest);
        if (rest.empty())
            return {id, 0};
        return {id, parseColorOrDefault(rest, state, fallbackColor)};
    }
    return {{}, parseColorOrDefault(value, state, fallbackColor), isCurrentColor(value)};
}

AlphaClass paintAlphaClass(std::string_view value, const SVGLayoutState& state) noexcept {
    const std::string_view trimmed = trimSvgWhitespace(value);
    const ColorAlphaClass decided = classifyColorAlpha(trimmed, state.colorAlphaClass);
    if (decided.known)
        return decided.alpha;
    const ColorReading reading = readColor(trimmed);
    if (!reading.whole)
        return {0, 0};
    const float alpha = reading.alpha;
    return {static_cast<std::uint8_t>(alpha <= 0.0f ? 1 : 0),
            static_cast<std::uint8_t>(alpha > 0.0f && alpha < 1.0f ? 1 : 0)};
}

double paintAlphaExact(std::string_view value, const SVGLayoutState& state) noexcept {
    const std::string_view trimmed = trimSvgWhitespace(value);
    if (isCurrentColor(trimmed))
        return state.colorAlphaExact;
    const ColorReading reading = readColor(trimmed);
    return parseColorAlpha(trimmed, reading.whole, static_cast<double>(reading.alpha));
}

std::vector<Length> parseDashArray(std::string_view value) {
    std::vector<Length> lengths;
    if (equalsIgnoreAsciiCase(value, "none"))
        return lengths;
    std::string_view text = value;
    while (!text.empty()) {
        std::size_t end = 0;
        while (end < text.size() && text[end] != ',' && !isSvgWhitespace(text[end]))
            ++end;
        if (end == 0)
            break;  // a second comma: the list ends here
        Length length;
        if (!parseLength(text.substr(0, end), length.value, length.unit, LengthNegativeMode::Forbid))
            return {};
        lengths.push_back(length);
        text.remove_prefix(end);
        skipWhitespaceAndComma(text);
    }
    return lengths;
}

SVGLayoutState::SVGLayoutState(RootParentTag) noexcept {
    static const std::vector<Length> kNoDashes;
    m_strokeDasharray = &kNoDashes;
}

SVGLayoutState initLayoutState() {
    return SVGLayoutState(SVGLayoutState::RootParentTag{});
}

SVGLayoutState::SVGLayoutState(const SVGLayoutState& parentState, SVGElement* owner)
    : parent(&parentState),
      element(owner),
      fill(parentState.fill),
      stroke(parentState.stroke),
      color(parentState.color),
      stopColor(kOpaqueBlack),
      opacity(1.0f),
      fillOpacity(parentState.fillOpacity),
      strokeOpacity(parentState.strokeOpacity),
      opacityExact(1.0),
      colorAlphaExact(parentState.colorAlphaExact),
      fillAlphaExact(parentState.fillAlphaExact),
      strokeAlphaExact(parentState.strokeAlphaExact),
      fillOpacityExact(parentState.fillOpacityExact),
      strokeOpacityExact(parentState.strokeOpacityExact),
      fillAlphaClass(parentState.fillAlphaClass),
      strokeAlphaClass(parentState.strokeAlphaClass),
      colorAlphaClass(parentState.colorAlphaClass),
      fillOpacityAlphaClass(parentState.fillOpacityAlphaClass),
      strokeOpacityAlphaClass(parentState.strokeOpacityAlphaClass),
      stopOpacity(1.0f),
      miterLimit(parentState.miterLimit),
      miterLimitText(parentState.miterLimitText),
      fontSize(parentState.fontSize),
      letterSpacing(parentState.letterSpacing),
      wordSpacing(parentState.wordSpacing),
      baselineShiftKind(layout_keyword::kBaselineShiftBaseline),
      baselineShift(0.0f, LengthUnit::None),
      strokeWidth(parentState.strokeWidth),
      strokeWidthText(parentState.strokeWidthText),
      strokeDashoffset(parentState.strokeDashoffset),
      strokeDashoffsetText(parentState.strokeDashoffsetText),
      strokeDasharrayText(parentState.strokeDasharrayText),
      lineCap(parentState.lineCap),
      lineJoin(parentState.lineJoin),
      fillRule(parentState.fillRule),
      clipRule(parentState.clipRule),
      fontBold(parentState.fontBold),
      fontItalic(parentState.fontItalic),
      alignmentBaseline(0),
      dominantBaseline(parentState.dominantBaseline),
      textAnchor(parentState.textAnchor),
      whiteSpace(parentState.whiteSpace),
      writingMode(parentState.writingMode),
      textOrientation(parentState.textOrientation),
      direction(parentState.direction),
      display(0),
      visibility(parentState.visibility),
      overflow(initialOverflow(owner)),
      pointerEvents(parentState.pointerEvents),
      maskType(0),
      vectorEffect(0),
      markerStartId(parentState.markerStartId),
      markerMidId(parentState.markerMidId),
      markerEndId(parentState.markerEndId),
      fontFamily(parentState.fontFamily),
      m_strokeDasharray(parentState.m_strokeDasharray) {
    if (owner != nullptr)
        applyAttributes();
}

void SVGLayoutState::applyAttributes() {
    const AttributeList& attributes = element->attributes();

    // color first: currentColor elsewhere on this element refers to the element's own colour.
    for (const Attribute& attribute : attributes) {
        if (attribute.id != PropertyID::Color)
            continue;
        const std::string_view value = trimSvgWhitespace(attribute.value);
        if (value.empty() || isInherit(value))
            continue;
        colorAlphaClass = paintAlphaClass(value, *this);
        colorAlphaExact = paintAlphaExact(value, *this);
        if (!startsWithCurrentColor(value)) {
            const ColorReading reading = readColor(value);
            if (reading.whole)
                color = reading.argb;
        }
    }

    // An inherited currentColor paint takes this element's colour.
    if (fill.isCurrentColor) {
        fill.color = color;
        fillAlphaExact = colorAlphaExact;
        fillAlphaClass = colorAlphaClass;
    }
    if (stroke.isCurrentColor) {
        stroke.color = color;
        strokeAlphaExact = colorAlphaExact;
        strokeAlphaClass = colorAlphaClass;
    }

    for (const Attribute& attribute : attributes) {
        const std::string_view value = trimSvgWhitespace(attribute.value);
        if (isInherit(value)) {
            takeParentValue(attribute.id);
            continue;
        }
        if (value.empty())
            continue;
        switch (attribute.id) {
        case PropertyID::Fill:
        case PropertyID::Stroke: {
            const bool isFill = attribute.id == PropertyID::Fill;
            (isFill ? fill : stroke) = parsePaint(value, *this, isFill ? kOpaqueBlack : 0u);
            const bool none = equalsIgnoreAsciiCase(value, "none");
            (isFill ? fillAlphaExact : strokeAlphaExact) = none ? 0.0 : paintAlphaExact(value, *this);
            (isFill ? fillAlphaClass : strokeAlphaClass) = none ? AlphaClass{1, 0} : paintAlphaClass(value, *this);
            break;
        }
        case PropertyID::Opacity:
            opacity = readOpacity(value);
            opacityExact = parseOpacityExact(value, true, 1.0);
            break;
        case PropertyID::FillOpacity:
            fillOpacity = readOpacity(value);
            fillOpacityExact = parseOpacityExact(value, true, 1.0);
            fillOpacityAlphaClass = classifyAlphaNumber(value);
            break;
        case PropertyID::StrokeOpacity:
            strokeOpacity = readOpacity(value);
            strokeOpacityExact = parseOpacityExact(value, true, 1.0);
            strokeOpacityAlphaClass = classifyAlphaNumber(value);
            break;
        case PropertyID::StopOpacity:
            stopOpacity = readOpacity(value);
            break;
        case PropertyID::StopColor:
            if (isCurrentColor(value)) {
                stopColor = color;
            } else if (startsWithCurrentColor(value)) {
                stopColor = kOpaqueBlack;
            } else {
                const ColorReading reading = readColor(value);
                stopColor = reading.whole ? reading.argb : kOpaqueBlack;
            }
            break;
        // The source text goes with each stroke value for the exact re-reading; when the
        // float reading fails, the text of the fallback goes with it instead, so that the
        // two sides never disagree (an exact "-1" beside a float 1).
        case PropertyID::StrokeWidth:
            if (parseLength(value, strokeWidth.value, strokeWidth.unit, LengthNegativeMode::Forbid)) {
                strokeWidthText = value;
            } else {
                strokeWidth = Length(1.0f, LengthUnit::None);
                strokeWidthText = "1";
            }
            break;
        case PropertyID::StrokeDashoffset:
            if (parseLength(value, strokeDashoffset.value, strokeDashoffset.unit, LengthNegativeMode::Allow)) {
                strokeDashoffsetText = value;
            } else {
                strokeDashoffset = Length(0.0f, LengthUnit::None);
                strokeDashoffsetText = "0";
            }
            break;
        case PropertyID::StrokeMiterlimit: {
            std::string_view text = value;
            float number = 0.0f;
            if (readNumber(text, number) && text.empty()) {
                miterLimit = number;
                miterLimitText = value;
            } else {
                miterLimit = 4.0f;
                miterLimitText = "4";
            }
            break;
        }
        case PropertyID::StrokeDasharray:
            m_ownDasharray = parseDashArray(value);
            m_strokeDasharray = &m_ownDasharray;
            strokeDasharrayText = m_ownDasharray.empty() ? std::string_view("none") : value;
            break;
        case PropertyID::FontSize: {
            Length size;
            if (!parseLength(value, size.value, size.unit, LengthNegativeMode::Forbid)) {
                fontSize = 12.0f;
                break;
            }
            const float inherited = parent->fontSize;
            switch (size.unit) {
            case LengthUnit::Percent:
                fontSize = size.value * inherited / 100.0f;
                break;
            case LengthUnit::Em:
                fontSize = size.value * inherited;
                break;
            case LengthUnit::Ex:
                fontSize = size.value * inherited * 0.5f;
                break;
            default:
                fontSize = size.value;
                break;
            }
            // A relative size can overflow the float range; every em and ex length below
            // would follow it to infinity.
            if (!std::isfinite(fontSize))
                fontSize = 12.0f;
            break;
        }
        case PropertyID::LetterSpacing:
        case PropertyID::WordSpacing: {
            Length& target = attribute.id == PropertyID::LetterSpacing ? letterSpacing : wordSpacing;
            if (equalsIgnoreAsciiCase(value, "normal") ||
                !parseLength(value, target.value, target.unit, LengthNegativeMode::Allow))
                target = Length(0.0f, LengthUnit::None);
            break;
        }
        case PropertyID::BaselineShift:
            if (equalsIgnoreAsciiCase(value, "baseline")) {
                baselineShiftKind = layout_keyword::kBaselineShiftBaseline;
            } else if (equalsIgnoreAsciiCase(value, "sub")) {
                baselineShiftKind = layout_keyword::kBaselineShiftSub;
            } else if (equalsIgnoreAsciiCase(value, "super")) {
                baselineShiftKind = layout_keyword::kBaselineShiftSuper;
            } else {
                baselineShiftKind = layout_keyword::kBaselineShiftLength;
                if (!parseLength(value, baselineShift.value, baselineShift.unit, LengthNegativeMode::Allow))
                    baselineShift = Length(0.0f, LengthUnit::None);
            }
            break;
        case PropertyID::ClipPath:
            clipPathId = readReferenceId(value);
            break;
        case PropertyID::Mask:
            maskId = readReferenceId(value);
            break;
        case PropertyID::MarkerStart:
            markerStartId = readReferenceId(value);
            break;
        case PropertyID::MarkerMid:
            markerMidId = readReferenceId(value);
            break;
        case PropertyID::MarkerEnd:
            markerEndId = readReferenceId(value);
            break;
        case PropertyID::FontFamily:
            fontFamily = value;
            break;
        case PropertyID::Display:
            display = keywordValue(attribute.id, value);
            break;
        case PropertyID::Visibility:
            visibility = keywordValue(attribute.id, value);
            break;
        case PropertyID::Overflow:
            overflow = keywordValue(attribute.id, value);
            break;
        case PropertyID::PointerEvents:
            pointerEvents = keywordValue(attribute.id, value);
            break;
        case PropertyID::FontWeight:
            fontBold = keywordValue(attribute.id, value);
            break;
        case PropertyID::FontStyle:
            fontItalic = keywordValue(attribute.id, value);
            break;
        case PropertyID::AlignmentBaseline:
            alignmentBaseline = keywordValue(attribute.id, value);
            break;
        case PropertyID::DominantBaseline:
            dominantBaseline = keywordValue(attribute.id, value);
            break;
        case PropertyID::Direction:
            direction = keywordValue(attribute.id, value);
            break;
        case PropertyID::WritingMode:
            writingMode = keywordValue(attribute.id, value);
            break;
        case PropertyID::TextOrientation:
            textOrientation = keywordValue(attribute.id, value);
            break;
        case PropertyID::TextAnchor:
            textAnchor = keywordValue(attribute.id, value);
            break;
        case PropertyID::WhiteSpace:
            whiteSpace = keywordValue(attribute.id, value);
            break;
        case PropertyID::MaskType:
            maskType = keywordValue(attribute.id, value);
            break;
        case PropertyID::VectorEffect:
            vectorEffect = keywordValue(attribute.id, value);
            break;
        case PropertyID::FillRule:
            fillRule = keywordValue(attribute.id, value);
            break;
        case PropertyID::ClipRule:
            clipRule = keywordValue(attribute.id, value);
            break;
        case PropertyID::StrokeLinecap:
            lineCap = keywordValue(attribute.id, value);
            break;
        case PropertyID::StrokeLinejoin:
            lineJoin = keywordValue(attribute.id, value);
            break;
        default:
            break;
        }
    }
}

void SVGLayoutState::takeParentValue(PropertyID property) noexcept {
    // Inherited properties already hold the parent's value (an inherited currentColor paint
    // taken with this element's colour); only the reset ones need it back.
    switch (property) {
    case PropertyID::Opacity:
        opacity = parent->opacity;
        opacityExact = parent->opacityExact;
        break;
    case PropertyID::StopColor:
        stopColor = parent->stopColor;
        break;
    case PropertyID::StopOpacity:
        stopOpacity = parent->stopOpacity;
        break;
    case PropertyID::BaselineShift:
        baselineShiftKind = parent->baselineShiftKind;
        baselineShift = parent->baselineShift;
        break;
    case PropertyID::AlignmentBaseline:
        alignmentBaseline = parent->alignmentBaseline;
        break;
    case PropertyID::Display:
        display = parent->display;
        break;
    case PropertyID::Overflow:
        overflow = parent->overflow;
        break;
    case PropertyID::MaskType:
        maskType = parent->maskType;
        break;
    case PropertyID::VectorEffect:
        vectorEffect = parent->vectorEffect;
        break;
    case PropertyID::ClipPath:
        clipPathId = parent->clipPathId;
        break;
    case PropertyID::Mask:
        maskId = parent->maskId;
        break;
    default:
        break;
    }
}

}  // namespace pavrix_svg
