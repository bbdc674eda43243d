#include "kernel/replay/ordered_replay.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

#include "kernel/result/collection_appends.h"
#include "kernel/lowering/grid_quantization.h"

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Paths64;

bool is_paint(const PaintCommand& command) noexcept {
    return command.kind == PaintCommandKind::fill || command.kind == PaintCommandKind::stroke;
}

// A viewport corner on the grid. Painted geometry never leaves kMaxGridMagnitude, so a corner
// beyond it (a small drawing in a vast viewport) is pulled in instead of failing the analysis;
// the clip is unchanged by that.
std::int64_t grid_corner(double value, double origin, const ReplayParams& params) noexcept {
    double grid = ((value - origin) * params.scale) / params.grid_quantum;
    if (std::isnan(grid))
        grid = 0.0;
    grid = std::clamp(grid, -kMaxGridMagnitude, kMaxGridMagnitude);
    return static_cast<std::int64_t>(std::round(grid));
}

ReplayRegion build_region(const PaintCommand& command, PreparedNormalization&& prepared, std::uint32_t draw_index) {
    ReplayRegion region = init_replay_region();
    region.paths = std::move(prepared.geometry);
    region.bbox = box_paths_bounds(region.paths);
    region.lowering_error_bound = prepared.lowering_error_bound;
    region.input_precision_error_x = prepared.input_precision_error_x;
    region.input_precision_error_y = prepared.input_precision_error_y;
    region.rgba = command.rgba;
    region.color = {command.rgba[0] / 255.0, command.rgba[1] / 255.0, command.rgba[2] / 255.0, command.paint_opacity};
    region.draw_index = draw_index;
    region.source_index = command.source_index;
    region.source_kind = command.kind == PaintCommandKind::stroke ? 1u : 0u;
    region.contributors.push_back(Contributor{draw_index, command.source_index,
                                              static_cast<std::int32_t>(region.source_kind), command.paint_opacity});
    return region;
}

}  // namespace

Paths64 viewport_clip_geometry(const ReplayParams& params) {
    const DoubleBox& rect = params.clip_rect;
    if (!box_non_empty(rect))
        return {};
    const std::int64_t left = grid_corner(rect.xmin, params.origin_x, params);
    const std::int64_t right = grid_corner(rect.xmax, params.origin_x, params);
    const std::int64_t bottom = grid_corner(rect.ymin, params.origin_y, params);
    const std::int64_t top = grid_corner(rect.ymax, params.origin_y, params);
    return Paths64{{{left, bottom}, {right, bottom}, {right, top}, {left, top}}};
}

PreparedNormalization apply_viewport_clip(PreparedNormalization prepared, const Paths64& viewport,
                                          const ReplayParams& params) {
    if (viewport.empty() || prepared.geometry.empty())
        return prepared;
    const IntBox rect = box_paths_bounds(viewport);
    const IntBox box = box_paths_bounds(prepared.geometry);
    if (!box.valid)
        return prepared;
    // Most paint lies wholly inside the page: no boolean needed.
    if (box.xmin >= rect.xmin && box.xmax <= rect.xmax && box.ymin >= rect.ymin && box.ymax <= rect.ymax) {
        return prepared;
    }
    const bool overlaps = box.xmin < rect.xmax && box.xmax > rect.xmin && box.ymin < rect.ymax && box.ymax > rect.ymin;
    if (overlaps) {
        charge_clipper_input(*params.budget, prepared.geometry, &viewport);
        prepared.geometry = clipper_boolean(Clipper2Lib::ClipType::Intersection, Clipper2Lib::FillRule::NonZero,
                                            prepared.geometry, &viewport);
        charge_clipper_output(*params.budget, prepared.geometry);
    } else {
        prepared.geometry.clear();
    }
    if (prepared.geometry.empty()) {
        prepared.fragments.push_back(FragmentEntry::make(UnprintableReason::clipped_out, -1));
    }
    return prepared;
}

PreparedNormalization apply_clip_stack(PreparedNormalization prepared,
                                       std::span<const PreparedNormalization> clip_stack, const ReplayParams& params) {
    for (const PreparedNormalization& clip : clip_stack) {
        charge_clipper_input(*params.budget, prepared.geometry, &clip.geometry);
        prepared.lowering_error_bound = std::max(prepared.lowering_error_bound, clip.lowering_error_bound);
        prepared.input_precision_error_x = std::max(prepared.input_precision_error_x, clip.input_precision_error_x);
        prepared.input_precision_error_y = std::max(prepared.input_precision_error_y, clip.input_precision_error_y);
        const bool had_geometry = !prepared.geometry.empty();
        if (had_geometry) {  // nothing intersects with nothing: the engine need not run
            prepared.geometry = clipper_boolean(Clipper2Lib::ClipType::Intersection, Clipper2Lib::FillRule::NonZero,
                                                prepared.geometry, &clip.geometry);
            charge_clipper_output(*params.budget, prepared.geometry);
        }
        if (had_geometry && prepared.geometry.empty()) {
            prepared.fragments.push_back(FragmentEntry::make(UnprintableReason::clipped_out, -1));
            break;
        }
    }
    return prepared;
}

