#include "kernel/kernel_driver.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

#include "kernel/composite/alpha_composite.h"
#include "kernel/commands/boxes.h"
#include "kernel/replay/clip_prepass.h"
#include "kernel/result/collection_appends.h"
#include "kernel/bounds/command_bounds.h"
#include "kernel/commands/command_transform_bake.h"
#include "kernel/commands/command_validation.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/commands/input_precision.h"
#include "kernel/common/kernel_errors.h"
#include "kernel/composite/opaque_composite.h"
#include "kernel/composite/translucent_clusters.h"
#include "kernel/replay/ordered_replay.h"
#include "kernel/bounds/path_bounds.h"
#include "kernel/result/region_export.h"
#include "kernel/replay/replay_workers.h"
#include "kernel/result/result_census.h"

namespace pavrix_svg_core {

namespace {

// The grid is fine enough that the largest extent spans at most this many units, far inside the
// 64-bit range the exact predicates work on.
constexpr double kMaxGridUnitsPerExtent = 5e14;
// The quantum is never finer than the target width over this: finer grids buy no print precision.
constexpr double kMinQuantumPerWidth = 1e12;
// Shares of the tolerance: input error plus quantization may use 0.6 of it, flattening the rest
// (with a margin), and clips get less of each because their edges are cut twice.
constexpr double kInputAndQuantizationShare = 0.6;
constexpr double kFlatteningShareNoClips = 0.4;
constexpr double kFlatteningShareWithClips = 0.35;
constexpr double kQuantumShareNoClips = 0.15;
constexpr double kQuantumShareWithClips = 0.05;
constexpr double kFlatteningMargin = 0.95;

using SteadyClock = std::chrono::steady_clock;

// Regions whose faces are prepared on the workers together before they are appended in order:
// enough to keep 16 workers busy past their start-up, few enough that one batch's faces stay a
// small part of the result's memory.
constexpr std::size_t kExportBatch = 1024;

std::int64_t clock_nanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now().time_since_epoch()).count();
}

double seconds_between(std::int64_t start, std::int64_t end) {
    return static_cast<double>(end - start) / 1e9;
}

void stop_with(NativeResult& result, const char* status, const char* reason) {
    result.status = status;
    result.reason_code = reason;
}

double viewport_precision(const PaintBox& viewport) {
    double error = 0.0;
    for (const float value : viewport) {
        error = std::max(error, 4.0 * float_rounding_envelope(value));
    }
    return error;
}

bool is_paint(const PaintCommand& command) {
    return command.kind == PaintCommandKind::fill || command.kind == PaintCommandKind::stroke;
}

// A box that lies wholly outside the viewport (with the viewport clip on), even when grown by `error`.
bool outside_viewport(const DoubleBox& box, double error, const DoubleBox& viewport_rect) {
    if (!box_non_empty(viewport_rect) || !box_valid(box) || !std::isfinite(error)) {
        return false;
    }
    return box.xmax + error < viewport_rect.xmin || box.xmin - error > viewport_rect.xmax ||
           box.ymax + error < viewport_rect.ymin || box.ymin - error > viewport_rect.ymax;
}

// Box of every point of the path (control points included, so it holds the curves), mapped through the
// matrix; valid even where the path encloses no area at double precision.
DoubleBox device_point_bounds(const PaintCommand& command) {
    const PaintMatrix& m = command.matrix;
    DoubleBox box;
    for (const PaintPoint& point : command.path_points) {
        const double x = m[0] * point.x + m[2] * point.y + m[4];
        const double y = m[1] * point.x + m[3] * point.y + m[5];
        box.xmin = std::min(box.xmin, x);
        box.ymin = std::min(box.ymin, y);
        box.xmax = std::max(box.xmax, x);
        box.ymax = std::max(box.ymax, y);
    }
    return box;
}

struct SourceMeasure {
    double input_error = 0.0;            // source units
    DoubleBox box;                       // union of the paint bounds, before the viewport clip
    std::vector<DoubleBox> paint_boxes;  // command_bounds of every fill and stroke, in command order
};

