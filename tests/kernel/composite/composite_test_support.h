#pragma once

// Shapes and a point-sampling reference compositor shared by the compositing tests.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/replay_region.h"

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
    // A layer that is already premultiplied, faded by `opacity`.
    void over_premultiplied(const Pixel& layer, double opacity) {
        const double rest = 1 - layer.a * opacity;
        r = layer.r * opacity + rest * r;
        g = layer.g * opacity + rest * g;
        b = layer.b * opacity + rest * b;
        a = layer.a * opacity + rest * a;
    }
    void add(const Pixel& other) {
        r += other.r;
        g += other.g;
        b += other.b;
        a += other.a;
    }
};

// Samples per cell side; the offsets keep samples off integer grid lines.
inline constexpr int kSamplesPerSide = 7;

// Walks a square page cell by cell; `sample(x, y, expected, actual)` fills both pixels of one
// sample point. Returns the number of cells whose averaged colours differ by more than 3 %:
// Clipper2 rounds intersections to the grid, so a sample hugging an edge may flip, but a wrong
// colour or a lost piece changes whole cells.
template <typename Sample>
int count_bad_cells(int extent, int cell, Sample sample) {
    int bad_cells = 0;
    for (int cy = 0; cy < extent; cy += cell) {
        for (int cx = 0; cx < extent; cx += cell) {
            Pixel expected_sum, actual_sum;
            for (int sy = 0; sy < kSamplesPerSide; ++sy) {
                for (int sx = 0; sx < kSamplesPerSide; ++sx) {
                    Pixel expected, actual;
                    sample(cx + cell * (sx + 0.4142) / kSamplesPerSide, cy + cell * (sy + 0.4142) / kSamplesPerSide,
                           expected, actual);
                    expected_sum.add(expected);
                    actual_sum.add(actual);
                }
            }
            constexpr double kTolerance = 0.03 * kSamplesPerSide * kSamplesPerSide;
            bad_cells += std::abs(expected_sum.r - actual_sum.r) > kTolerance ||
                         std::abs(expected_sum.g - actual_sum.g) > kTolerance ||
                         std::abs(expected_sum.b - actual_sum.b) > kTolerance ||
                         std::abs(expected_sum.a - actual_sum.a) > kTolerance;
        }
    }
    return bad_cells;
}

// A random rectangle or 40-gon inside a page of about 10,000 units.
template <typename Random>
Paths64 random_shape(Random& random) {
    const std::int64_t x = random() % 6000, y = random() % 6000;
    if (random() % 3 == 0)
        return {circle(x + 1000, y + 1000, 400.0 + random() % 800, 40)};
    return {rect(x, y, x + 200 + random() % 3000, y + 200 + random() % 3000)};
}

}  // namespace composite_test