ReplayOutput replay_ordered(std::span<const PaintCommand> commands, const ReplayParams& params, PreparedSlots& slots,
                            std::optional<std::uint64_t> fail_after, CommandPreparer prepare) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    const bool has_slots = !slots.slots.empty();
    if (has_slots && slots.slots.size() != commands.size()) {
        throw std::logic_error("missing_prepared_normalization");
    }

    if (has_slots && params.precision_records != nullptr) {
        // One block for every slot's records: growing it record list by record list would move
        // and fault in the records again at each doubling, all of it on this one thread.
        std::size_t records = params.precision_records->size();
        for (const PreparedSlot& slot : slots.slots)
            records = checked_size_sum(records, slot.precision_records.size());
        params.precision_records->reserve(records);
    }

    ReplayOutput output;
    output.worker_count = slots.worker_count;
    output.regions.reserve(static_cast<std::size_t>(std::count_if(commands.begin(), commands.end(), is_paint)));
    output.program.push_back(PaintProgramNode{1, 0, 1.0, {}});
    std::vector<std::uint64_t> group_stack{0};
    std::vector<PreparedNormalization> clip_stack;
    std::uint64_t draw_counter = 0;
    std::uint64_t prepared_items = 0;
    const Paths64 viewport = viewport_clip_geometry(params);

    auto take = [&](std::size_t i) {
        PreparedNormalization prepared =
            take_prepared_normalization(has_slots ? &slots.slots[i] : nullptr, commands[i], params, prepare);
        ++prepared_items;
        if (fail_after && prepared_items == *fail_after)
            throw std::runtime_error("ordered_replay_test_failure");
        return prepared;
    };

    for (std::size_t i = 0; i < commands.size(); ++i) {
        const PaintCommand& command = commands[i];
        switch (command.kind) {
        case PaintCommandKind::group_begin: {
            const std::uint64_t node = output.program.size();
            output.program.push_back(PaintProgramNode{1, 0, command.group_opacity, {}});
            output.program[group_stack.back()].children.push_back(node);
            group_stack.push_back(node);
            break;
        }
        case PaintCommandKind::group_end:
            // Exact comparison: the recorder writes the same double on both ends; NaN never matches.
            if (group_stack.size() == 1 || !(output.program[group_stack.back()].opacity == command.group_opacity)) {
                output.error_reason = "invalid_group_stack";
                return output;
            }
            group_stack.pop_back();
            break;
        case PaintCommandKind::clip_begin:
            clip_stack.push_back(take(i));
            break;
        case PaintCommandKind::clip_end:
            if (clip_stack.empty()) {
                output.error_reason = "invalid_clip_stack";
                return output;
            }
            clip_stack.pop_back();
            break;
        case PaintCommandKind::fill:
        case PaintCommandKind::stroke: {
            if (draw_counter > std::numeric_limits<std::uint32_t>::max()) {
                throw ComplexityLimitError("counter_overflow");
            }
            const auto draw_index = static_cast<std::uint32_t>(draw_counter++);
            PreparedNormalization prepared = take(i);
            const bool had_geometry = !prepared.geometry.empty();
            prepared = apply_viewport_clip(std::move(prepared), viewport, params);
            // Paint the viewport removed already carries its clipped_out fragment.
            if (!had_geometry || !prepared.geometry.empty()) {
                prepared = apply_clip_stack(std::move(prepared), clip_stack, params);
            }
            const std::array<double, 4> color{command.rgba[0] / 255.0, command.rgba[1] / 255.0, command.rgba[2] / 255.0,
                                              command.paint_opacity};
            const std::uint32_t source_kind = command.kind == PaintCommandKind::stroke ? 1u : 0u;
            for (const FragmentEntry& fragment : prepared.fragments) {
                append_unprintable_fragment(output.fragments, fragment.reason_id(), color, draw_index,
                                            command.source_index, source_kind, fragment.subpath_index());
            }
            const std::uint64_t region_index = output.regions.size();
            output.regions.push_back(build_region(command, std::move(prepared), draw_index));
            const std::uint64_t node = output.program.size();
            output.program.push_back(PaintProgramNode{0, region_index, 1.0, {}});
            output.program[group_stack.back()].children.push_back(node);
            break;
        }
        }
    }
    if (!clip_stack.empty()) {
        output.error_reason = "invalid_clip_stack";
    } else if (group_stack.size() != 1) {
        output.error_reason = "invalid_group_stack";
    }
    return output;
}

ReplayOutput replay_with_mode(std::span<const PaintCommand> commands, const ReplayParams& params, bool parallel,
                              CommandPreparer prepare) {
    PreparedSlots slots = prepare_commands_parallel(commands, params, parallel, prepare);
    const bool over_slots = parallel && !slots.slots.empty();
    const std::optional<std::uint64_t> fail_after = over_slots ? params.environment.fail_after : std::nullopt;
    try {
        return replay_ordered(commands, params, slots, fail_after, prepare);
    } catch (...) {
        if (over_slots)
            throw ParallelReplayRetry();
        throw;
    }
}

ReplayOutput replay_commands(std::span<const PaintCommand> commands, const ReplayParams& params,
                             CommandPreparer prepare) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    const ComplexityBudget saved_budget = *params.budget;
    const std::size_t saved_records = params.precision_records != nullptr ? params.precision_records->size() : 0;
    try {
        return replay_with_mode(commands, params, true, prepare);
    } catch (const ParallelReplayRetry&) {
        *params.budget = saved_budget;
        if (params.precision_records != nullptr && params.precision_records->size() > saved_records) {
            params.precision_records->erase(
                params.precision_records->begin() + static_cast<std::ptrdiff_t>(saved_records),
                params.precision_records->end());
        }
        return replay_with_mode(commands, params, false, prepare);
    }
}

}  // namespace pavrix_svg_core
