// The cost of a whole analysis against its floor: the same recorded fills, flattened at the same
// tolerance, quantized onto the same grid and unioned once with Clipper2 (Clipper64, NonZero),
// nothing else. Opaque fill artwork is the fair input (the floor neither strokes nor composites).
//
//   analysis_floor_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [REPEAT]
//
// bench/icon_document.py writes such a file from real icon path data.

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/analysis_entry.h"
#include "recorder/record_entry.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Grid {
    double origin_x;
    double origin_y;
    double units_per_source;  // grid units per source unit
    double tolerance;         // flattening tolerance in source units
};

struct Point {
    double x;
    double y;
};

Point map(const PaintMatrix& m, const PaintPoint& p) {
    return {m[0] * p.x + m[2] * p.y + m[4], m[1] * p.x + m[3] * p.y + m[5]};
}

Clipper2Lib::Point64 quantize(const Grid& grid, Point p) {
    return {std::llround((p.x - grid.origin_x) * grid.units_per_source),
            std::llround((p.y - grid.origin_y) * grid.units_per_source)};
}

double distance_to_chord(Point p, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double length = std::hypot(dx, dy);
    if (length == 0.0)
        return std::hypot(p.x - a.x, p.y - a.y);
    return std::abs((p.x - a.x) * dy - (p.y - a.y) * dx) / length;
}

// Adaptive de Casteljau flattening with an explicit stack; appends the end points of the pieces.
void flatten_cubic(const Grid& grid, std::array<Point, 4> cubic, Clipper2Lib::Path64& ring) {
    std::vector<std::pair<std::array<Point, 4>, int>> stack{{cubic, 0}};
    while (!stack.empty()) {
        auto [c, depth] = stack.back();
        stack.pop_back();
        const double flatness = std::max(distance_to_chord(c[1], c[0], c[3]), distance_to_chord(c[2], c[0], c[3]));
        if (depth >= 24 || flatness <= grid.tolerance) {
            ring.push_back(quantize(grid, c[3]));
            continue;
        }
        auto mid = [](Point a, Point b) { return Point{(a.x + b.x) * 0.5, (a.y + b.y) * 0.5}; };
        const Point ab = mid(c[0], c[1]), bc = mid(c[1], c[2]), cd = mid(c[2], c[3]);
        const Point abc = mid(ab, bc), bcd = mid(bc, cd), middle = mid(abc, bcd);
        stack.push_back({{middle, bcd, cd, c[3]}, depth + 1});  // second half pops last
        stack.push_back({{c[0], ab, abc, middle}, depth + 1});
    }
}

Clipper2Lib::Paths64 floor_rings(const std::vector<PaintCommand>& commands, const Grid& grid) {
    Clipper2Lib::Paths64 rings;
    for (const PaintCommand& command : commands) {
        if (command.kind != PaintCommandKind::fill)
            continue;
        std::size_t next = 0;
        Point current{0, 0};
        Clipper2Lib::Path64 ring;
        auto finish = [&] {
            if (ring.size() >= 3)
                rings.push_back(std::move(ring));
            ring.clear();
        };
        for (const PathVerb verb : command.path_verbs) {
            switch (verb) {
            case PathVerb::move_to:
                finish();
                current = map(command.matrix, command.path_points[next++]);
                ring.push_back(quantize(grid, current));
                break;
            case PathVerb::line_to:
                current = map(command.matrix, command.path_points[next++]);
                ring.push_back(quantize(grid, current));
                break;
            case PathVerb::cubic_to: {
                const std::array<Point, 4> cubic{current, map(command.matrix, command.path_points[next]),
                                                 map(command.matrix, command.path_points[next + 1]),
                                                 map(command.matrix, command.path_points[next + 2])};
                next += 3;
                flatten_cubic(grid, cubic, ring);
                current = cubic[3];
                break;
            }
            case PathVerb::close:
                finish();
                break;
            }
        }
        finish();
    }
    return rings;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: analysis_floor_bench FILE.svg [WIDTH_MM] [TOLERANCE_MM] [REPEAT]\n");
        return 2;
    }
    const double width_mm = argc > 2 ? std::atof(argv[2]) : 100.0;
    const double tolerance_mm = argc > 3 ? std::atof(argv[3]) : 0.05;
    const int repeat = argc > 4 ? std::atoi(argv[4]) : 3;

    double analysis = 1e300;
    std::shared_ptr<NativeResult> result;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        result = analyze_svg_file(argv[1], width_mm, tolerance_mm, true);
        analysis = std::min(analysis, seconds_since(start));
    }
    std::printf("analysis: %s %s, %.3f s (recording %.3f s), %zu raw geometries\n", result->status.c_str(),
                result->reason_code.c_str(), analysis, result->recorder_seconds,
                result->raw.geometry_offsets.size() - 1);
    std::printf(
        "  stages: bounds %.3f, replay %.3f, topology %.3f, raw normalization %.3f, composite %.3f, "
        "visible normalization %.3f, export %.3f s\n",
        result->bounds_seconds, result->replay_seconds, result->topology_seconds, result->normalization_raw_seconds,
        result->composite_seconds, result->normalization_visible_seconds, result->export_seconds);
    if (result->status != "supported")
        return 1;

    const Grid grid{result->bbox[0], result->bbox[1], 1.0 / result->grid_to_source_unit,
                    result->max_flattening_error_mm / result->scale_factor};
    double floor = 1e300;
    double recording = 1e300;
    double flattening = 1e300;
    std::size_t output_paths = 0;
    for (int i = 0; i < repeat; ++i) {
        const auto start = Clock::now();
        const RecorderResult recorded = record_svg_file(argv[1]);
        const double recorded_at = seconds_since(start);
        const Clipper2Lib::Paths64 rings = floor_rings(recorded.commands, grid);
        const double flattened_at = seconds_since(start);
        const Clipper2Lib::Paths64 united = Clipper2Lib::Union(rings, Clipper2Lib::FillRule::NonZero);
        output_paths = united.size();
        floor = std::min(floor, seconds_since(start));
        recording = std::min(recording, recorded_at);
        flattening = std::min(flattening, flattened_at - recorded_at);
    }
    std::printf(
        "floor (record, flatten, quantize, one NonZero union): %.3f s (recording %.3f s, flattening %.3f s), "
        "%zu paths\n",
        floor, recording, flattening, output_paths);
    std::printf("analysis / floor: %.2f (geometry only: %.2f)\n", analysis / floor,
                (analysis - result->recorder_seconds) / std::max(1e-9, floor - recording));
    return 0;
}
