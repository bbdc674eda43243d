#pragma once

// Shapes and a point-sampling reference compositor shared by the compositing tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/replay_region.h"

namespace composite_test {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;

inline Path64 rect(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1) {
    return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
}

inline Path64 circle(std::int64_t cx, std::int64_t cy, double radius, int sides) {
    Path64 ring;
    for (int i = 0; i < sides; ++i) {
        const double angle = 2.0 * std::numbers::pi * i / sides;
        ring.push_back({cx + std::llround(radius * std::cos(angle)), cy + std::llround(radius * std::sin(angle))});
    }
    return ring;
}

inline double area(const Paths64& paths) {
    return Clipper2Lib::Area(paths);
}

// A painted region as the replay would hand it over: one exported polygon, colour and opacity.
inline pavrix_svg_core::ReplayRegion region(Paths64 paths, double r, double g, double b, double opacity,
                                            std::uint32_t draw_index) {
    pavrix_svg_core::ReplayRegion out = pavrix_svg_core::init_replay_region();
    out.paths = paths;
    out.exported_components = {paths};
    out.bbox = pavrix_svg_core::box_paths_bounds(paths);
    out.color = {r, g, b, opacity};
    out.draw_index = draw_index;
    out.source_index = static_cast<std::int32_t>(draw_index);
    out.contributors = {{draw_index, static_cast<std::int32_t>(draw_index), 0, opacity}};
    return out;
}

// Non-zero winding of a path set around a point that lies on no edge.
inline bool covers(const Paths64& paths, double x, double y) {
    int winding = 0;
    for (const Path64& path : paths) {
        for (std::size_t i = 0; i < path.size(); ++i) {
            const auto& a = path[i];
            const auto& b = path[(i + 1) % path.size()];
            const double ax = static_cast<double>(a.x), ay = static_cast<double>(a.y);
            const double bx = static_cast<double>(b.x), by = static_cast<double>(b.y);
            const double side = (bx - ax) * (y - ay) - (x - ax) * (by - ay);
            if (ay <= y && by > y && side > 0)
                ++winding;
            if (by <= y && ay > y && side < 0)
                --winding;
        }
    }
    return winding != 0;
}

// Premultiplied colour and alpha.
struct Pixel {
    double r = 0, g = 0, b = 0, a = 0;
    void over(double sr, double sg, double sb, double sa) {
        r = sr * sa + (1 - sa) * r;
        g = sg * sa + (1 - sa) * g;
        b = sb * sa + (1 - sa) * b;
        a = sa + (1 - sa) * a;
    }
    void add(const Pixel& other) {
        r += other.r;
        g += other.g;
        b += other.b;
        a += other.a;
    }
};

// Samples per cell side; offsets are irrational-looking so that samples avoid grid edges.
inline constexpr int kSamplesPerSide = 7;

inline double sample_offset(int i) {
    return (i + 0.4142) / kSamplesPerSide;
}

}  // namespace composite_test