// The largest input error over the viewport and every painting or clipping command, and the union of
// the paint bounds, in one pass. Paint that lies outside the viewport never prints (every replay clips
// to it), so its precision cannot matter; a far-away shape would otherwise refuse the whole document.
SourceMeasure measure_source(const std::vector<PaintCommand>& commands, const PaintBox& viewport, bool no_clips,
                             ComplexityBudget& budget) {
    SourceMeasure measure;
    measure.input_error = viewport_precision(viewport);
    const DoubleBox viewport_rect = viewport_source_rect(viewport);
    for (const PaintCommand& command : commands) {
        if (!is_paint(command) && command.kind != PaintCommandKind::clip_begin) {
            continue;
        }
        // A stroke's outline reaches beyond its points; fills and clips stay inside theirs.
        DoubleBox reach;
        if (is_paint(command)) {
            const DoubleBox bounds = command_bounds(command, budget);
            measure.paint_boxes.push_back(bounds);
            include_box(measure.box, bounds);
            reach = command.kind == PaintCommandKind::stroke ? bounds : device_point_bounds(command);
        } else {
            reach = device_point_bounds(command);
        }
        const bool far = outside_viewport(reach, 0.0, viewport_rect);
        ErrorPair pair;
        try {
            if (command.kind == PaintCommandKind::stroke && command.non_scaling_stroke) {
                pair = analyze_command_precision(bake_command_transform(command), no_clips);
            } else {
                pair = analyze_command_precision(command, no_clips);
            }
        } catch (const InputPrecisionError&) {
            if (far) {
                continue;
            }
            throw;
        }
        // An unbounded error is as unresolvable as a refused one: neither counts for far paint.
        const double error = std::hypot(pair.x, pair.y);
        if (!(far && (!std::isfinite(error) || outside_viewport(reach, error, viewport_rect)))) {
            measure.input_error = error_max(measure.input_error, error);
        }
    }
    return measure;
}

// Opacity other than exactly 1 (NaN included) needs the translucent compositor.
bool needs_alpha_compositing(const std::vector<PaintCommand>& commands) {
    for (const PaintCommand& command : commands) {
        if (is_paint(command) && !(command.paint_opacity == 1.0)) {
            return true;
        }
        if (command.kind == PaintCommandKind::group_begin && !(command.group_opacity == 1.0)) {
            return true;
        }
    }
    return false;
}

bool all_regions_empty(const std::vector<ReplayRegion>& regions) {
    return std::all_of(regions.begin(), regions.end(), [](const ReplayRegion& region) { return region.paths.empty(); });
}

void finish_supported(NativeResult& result) {
    if (!result_census(result)) {
        throw std::runtime_error("native_result_census_failed");
    }
    result.status = "supported";
    result.reason_code.clear();
}

// Opaque mode: the visible part of each region, in region order, for those that show at all. The
// input regions are spent here (only the coverage is needed afterwards), so they are moved.
std::vector<ReplayRegion> opaque_visible_regions(std::vector<ReplayRegion>& regions, OpaqueCompositeOutput& output) {
    std::vector<ReplayRegion> visible;
    for (std::size_t index = 0; index < regions.size() && index < output.visible_paths.size(); ++index) {
        if (output.visible_paths[index].empty()) {
            continue;
        }
        ReplayRegion region = std::move(regions[index]);
        region.paths = std::move(output.visible_paths[index]);
        region.exported_components.clear();
        region.bbox = box_paths_bounds(region.paths);
        visible.push_back(std::move(region));
    }
    return visible;
}

ReplayRegion silhouette_region(Clipper2Lib::Paths64 coverage) {
    ReplayRegion region = init_replay_region();
    region.paths = std::move(coverage);
    region.bbox = box_paths_bounds(region.paths);
    region.rgba = {0, 0, 0, 255};
    region.color = {0.0, 0.0, 0.0, 1.0};
    region.draw_index = 0;
    region.source_index = -1;
    region.source_kind = 2;
    return region;
}

}  // namespace

