// Fill lowering: time per segment of prepare_fill on closed paths of 10^4 to 10^6 segments.
//
//   fill_bench [max_segments]
//
// Each path is a wavy ring (a circle with a gentle ripple) drawn once with line segments and once with cubic segments,
// and once more as a ring that crosses the viewport so that the clip before quantizing runs too. The time per segment
// should stay flat as the count grows tenfold.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "kernel/lowering/fill_lowering.h"

using namespace pavrix_svg_core;

namespace {

using Clock = std::chrono::steady_clock;

PaintCommand wavy_ring(std::size_t segments, bool cubic, double center_x) {
    PaintCommand command;
    command.path_verbs.reserve(segments + 2);
    command.path_points.reserve(3 * segments + 1);
    auto at = [&](double t) {
        const double angle = 2 * std::numbers::pi * t;
        const double radius = 100.0 + 2.0 * std::sin(13.0 * angle);
        return PaintPoint{center_x + radius * std::cos(angle), 100.0 + radius * std::sin(angle)};
    };
    command.path_verbs.push_back(PathVerb::move_to);
    command.path_points.push_back(at(0.0));
    const double step = 1.0 / static_cast<double>(segments);
    for (std::size_t i = 1; i <= segments; ++i) {
        const double t = static_cast<double>(i) * step;
        if (cubic) {
            command.path_verbs.push_back(PathVerb::cubic_to);
            command.path_points.push_back(at(t - 2 * step / 3));
            command.path_points.push_back(at(t - step / 3));
        } else {
            command.path_verbs.push_back(PathVerb::line_to);
        }
        command.path_points.push_back(at(t));
    }
    command.path_verbs.push_back(PathVerb::close);
    return command;
}

double seconds_for(const PaintCommand& command, bool with_viewport) {
    ComplexityBudget budget;
    std::vector<PrecisionRecord> records;
    ReplayParams params;
    params.scale = 0.5;          // mm per source unit
    params.grid_quantum = 1e-4;  // mm per grid unit
    params.flattening_error = 0.005;
    params.budget = &budget;
    params.precision_records = &records;
    if (with_viewport)
        params.clip_rect = DoubleBox{0, 0, 200, 200};
    const auto start = Clock::now();
    const PreparedNormalization prepared = prepare_fill(command, params);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (prepared.geometry.empty())
        std::fprintf(stderr, "unexpected empty geometry\n");
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t max_segments = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000;
    std::printf("%-22s %10s %12s %14s\n", "shape", "segments", "seconds", "ns/segment");
    struct Shape {
        const char* name;
        bool cubic;
        double center_x;
        bool viewport;
    };
    const Shape shapes[] = {
        {"lines", false, 100.0, false}, {"cubics", true, 100.0, false}, {"lines across viewport", false, 180.0, true}};
    for (const Shape& shape : shapes) {
        for (std::size_t segments = 10000; segments <= max_segments; segments *= 10) {
            const PaintCommand command = wavy_ring(segments, shape.cubic, shape.center_x);
            const double seconds = seconds_for(command, shape.viewport);
            std::printf("%-22s %10zu %12.4f %14.1f\n", shape.name, segments, seconds,
                        1e9 * seconds / static_cast<double>(segments));
        }
    }
    return 0;
}
