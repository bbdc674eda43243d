#include "svg/dom/element_id.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pavrix_svg {

namespace {

using Entry = std::pair<std::string_view, ElementID>;

// Sorted in byte order for the binary search.
constexpr std::array<Entry, 24> kElementNames{{
    {"a", ElementID::G},
    {"circle", ElementID::Circle},
    {"clipPath", ElementID::ClipPath},
    {"defs", ElementID::Defs},
    {"ellipse", ElementID::Ellipse},
    {"g", ElementID::G},
    {"image", ElementID::Image},
    {"line", ElementID::Line},
    {"linearGradient", ElementID::LinearGradient},
    {"marker", ElementID::Marker},
    {"mask", ElementID::Mask},
    {"path", ElementID::Path},
    {"pattern", ElementID::Pattern},
    {"polygon", ElementID::Polygon},
    {"polyline", ElementID::Polyline},
    {"radialGradient", ElementID::RadialGradient},
    {"rect", ElementID::Rect},
    {"stop", ElementID::Stop},
    {"style", ElementID::Style},
    {"svg", ElementID::Svg},
    {"symbol", ElementID::Symbol},
    {"text", ElementID::Text},
    {"tspan", ElementID::TSpan},
    {"use", ElementID::Use},
}};

static_assert(std::ranges::is_sorted(kElementNames, {}, &Entry::first));

}  // namespace

ElementID elementIdFromName(std::string_view name) noexcept {
    const auto it = std::ranges::lower_bound(kElementNames, name, {}, &Entry::first);
    if (it != kElementNames.end() && it->first == name)
        return it->second;
    return ElementID::Unknown;
}

}  // namespace pavrix_svg