double round_up_to_double(std::uint64_t d) noexcept {
    constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
    int shift = 0;
    bool inexact = false;
    while (d >= kExactLimit) {
        inexact = inexact || (d & 1U) != 0;
        d >>= 1;
        ++shift;
    }
    if (inexact) {
        ++d;  // stays at most 2^53, still exact
    }
    return std::ldexp(static_cast<double>(d), shift);
}

double overlapping_precision_maximum(const PaintBox& viewport, const std::vector<PrecisionRecord>& records,
                                     const DoubleBox& box) {
    double maximum = viewport_precision(viewport);
    for (const PrecisionRecord& record : records) {
        if (record.box.xmin <= box.xmax && record.box.xmax >= box.xmin && record.box.ymin <= box.ymax &&
            record.box.ymax >= box.ymin) {
            maximum = error_max(maximum, record.input_error);
        }
    }
    return maximum;
}

bool check_result_precision(const ResultPrecisionContext& context) {
    NativeResult& result = context.result;
    result.max_quantization_error_mm = context.quantization_error;
    if (context.route_displacement > 0) {
        constexpr double kUp = std::numeric_limits<double>::infinity();
        const double displacement = round_up_to_double(context.route_displacement);
        const double moved = std::nextafter(displacement * context.grid_quantum, kUp);
        result.max_quantization_error_mm = std::nextafter(moved + context.quantization_error, kUp);
    }
    const double bound = context.precision_maximum * result.scale_factor + result.max_quantization_error_mm;
    if (std::isfinite(bound) && bound <= kInputAndQuantizationShare * context.tolerance_mm) {
        return true;
    }
    stop_with(result, "unsupported", "unsupported_input_precision");
    return false;
}

