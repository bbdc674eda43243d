#include "svg/screen/capability_classifier.h"

#include "svg/lexical/ascii.h"

#include "svg/exact/alpha_classification.h"
#include "svg/lexical/number_readers.h"
#include "svg/dom/property_id.h"

#include <array>
#include <cstdint>

namespace pavrix_svg {

namespace {

using namespace std::string_view_literals;

template <std::size_t N>
bool isOneOf(std::string_view name, const std::array<std::string_view, N>& names) noexcept {
    for (std::string_view candidate : names)
        if (name == candidate)
            return true;
    return false;
}

// Property values: CSS reads keywords in any ASCII case.
template <std::size_t N>
bool isKeywordIn(std::string_view value, const std::array<std::string_view, N>& keywords) noexcept {
    for (std::string_view keyword : keywords)
        if (equalsIgnoreAsciiCase(value, keyword))
            return true;
    return false;
}

bool isKeyword(std::string_view value, std::string_view keyword) noexcept {
    return equalsIgnoreAsciiCase(value, keyword);
}

bool isHrefName(std::string_view name) noexcept {
    return name == "href" || name == "xlink:href";
}

// Where the first "url(" (letters in either case) starts, or npos.
std::size_t findUrlOpening(std::string_view value) noexcept {
    // Every opening ends with "(", which most values (path data above all) lack: searching for it
    // first passes over long values at memchr speed.
    for (std::size_t paren = value.find('(', 3); paren != std::string_view::npos; paren = value.find('(', paren + 1)) {
        const std::size_t i = paren - 3;
        if (asciiLower(value[i]) == 'u' && asciiLower(value[i + 1]) == 'r' && asciiLower(value[i + 2]) == 'l')
            return i;
    }
    return std::string_view::npos;
}

enum class UrlScan { none, local, external };

UrlScan scanUrl(std::string_view value) noexcept {
    const std::size_t at = findUrlOpening(value);
    if (at == std::string_view::npos)
        return UrlScan::none;
    std::size_t i = at + 4;
    while (i < value.size() && (isSvgWhitespace(value[i]) || value[i] == '\'' || value[i] == '"'))
        ++i;
    if (i < value.size() && value[i] != '#')
        return UrlScan::external;
    return UrlScan::local;
}

// "none", or url( [ws] [quote] "#" id [quote] [ws] ) on the trimmed value.
bool isNoneOrLocalClipReference(std::string_view value) noexcept {
    const std::string_view v = trimSvgWhitespace(value);
    if (isKeyword(v, "none"))
        return true;
    if (!isKeyword(v.substr(0, 3), "url"))
        return false;
    std::size_t i = 3;
    while (i < v.size() && isSvgWhitespace(v[i]))
        ++i;
    if (i >= v.size() || v[i] != '(')
        return false;
    ++i;
    while (i < v.size() && isSvgWhitespace(v[i]))
        ++i;
    char quote = 0;
    if (i < v.size() && (v[i] == '\'' || v[i] == '"'))
        quote = v[i++];
    if (i >= v.size() || v[i] != '#')
        return false;
    ++i;
    const std::size_t idStart = i;
    while (i < v.size() && v[i] != ')' && !(quote != 0 && v[i] == quote))
        ++i;
    if (i == idStart)
        return false;
    if (quote != 0) {
        if (i >= v.size() || v[i] != quote)
            return false;
        ++i;
    }
    while (i < v.size() && isSvgWhitespace(v[i]))
        ++i;
    if (i >= v.size() || v[i] != ')')
        return false;
    ++i;
    return i == v.size();  // trailing white space was trimmed
}

bool isLengthUnit(std::string_view rest) noexcept {
    static constexpr std::array<std::string_view, 9> units{"%"sv,  "px"sv, "pc"sv, "pt"sv, "in"sv,
                                                           "cm"sv, "mm"sv, "em"sv, "ex"sv};
    return rest.empty() || isOneOf(rest, units);
}

// A whole number with an optional length unit or "%".
bool isNumberWithUnit(std::string_view text, bool allowNegative) noexcept {
    float number = 0.0f;
    if (!readNumber(text, number))
        return false;
    if (!allowNegative && number < 0.0f)
        return false;
    return isLengthUnit(text);
}

bool isDashArrayValue(std::string_view v) noexcept {
    if (isKeyword(v, "none"))
        return true;
    if (v.empty())
        return false;
    while (true) {
        std::size_t tokenEnd = 0;
        while (tokenEnd < v.size() && v[tokenEnd] != ',' && !isSvgWhitespace(v[tokenEnd]))
            ++tokenEnd;
        if (tokenEnd == 0 || !isNumberWithUnit(v.substr(0, tokenEnd), false))
            return false;
        v.remove_prefix(tokenEnd);
        skipSvgWhitespace(v);
        bool comma = false;
        if (!v.empty() && v.front() == ',') {
            comma = true;
            v.remove_prefix(1);
            skipSvgWhitespace(v);
        }
        if (v.empty())
            return !comma;
    }
}

bool isMiterLimitValue(std::string_view v) noexcept {
    float number = 0.0f;
    if (!readNumber(v, number))
        return false;
    return v.empty() && number >= 1.0f;
}

bool passesStrokeValueTest(std::string_view name, std::string_view value) noexcept {
    const std::string_view v = trimSvgWhitespace(value);
    if (name == "stroke-width")
        return isNumberWithUnit(v, false);
    if (name == "stroke-dashoffset")
        return isNumberWithUnit(v, true);
    if (name == "stroke-dasharray")
        return isDashArrayValue(v);
    return isMiterLimitValue(v);  // stroke-miterlimit
}

bool isOpacityValue(std::string_view value) noexcept {
    std::string_view v = trimSvgWhitespace(value);
    float number = 0.0f;
    if (!readNumber(v, number))
        return false;
    if (!v.empty() && v.front() == '%')
        v.remove_prefix(1);
    return v.empty();
}

// Properties that accept only a few keywords.
struct KeywordProperty {
    std::string_view name;
    std::array<std::string_view, 3> keywords;
    std::size_t count;
};

constexpr std::array<KeywordProperty, 7> kKeywordProperties{{
    {"fill-rule"sv, {"nonzero"sv, "evenodd"sv, {}}, 2},
    {"clip-rule"sv, {"nonzero"sv, "evenodd"sv, {}}, 2},
    {"display"sv, {"inline"sv, "none"sv, {}}, 2},
    {"visibility"sv, {"visible"sv, "hidden"sv, "collapse"sv}, 3},
    {"overflow"sv, {"visible"sv, "hidden"sv, {}}, 2},
    {"stroke-linecap"sv, {"butt"sv, "round"sv, "square"sv}, 3},
    {"stroke-linejoin"sv, {"miter"sv, "round"sv, "bevel"sv}, 3},
}};

const KeywordProperty* findKeywordProperty(std::string_view name) noexcept {
    for (const KeywordProperty& property : kKeywordProperties)
        if (property.name == name)
            return &property;
    return nullptr;
}

bool isKeywordOf(const KeywordProperty& property, std::string_view v) noexcept {
    for (std::size_t i = 0; i < property.count; ++i)
        if (isKeyword(v, property.keywords[i]))
            return true;
    return false;
}

CapabilityVerdict refuse(std::string_view reason) {
    return CapabilityVerdict{std::string(reason), false};
}

}  // namespace

bool isUnsupportedCssPropertyName(std::string_view name) noexcept {
    static constexpr std::array<std::string_view, 20> names{"transform"sv,
                                                            "transform-origin"sv,
                                                            "transform-box"sv,
                                                            "translate"sv,
                                                            "rotate"sv,
                                                            "scale"sv,
                                                            "x"sv,
                                                            "y"sv,
                                                            "cx"sv,
                                                            "cy"sv,
                                                            "r"sv,
                                                            "rx"sv,
                                                            "ry"sv,
                                                            "width"sv,
                                                            "height"sv,
                                                            "d"sv,
                                                            "points"sv,
                                                            "clip"sv,
                                                            "marker"sv,
                                                            "stroke-alignment"sv};
    return isOneOf(name, names) || name.starts_with("offset-") || name.starts_with("motion-");
}

bool isDeferrableCssName(std::string_view name, bool isCssProperty) noexcept {
    static constexpr std::array<std::string_view, 8> names{
        "all"sv,  "filter"sv,         "backdrop-filter"sv, "paint-order"sv,
        "mask"sv, "mix-blend-mode"sv, "isolation"sv,       "color-interpolation"sv};
    return isCssProperty || isUnsupportedCssPropertyName(name) || isOneOf(name, names);
}

bool isDeferrableAttribute(std::string_view name) {
    static constexpr std::array<std::string_view, 4> names{"requiredExtensions"sv, "requiredFeatures"sv,
                                                           "systemLanguage"sv, "pathLength"sv};
    return isDeferrableCssName(name, isCssPropertyName(name) != PropertyID::Unknown) || isOneOf(name, names);
}

bool isNumericGeometryAttribute(std::string_view name) noexcept {
    static constexpr std::array<std::string_view, 23> names{"d"sv,
                                                            "points"sv,
                                                            "transform"sv,
                                                            "viewBox"sv,
                                                            "x"sv,
                                                            "y"sv,
                                                            "x1"sv,
                                                            "y1"sv,
                                                            "x2"sv,
                                                            "y2"sv,
                                                            "cx"sv,
                                                            "cy"sv,
                                                            "r"sv,
                                                            "rx"sv,
                                                            "ry"sv,
                                                            "width"sv,
                                                            "height"sv,
                                                            "dx"sv,
                                                            "dy"sv,
                                                            "stroke-width"sv,
                                                            "stroke-dasharray"sv,
                                                            "stroke-dashoffset"sv,
                                                            "stroke-miterlimit"sv};
    return isOneOf(name, names);
}

CapabilityVerdict checkAttributeCapability(std::string_view name, std::string_view value, bool known, bool styleElement,
                                           bool imageElement, bool cssDeclaration,
                                           std::optional<bool> outsideFloatRange) {
    const std::string_view v = trimSvgWhitespace(value);

    if (styleElement) {
        if (name == "media" && !v.empty() && v != "all")
            return refuse("unsupported_css_media");
        if (name == "type" && !v.empty() && v != "text/css")
            return refuse("unsupported_css_type");
        if (name == "scoped")
            return refuse("unsupported_css_scope");
    }
    if (name == "requiredExtensions" || name == "requiredFeatures" || name == "systemLanguage")
        return refuse("unsupported_conditional_processing");
    if (name == "pathLength")
        return refuse("unsupported_path_length");
    // Image hrefs are refused outright: decoding would read local files or embedded payloads.
    if (imageElement && isHrefName(name))
        return refuse("unsupported_image");
    if (name == "xml:base")
        return refuse("unsupported_external_resource");
    if (cssDeclaration && !known && (isUnsupportedCssPropertyName(name) || name == "all"))
        return refuse("unsupported_css_property");
    // The one presentation attribute among those properties that no element reads as its own.
    if (!cssDeclaration && !known && name == "transform-origin")
        return refuse("unsupported_css_property");
    if (known && isKeyword(v, "inherit"))
        return {};
    if (isHrefName(name)) {
        std::string_view rest = value;
        skipSvgWhitespace(rest);
        if (!rest.empty() && rest.front() != '#')
            return refuse("unsupported_external_resource");
    }
    const UrlScan url = scanUrl(value);
    if (url == UrlScan::external)
        return refuse("unsupported_external_resource");
    if (isNumericGeometryAttribute(name) && (outsideFloatRange ? *outsideFloatRange : checkNumbersFloatRange(value)))
        return refuse("unsupported_input_precision");

    bool needsColorCheck = false;
    if (name == "fill" || name == "stroke" || name == "color" || name == "stop-color" || name == "flood-color" ||
        name == "lighting-color") {
        if (url == UrlScan::local)
            return refuse("unsupported_paint_server");
        if (v.empty())
            return refuse("unsupported_color_syntax");
        if ((name == "fill" || name == "stroke") && isKeyword(v, "none"))
            return {};
        if (isKeyword(v, "currentColor"))
            return {};
        // The colour parser takes the length as an int.
        if (v.size() > static_cast<std::size_t>(INT32_MAX))
            return refuse("unsupported_color_syntax");
        needsColorCheck = true;
    }

    if (name == "vector-effect")
        return (isKeyword(v, "none") || isKeyword(v, "non-scaling-stroke")) ? CapabilityVerdict{}
                                                                            : refuse("unsupported_vector_effect");
    if (name == "paint-order")
        return isKeyword(v, "normal") ? CapabilityVerdict{} : refuse("unsupported_paint_order");
    if (name == "filter" || name == "backdrop-filter")
        return isKeyword(v, "none") ? CapabilityVerdict{} : refuse("unsupported_filter");
    if (name == "mask")
        return isKeyword(v, "none") ? CapabilityVerdict{} : refuse("unsupported_mask");
    if (name == "mix-blend-mode")
        return isKeyword(v, "normal") ? CapabilityVerdict{} : refuse("unsupported_blend_mode");
    if (name == "isolation")
        return isKeyword(v, "auto") ? CapabilityVerdict{} : refuse("unsupported_blend_mode");
    if (name == "color-interpolation")
        return isKeyword(v, "sRGB") ? CapabilityVerdict{} : refuse("unsupported_color_interpolation");
    if (name.size() >= 2 && name[0] == 'o' && name[1] == 'n')
        return refuse("unsupported_script");
    if (name == "clip-path" && !isNoneOrLocalClipReference(value))
        return refuse("unsupported_clip_path");
    if (const KeywordProperty* property = findKeywordProperty(name); property && !isKeywordOf(*property, v))
        return refuse("unsupported_property_value");
    if (name == "pointer-events") {
        static constexpr std::array<std::string_view, 11> keywords{
            "none"sv,          "auto"sv,        "stroke"sv,         "fill"sv,         "painted"sv, "visible"sv,
            "visibleStroke"sv, "visibleFill"sv, "visiblePainted"sv, "bounding-box"sv, "all"sv};
        if (!isKeywordIn(v, keywords))
            return refuse("unsupported_property_value");
    }
    if ((name == "stroke-width" || name == "stroke-dashoffset" || name == "stroke-dasharray" ||
         name == "stroke-miterlimit") &&
        !passesStrokeValueTest(name, value))
        return refuse("unsupported_property_value");
    if (name == "opacity" || name == "fill-opacity" || name == "stroke-opacity" || name == "stop-opacity") {
        if (!isOpacityValue(value))
            return refuse("unsupported_property_value");
        if (name == "stop-opacity" && isPartialAlphaLiteral(value))
            return refuse("unsupported_partial_alpha");
    }
    return CapabilityVerdict{{}, needsColorCheck};
}

}  // namespace pavrix_svg
