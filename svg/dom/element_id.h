#pragma once

#include <cstdint>
#include <string_view>

namespace pavrix_svg {

// Element kinds of the supported vocabulary. "a" shares G; Star is carried by no element name
// (the CSS engine uses it for "*"). Unknown names have Unknown.
enum class ElementID : std::uint8_t {
    Unknown = 0,
    Star = 1,
    Circle = 2,
    ClipPath = 3,
    Defs = 4,
    Ellipse = 5,
    G = 6,
    Image = 7,
    Line = 8,
    LinearGradient = 9,
    Marker = 10,
    Mask = 11,
    Path = 12,
    Pattern = 13,
    Polygon = 14,
    Polyline = 15,
    RadialGradient = 16,
    Rect = 17,
    Stop = 18,
    Style = 19,
    Svg = 20,
    Symbol = 21,
    Text = 22,
    TSpan = 23,
    Use = 24,
};

// Case-sensitive exact lookup; Unknown when the name is not in the table.
ElementID elementIdFromName(std::string_view name) noexcept;

}  // namespace pavrix_svg
