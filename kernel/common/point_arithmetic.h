#pragma once

// Plane arithmetic on path points for the geometry stages: sums, products, normals and signed areas.

#include <cmath>
#include <cstddef>
#include <vector>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

inline PaintPoint add(const PaintPoint& a, const PaintPoint& b) noexcept {
    return PaintPoint{a.x + b.x, a.y + b.y};
}
inline PaintPoint scaled(const PaintPoint& a, double s) noexcept {
    return PaintPoint{a.x * s, a.y * s};
}
inline PaintPoint midpoint(const PaintPoint& a, const PaintPoint& b) noexcept {
    return PaintPoint{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5};
}
inline double dot(const PaintPoint& a, const PaintPoint& b) noexcept {
    return a.x * b.x + a.y * b.y;
}
inline double cross(const PaintPoint& a, const PaintPoint& b) noexcept {
    return a.x * b.y - a.y * b.x;
}
inline PaintPoint left_normal(const PaintPoint& tangent) noexcept {
    return PaintPoint{-tangent.y, tangent.x};
}
inline double distance(const PaintPoint& a, const PaintPoint& b) noexcept {
    return std::hypot(b.x - a.x, b.y - a.y);
}
// The zero vector where the points coincide or the distance overflows: such a direction is unknown.
inline PaintPoint unit_from(const PaintPoint& from, const PaintPoint& to) noexcept {
    const double length = distance(from, to);
    if (!(length > 0.0) || !std::isfinite(length))
        return PaintPoint{};
    return PaintPoint{(to.x - from.x) / length, (to.y - from.y) / length};
}
// Positive for a ring turning counter-clockwise with the y axis up.
inline double signed_area(const std::vector<PaintPoint>& ring) noexcept {
    double twice = 0.0;
    for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++)
        twice += (ring[j].x - ring[i].x) * (ring[j].y + ring[i].y);
    return twice * 0.5;
}

}  // namespace pavrix_svg_core