std::shared_ptr<NativeResult> run_print_geometry_kernel(RecorderResult recording, double target_width_mm,
                                                        double tolerance_mm, const ReplayEnvironment& environment) {
    // Stage 0: set-up.
    std::shared_ptr<NativeResult> shared_result = make_native_result();
    NativeResult& result = *shared_result;
    const std::int64_t kernel_start = clock_nanoseconds();
    result.image_vectorizer_origin = recording.image_vectorizer_origin;
    const double width = target_width_mm;
    const double tolerance = tolerance_mm;
    if (!is_positive_finite(width) || !is_positive_finite(tolerance)) {
        result.reason_code = "invalid_physical_parameters";
        return shared_result;
    }
    if (recording.status != "supported") {
        result.status = recording.status;
        result.reason_code = recording.reason_code;
        return shared_result;
    }
    const std::vector<PaintCommand>& commands = recording.commands;
    const PaintBox& viewport = recording.viewport;
    std::uint64_t paint_count = 0;
    for (const PaintCommand& command : commands) {
        paint_count += is_paint(command) ? 1 : 0;
    }
    result.input_paint_count = paint_count;
    validate_commands(commands, viewport);
    ComplexityBudget budget{};
    result.max_flattening_error_mm = kFlatteningShareNoClips * tolerance;
    const bool no_clips = std::none_of(commands.begin(), commands.end(), [](const PaintCommand& command) {
        return command.kind == PaintCommandKind::clip_begin;
    });
    const double sqrt2 = std::sqrt(2.0);
    const double precision_limit = kInputAndQuantizationShare * tolerance;

    // Stage 1: bounds, scale and grid.
    const SourceMeasure measure = measure_source(commands, viewport, no_clips, budget);
    const double input_error = measure.input_error;
    DoubleBox source_box = measure.box;
    clip_box_to_viewport(source_box, viewport);
    if (!box_non_empty(source_box)) {
        result.reason_code = "empty_geometry";
        return shared_result;
    }
    const double first_scale = width / (source_box.xmax - source_box.xmin);
    if (!is_positive_finite(first_scale) || !std::isfinite(input_error) ||
        !(input_error * first_scale <= precision_limit)) {
        stop_with(result, "unsupported", "unsupported_input_precision");
        return shared_result;
    }
    const bool has_strokes = std::any_of(commands.begin(), commands.end(), [](const PaintCommand& command) {
        return command.kind == PaintCommandKind::stroke;
    });
    const double flattening_cap = (no_clips ? kFlatteningShareNoClips : kFlatteningShareWithClips) * tolerance;
    const double quantum_cap = tolerance * (no_clips ? kQuantumShareNoClips : kQuantumShareWithClips) * sqrt2;

    DoubleBox reference_box = source_box;
    if (!no_clips) {
        const ClipPrepassOutcome prepass = run_clip_prepasses(ClipPrepassRequest{
            commands, viewport, width, tolerance, has_strokes, budget, environment, &measure.paint_boxes});
        if (prepass.stop) {
            stop_with(result, prepass.status.c_str(), prepass.reason_code.c_str());
            return shared_result;
        }
        source_box = prepass.source_box;
        reference_box = prepass.reference_box;
    }

    const double box_width = source_box.xmax - source_box.xmin;
    result.bbox = {source_box.xmin, source_box.ymin, box_width, source_box.ymax - source_box.ymin};
    if (is_positive_finite(viewport[2]) && is_positive_finite(viewport[3])) {
        result.viewport_bounds = {static_cast<double>(viewport[0]) - source_box.xmin,
                                  static_cast<double>(viewport[1]) - source_box.ymin, static_cast<double>(viewport[2]),
                                  static_cast<double>(viewport[3])};
    }
    result.scale_factor = width / box_width;
    const double largest_extent =
        std::max({std::fabs(reference_box.xmin - source_box.xmin), std::fabs(reference_box.xmax - source_box.xmin),
                  std::fabs(reference_box.ymin - source_box.ymin), std::fabs(reference_box.ymax - source_box.ymin)});
    const double grid_quantum =
        std::max(result.scale_factor * largest_extent / kMaxGridUnitsPerExtent, width / kMinQuantumPerWidth);
    if (!is_positive_finite(grid_quantum) || grid_quantum > quantum_cap) {
        stop_with(result, "unsupported", "unsupported_topology_dynamic_range");
        return shared_result;
    }
    const double quantization_error = grid_quantum / sqrt2;
    result.max_quantization_error_mm = quantization_error;
    result.grid_to_source_unit = grid_quantum / result.scale_factor;
    const double input_and_quantization = input_error * result.scale_factor + quantization_error;
    if (!(input_and_quantization <= precision_limit)) {
        stop_with(result, "unsupported", "unsupported_input_precision");
        return shared_result;
    }
    const double flattening_error =
        std::min(kFlatteningMargin * (precision_limit - input_and_quantization), flattening_cap);
    if (!is_positive_finite(flattening_error)) {
        stop_with(result, "unsupported", "unsupported_input_precision");
        return shared_result;
    }
    result.max_flattening_error_mm = flattening_error;

    // Stage 2: replay.
    std::vector<PrecisionRecord> precision_records;
    ReplayParams params;
    params.origin_x = source_box.xmin;
    params.origin_y = source_box.ymin;
    params.scale = result.scale_factor;
    params.grid_quantum = grid_quantum;
    params.flattening_error = flattening_error;
    params.precision_records = &precision_records;
    params.budget = &budget;
    params.clip_rect = viewport_source_rect(viewport);
    params.environment = environment;
    const std::int64_t replay_start = clock_nanoseconds();
    result.bounds_seconds = seconds_between(kernel_start, replay_start);
    ReplayOutput replay = replay_commands(commands, params);
    const std::int64_t replay_end = clock_nanoseconds();
    result.replay_seconds = seconds_between(replay_start, replay_end);
    result.replay_worker_count = replay.worker_count;
    if (!replay.error_reason.empty()) {
        result.reason_code = replay.error_reason;
        return shared_result;
    }
    result.unprintable_fragments = std::move(replay.fragments);
    std::vector<ReplayRegion>& regions = replay.regions;
    if (all_regions_empty(regions)) {
        finish_supported(result);
        return shared_result;
    }

    // Stage 3: topology check. (Every region being empty was handled above.)
    const bool alpha = needs_alpha_compositing(commands);
    const double precision_maximum = overlapping_precision_maximum(viewport, precision_records, source_box);
    std::uint64_t route_displacement = 0;
    const ResultPrecisionContext precision{route_displacement, result,   quantization_error, grid_quantum,
                                           precision_maximum,  tolerance};
    if (!check_result_precision(precision)) {
        return shared_result;
    }
    const std::int64_t topology_end = clock_nanoseconds();
    result.topology_seconds = seconds_between(replay_end, topology_end);

    // Stage 4: raw export.
    const std::uint32_t workers = replay_worker_budget(environment);
    for (std::size_t first = 0; first < regions.size(); first += kExportBatch) {
        const std::size_t count = std::min(kExportBatch, regions.size() - first);
        std::vector<PreparedRegionFaces> faces =
            prepare_regions_faces(std::span(regions).subspan(first, count), workers);
        for (std::size_t i = 0; i < count; ++i) {
            ReplayRegion& region = regions[first + i];
            if (region.paths.empty()) {
                continue;
            }
            std::vector<Clipper2Lib::Paths64>* components = alpha ? &region.exported_components : nullptr;
            if (!export_region(result.raw, region, budget, route_displacement, components, &faces[i])) {
                append_region_fragment(result.unprintable_fragments, region);
                region.paths.clear();
                region.exported_components.clear();
                region.bbox = IntBox{};
            }
        }
    }
    if (!check_result_precision(precision)) {
        return shared_result;
    }
    const std::int64_t raw_end = clock_nanoseconds();
    result.normalization_raw_seconds = seconds_between(topology_end, raw_end);
    if (all_regions_empty(regions)) {
        finish_supported(result);
        return shared_result;
    }

    // Stage 5: compositing.
    std::vector<ReplayRegion> visible;
    Clipper2Lib::Paths64 coverage;
    std::uint64_t composite_displacement = 0;
    if (alpha) {
        AlphaCompositeResult composite = alpha_composite_by_runs(regions, replay.program, params);
        visible = std::move(composite.regions);
        coverage = std::move(composite.coverage);
        composite_displacement = composite.displacement;
    } else {
        OpaqueCompositeOutput composite = opaque_composite(regions, params);
        visible = opaque_visible_regions(regions, composite);
        coverage = std::move(composite.coverage);
        composite_displacement = composite.displacement;
    }
    const std::int64_t composite_end = clock_nanoseconds();
    result.composite_seconds = seconds_between(raw_end, composite_end);
    result.normalization_visible_seconds = 0.0;

    // Stage 6: visible and silhouette export, census.
    for (std::size_t first = 0; first < visible.size(); first += kExportBatch) {
        const std::size_t count = std::min(kExportBatch, visible.size() - first);
        std::vector<PreparedRegionFaces> faces =
            prepare_regions_faces(std::span(visible).subspan(first, count), workers);
        for (std::size_t i = 0; i < count; ++i) {
            const ReplayRegion& region = visible[first + i];
            if (!region.paths.empty() &&
                !export_region(result.visible, region, budget, route_displacement, nullptr, &faces[i])) {
                append_region_fragment(result.unprintable_fragments, region);
            }
        }
    }
    const ReplayRegion silhouette = silhouette_region(std::move(coverage));
    if (!silhouette.paths.empty()) {
        // One region holding every edge of the coverage: its own steps run on the workers.
        PreparedRegionFaces faces = prepare_region_faces(silhouette.paths, workers);
        if (!export_region(result.silhouette, silhouette, budget, route_displacement, nullptr, &faces))
            throw std::runtime_error("silhouette_hierarchy_collapse");
    }
    // Visible and silhouette edges moved by compositing and then by their routing.
    route_displacement = checked_size_sum(route_displacement, composite_displacement);
    if (!check_result_precision(precision)) {
        return shared_result;
    }
    if (!result_census(result)) {
        throw std::runtime_error("native_result_census_failed");
    }
    result.export_seconds = seconds_between(composite_end, clock_nanoseconds());
    result.status = "supported";
    result.reason_code.clear();
    return shared_result;
}

}  // namespace pavrix_svg_core
