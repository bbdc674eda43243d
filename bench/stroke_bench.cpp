// Stroke preparation: time per segment of prepare_stroke on strokes of 10^4 to 10^6 segments.
//
//   stroke_bench [max_segments]
//
// Each stroke is a zigzag polyline (every vertex a miter join within the limit), drawn solid with
// miter joins, solid with round joins and caps, dashed, and once more across the viewport so that
// the centre-line cut runs too. The time per segment should stay flat as the count grows tenfold.
// The zigzag climbs along y: Clipper2's sweep costs O(n k) for k edges crossing a scanline, so a
// zigzag lying along x would measure the sweep's width, not the stroker.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "kernel/lowering/stroke_outline.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

struct Variant {
    const char* name;
    LineJoin join;
    LineCap cap;
    bool dashed;
    bool viewport;
};

PaintCommand zigzag(std::size_t segments, const Variant& variant) {
    PaintCommand command;
    command.kind = PaintCommandKind::stroke;
    command.path_coordinates_exact = true;
    command.transform_coordinates_exact = true;
    command.stroke.width = 0.5;
    command.stroke.line_join = variant.join;
    command.stroke.line_cap = variant.cap;
    if (variant.dashed)
        command.stroke.dash_array = {3.0, 1.0};
    command.path_verbs.reserve(segments + 1);
    command.path_points.reserve(segments + 1);
    command.source_subpath_area_potential.push_back(1);
    for (std::size_t i = 0; i <= segments; ++i) {
        command.path_verbs.push_back(i == 0 ? PathVerb::move_to : PathVerb::line_to);
        command.path_points.push_back(PaintPoint{(i % 2 == 0) ? 0.0 : 3.0, 2.0 * static_cast<double>(i)});
    }
    return command;
}

double seconds_for(const PaintCommand& command, const Variant& variant, std::size_t segments) {
    ComplexityBudget budget;
    std::vector<PrecisionRecord> records;
    ReplayParams params;
    params.scale = 0.01;  // mm per source unit
    params.grid_quantum = 1e-5;
    params.flattening_error = 0.002;
    params.budget = &budget;
    params.precision_records = &records;
    // A viewport over the middle fifth of the stroke.
    const double length = 2.0 * static_cast<double>(segments);
    if (variant.viewport)
        params.clip_rect = DoubleBox{-10.0, 0.4 * length, 10.0, 0.6 * length};
    const auto start = Clock::now();
    const PreparedNormalization prepared = prepare_stroke(command, params);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (prepared.geometry.empty())
        std::fprintf(stderr, "%s: empty outline\n", variant.name);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t max_segments = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    const Variant variants[] = {
        {"miter", LineJoin::miter, LineCap::butt, false, false},
        {"round", LineJoin::round, LineCap::round, false, false},
        {"dashed", LineJoin::miter, LineCap::square, true, false},
        {"viewport", LineJoin::miter, LineCap::butt, false, true},
    };
    std::printf("%-9s %10s %12s %14s\n", "variant", "segments", "seconds", "ns/segment");
    for (const Variant& variant : variants) {
        for (std::size_t segments = 10000; segments <= max_segments; segments *= 10) {
            const PaintCommand command = zigzag(segments, variant);
            const double seconds = seconds_for(command, variant, segments);
            std::printf("%-9s %10zu %12.4f %14.1f\n", variant.name, segments, seconds,
                        seconds * 1e9 / static_cast<double>(segments));
        }
    }
    return 0;
}
