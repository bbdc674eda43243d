#pragma once

// Rings with a known number of proper edge crossings, for the crossing forecast and the budget.

#include <cmath>
#include <cstdint>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// A star of `vertices` (odd) points on a circle, each joined to the one (vertices - 1) / 2 further
// on: every edge crosses vertices - 3 others once, vertices (vertices - 3) / 2 crossings in all. The
// turn by 0.1 keeps mirrored vertices off a common scanbeam.
inline Clipper2Lib::Paths64 star(int vertices) {
    Clipper2Lib::Path64 ring;
    for (int i = 0; i < vertices; ++i) {
        const double angle = 0.1 + 2.0 * 3.141592653589793 * ((i * ((vertices - 1) / 2)) % vertices) / vertices;
        ring.push_back({std::llround(1e6 * std::cos(angle)), std::llround(1e6 * std::sin(angle))});
    }
    return {ring};
}

// `count` thin rings side by side, each two edges crossing the span of the other family.
inline Clipper2Lib::Paths64 bars(int count, bool upright) {
    Clipper2Lib::Paths64 rings;
    for (int i = 1; i <= count; ++i) {
        const std::int64_t at = 10 * i, span = 1000000, zero = 0;
        Clipper2Lib::Path64 ring{{at, zero}, {at + 1, zero}, {at + 1, span}, {at, span}};
        if (!upright)
            for (auto& point : ring)
                point = {point.y, point.x};
        rings.push_back(ring);
    }
    return rings;
}

}  // namespace pavrix_svg_core
