#include "kernel/replay/clip_prepass.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "kernel/bounds/command_bounds.h"
#include "kernel/commands/input_precision.h"
#include "kernel/replay/ordered_replay.h"
#include "kernel/bounds/path_bounds.h"

namespace pavrix_svg_core {

namespace {

// The source-scale grid must resolve 16 double ulps of the largest coordinate, and the extent in
// at most 1e13 units so that grid coordinates stay far inside 64 bits.
constexpr double kSourceGridUlps = 16.0;
constexpr double kSourceGridUnitsPerExtent = 1e13;
// The smallest clipped paint must span this many source-scale grid units to survive quantization.
constexpr double kMinSideInSourceQuanta = 4096.0;
// The coarse print-scale replay: its quantum and flattening as shares of the tolerance, and the most
// grid units its extent may span.
constexpr double kPrintPrepassQuantumShare = 0.03;
constexpr double kPrintPrepassFlatteningShare = 0.05;
constexpr double kStrokeGrowthShare = 0.02;
constexpr double kPrintPrepassMaxUnits = 1e15;
// The source-scale replay only measures the painted width that sets the print scale. Flattening it
// at the source quantum (about extent / 1e13) would turn one clipped circle into millions of points
// (an ordinary icon took minutes and a gigabyte); at extent / 2^20 a full-size circle takes about
// 2,300. Flattened vertices lie on the curve, so the measured width can only shrink, which keeps the
// print scale on the safe (finer) side.
constexpr double kSourcePrepassFlatteningPerExtent = 1.0 / 1048576.0;

ClipPrepassOutcome stop(const char* status, const char* reason) {
    ClipPrepassOutcome outcome;
    outcome.stop = true;
    outcome.status = status;
    outcome.reason_code = reason;
    return outcome;
}

ClipPrepassOutcome clipped_geometry_stop() {
    return stop("unsupported", "unsupported_clipped_geometry");
}
ClipPrepassOutcome dynamic_range_stop() {
    return stop("unsupported", "unsupported_clip_dynamic_range");
}

bool regions_all_empty(const std::vector<ReplayRegion>& regions) {
    return std::all_of(regions.begin(), regions.end(), [](const ReplayRegion& region) { return region.paths.empty(); });
}

// Shared checks after each prepass replay; empty reason: go on.
ClipPrepassOutcome check_prepass_output(const ReplayOutput& output, std::size_t box_count) {
    if (!output.error_reason.empty()) {
        return stop("invalid", output.error_reason.c_str());
    }
    if (output.regions.size() != box_count) {
        return stop("invalid", "native_geometry_error");
    }
    if (regions_all_empty(output.regions)) {
        return clipped_geometry_stop();
    }
    return {};
}

ReplayParams prepass_params(const ClipPrepassRequest& request, const DoubleBox& extent_box, double scale,
                            double quantum, double flattening) {
    ReplayParams params;
    params.origin_x = extent_box.xmin;
    params.origin_y = extent_box.ymin;
    params.scale = scale;
    params.grid_quantum = quantum;
    params.flattening_error = flattening;
    params.precision_records = nullptr;
    params.budget = &request.budget;
    params.clip_rect = viewport_source_rect(request.viewport);
    params.environment = request.environment;
    return params;
}

}  // namespace

DoubleBox viewport_source_rect(const PaintBox& viewport) noexcept {
    const double x = viewport[0];
    const double y = viewport[1];
    const double w = viewport[2];
    const double h = viewport[3];
    if (!is_positive_finite(w) || !is_positive_finite(h) || !std::isfinite(x) || !std::isfinite(y)) {
        return DoubleBox{};
    }
    return DoubleBox{x, y, x + w, y + h};
}

ClipPrepassOutcome run_clip_prepasses(const ClipPrepassRequest& request) {
    const double tolerance = request.tolerance_mm;
    const double sqrt2 = std::sqrt(2.0);
    const ClipAwareBounds bounds = clip_aware_bounds(request.commands, request.budget, request.paint_boxes);
    if (!box_non_empty(bounds.unclipped)) {
        return clipped_geometry_stop();
    }
    // No paint inside its clips: nothing can print, and nothing may be reported as printed.
    if (!box_non_empty(bounds.clipped)) {
        return clipped_geometry_stop();
    }
    // Paint outside the viewport never prints (every replay clips to it), so the grids need only
    // reach the part of A inside the viewport; far-away paint then cannot exhaust their range.
    DoubleBox extent_box = bounds.unclipped;
    clip_box_to_viewport(extent_box, request.viewport);
    if (!box_non_empty(extent_box)) {
        return clipped_geometry_stop();
    }
    const std::vector<DoubleBox>& command_boxes = bounds.command_boxes;
    const DoubleBox viewport_rect = viewport_source_rect(request.viewport);

    const double extent = std::max(extent_box.xmax - extent_box.xmin, extent_box.ymax - extent_box.ymin);
    const double magnitude = std::max({1.0, std::fabs(extent_box.xmin), std::fabs(extent_box.ymin),
                                       std::fabs(extent_box.xmax), std::fabs(extent_box.ymax)});
    const double source_quantum =
        std::max(magnitude * std::ldexp(1.0, -52) * kSourceGridUlps, extent / kSourceGridUnitsPerExtent);
    if (!is_positive_finite(source_quantum) || !std::isfinite(bounds.min_side) ||
        !(source_quantum * kMinSideInSourceQuanta <= bounds.min_side)) {
        return dynamic_range_stop();
    }

    // Source-scale prepass.
    const double source_flattening = std::max(source_quantum, extent * kSourcePrepassFlatteningPerExtent);
    const ReplayParams source_params = prepass_params(request, extent_box, 1.0, source_quantum, source_flattening);
    const ReplayOutput source_output = replay_commands(request.commands, source_params);
    if (ClipPrepassOutcome outcome = check_prepass_output(source_output, command_boxes.size()); outcome.stop) {
        return outcome;
    }
    const DoubleBox painted = replay_output_bounds(source_output.regions, source_params);
    const double painted_width = (painted.xmax - painted.xmin) - 2.0 * (2.0 + sqrt2) * source_quantum;
    if (!is_positive_finite(painted_width)) {
        return dynamic_range_stop();
    }
    const double print_scale = request.target_width_mm / painted_width;
    const double print_quantum = sqrt2 * kPrintPrepassQuantumShare * tolerance;
    if (!is_positive_finite(print_scale) || !(print_scale * extent / print_quantum <= kPrintPrepassMaxUnits)) {
        return dynamic_range_stop();
    }

    // Print-scale prepass.
    const ReplayParams print_params =
        prepass_params(request, extent_box, print_scale, print_quantum, kPrintPrepassFlatteningShare * tolerance);
    const ReplayOutput print_output = replay_commands(request.commands, print_params);
    if (ClipPrepassOutcome outcome = check_prepass_output(print_output, command_boxes.size()); outcome.stop) {
        return outcome;
    }
    for (std::size_t index = 0; index < command_boxes.size(); ++index) {
        // A paint that lies outside the viewport legitimately replays to nothing.
        DoubleBox expected = command_boxes[index];
        if (box_non_empty(viewport_rect)) {
            expected = intersect_boxes(expected, viewport_rect);
        }
        if (box_non_empty(expected) && print_output.regions[index].paths.empty()) {
            return clipped_geometry_stop();
        }
    }

    DoubleBox narrowed = replay_output_bounds(print_output.regions, print_params);
    const double growth = (kPrintPrepassQuantumShare * tolerance + kPrintPrepassFlatteningShare * tolerance +
                           (request.has_strokes ? kStrokeGrowthShare * tolerance : 0.0)) /
                          print_scale;
    narrowed.xmin -= growth;
    narrowed.ymin -= growth;
    narrowed.xmax += growth;
    narrowed.ymax += growth;
    narrowed = intersect_boxes(narrowed, bounds.clipped);
    clip_box_to_viewport(narrowed, request.viewport);
    if (!box_non_empty(narrowed)) {
        return stop("invalid", "empty_geometry");
    }
    ClipPrepassOutcome outcome;
    outcome.source_box = narrowed;
    outcome.reference_box = extent_box;
    return outcome;
}

}  // namespace pavrix_svg_core
