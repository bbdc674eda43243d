#include "svg/dom/property_id.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pavrix_svg {

namespace {

using Entry = std::pair<std::string_view, PropertyID>;

// Both tables are sorted in byte order, for the reader; the searches use copies ordered below.
constexpr std::array<Entry, 47> kAttributeNames{{
    {"class", PropertyID::Class},
    {"clipPathUnits", PropertyID::ClipPathUnits},
    {"cx", PropertyID::Cx},
    {"cy", PropertyID::Cy},
    {"d", PropertyID::D},
    {"dx", PropertyID::Dx},
    {"dy", PropertyID::Dy},
    {"fx", PropertyID::Fx},
    {"fy", PropertyID::Fy},
    {"gradientTransform", PropertyID::GradientTransform},
    {"gradientUnits", PropertyID::GradientUnits},
    {"height", PropertyID::Height},
    {"href", PropertyID::Href},
    {"id", PropertyID::Id},
    {"lengthAdjust", PropertyID::LengthAdjust},
    {"markerHeight", PropertyID::MarkerHeight},
    {"markerUnits", PropertyID::MarkerUnits},
    {"markerWidth", PropertyID::MarkerWidth},
    {"maskContentUnits", PropertyID::MaskContentUnits},
    {"maskUnits", PropertyID::MaskUnits},
    {"offset", PropertyID::Offset},
    {"orient", PropertyID::Orient},
    {"patternContentUnits", PropertyID::PatternContentUnits},
    {"patternTransform", PropertyID::PatternTransform},
    {"patternUnits", PropertyID::PatternUnits},
    {"points", PropertyID::Points},
    {"preserveAspectRatio", PropertyID::PreserveAspectRatio},
    {"r", PropertyID::R},
    {"refX", PropertyID::RefX},
    {"refY", PropertyID::RefY},
    {"rotate", PropertyID::Rotate},
    {"rx", PropertyID::Rx},
    {"ry", PropertyID::Ry},
    {"spreadMethod", PropertyID::SpreadMethod},
    {"style", PropertyID::Style},
    {"textLength", PropertyID::TextLength},
    {"transform", PropertyID::Transform},
    {"viewBox", PropertyID::ViewBox},
    {"width", PropertyID::Width},
    {"x", PropertyID::X},
    {"x1", PropertyID::X1},
    {"x2", PropertyID::X2},
    {"xlink:href", PropertyID::Href},
    {"xml:space", PropertyID::WhiteSpace},
    {"y", PropertyID::Y},
    {"y1", PropertyID::Y1},
    {"y2", PropertyID::Y2},
}};

constexpr std::array<Entry, 41> kCssPropertyNames{{
    {"alignment-baseline", PropertyID::AlignmentBaseline},
    {"baseline-shift", PropertyID::BaselineShift},
    {"clip-path", PropertyID::ClipPath},
    {"clip-rule", PropertyID::ClipRule},
    {"color", PropertyID::Color},
    {"direction", PropertyID::Direction},
    {"display", PropertyID::Display},
    {"dominant-baseline", PropertyID::DominantBaseline},
    {"fill", PropertyID::Fill},
    {"fill-opacity", PropertyID::FillOpacity},
    {"fill-rule", PropertyID::FillRule},
    {"font-family", PropertyID::FontFamily},
    {"font-size", PropertyID::FontSize},
    {"font-style", PropertyID::FontStyle},
    {"font-weight", PropertyID::FontWeight},
    {"letter-spacing", PropertyID::LetterSpacing},
    {"marker-end", PropertyID::MarkerEnd},
    {"marker-mid", PropertyID::MarkerMid},
    {"marker-start", PropertyID::MarkerStart},
    {"mask", PropertyID::Mask},
    {"mask-type", PropertyID::MaskType},
    {"opacity", PropertyID::Opacity},
    {"overflow", PropertyID::Overflow},
    {"pointer-events", PropertyID::PointerEvents},
    {"stop-color", PropertyID::StopColor},
    {"stop-opacity", PropertyID::StopOpacity},
    {"stroke", PropertyID::Stroke},
    {"stroke-dasharray", PropertyID::StrokeDasharray},
    {"stroke-dashoffset", PropertyID::StrokeDashoffset},
    {"stroke-linecap", PropertyID::StrokeLinecap},
    {"stroke-linejoin", PropertyID::StrokeLinejoin},
    {"stroke-miterlimit", PropertyID::StrokeMiterlimit},
    {"stroke-opacity", PropertyID::StrokeOpacity},
    {"stroke-width", PropertyID::StrokeWidth},
    {"text-anchor", PropertyID::TextAnchor},
    {"text-orientation", PropertyID::TextOrientation},
    {"vector-effect", PropertyID::VectorEffect},
    {"visibility", PropertyID::Visibility},
    {"white-space", PropertyID::WhiteSpace},
    {"word-spacing", PropertyID::WordSpacing},
    {"writing-mode", PropertyID::WritingMode},
}};

static_assert(std::ranges::is_sorted(kAttributeNames, {}, &Entry::first));
static_assert(std::ranges::is_sorted(kCssPropertyNames, {}, &Entry::first));

// Shorter names first, equal lengths in byte order: most steps of a search compare lengths only.
constexpr bool shorterFirst(std::string_view a, std::string_view b) noexcept {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

template <std::size_t N>
constexpr std::array<Entry, N> searchOrder(std::array<Entry, N> table) {
    std::ranges::sort(table, shorterFirst, &Entry::first);
    return table;
}

constexpr auto kAttributeSearch = searchOrder(kAttributeNames);
constexpr auto kCssPropertySearch = searchOrder(kCssPropertyNames);

template <std::size_t N>
PropertyID lookup(const std::array<Entry, N>& table, std::string_view name) noexcept {
    const auto it = std::ranges::lower_bound(table, name, shorterFirst, &Entry::first);
    if (it != table.end() && it->first == name)
        return it->second;
    return PropertyID::Unknown;
}

}  // namespace

PropertyID propertyIdFromName(std::string_view name) noexcept {
    const PropertyID id = lookup(kAttributeSearch, name);
    return id != PropertyID::Unknown ? id : lookup(kCssPropertySearch, name);
}

PropertyID isCssPropertyName(std::string_view name) noexcept {
    return lookup(kCssPropertySearch, name);
}

}  // namespace pavrix_svg
