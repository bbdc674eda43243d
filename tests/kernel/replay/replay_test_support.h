#pragma once

// Commands and a stand-in preparation for the replay tests: fills are one polygon of their
// points, rounded onto the grid, so the tests do not depend on the lowering stages.

#include <algorithm>
#include <atomic>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "kernel/commands/prepared_normalization.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core::replay_test {

// A command with this source index fails to prepare.
inline constexpr std::int32_t kFailingSource = -77;

inline std::atomic<int>& preparation_calls() {
    static std::atomic<int> calls{0};
    return calls;
}

inline PreparedNormalization fake_prepare(const PaintCommand& command, const ReplayParams& params) {
    preparation_calls().fetch_add(1, std::memory_order_relaxed);
    if (command.source_index == kFailingSource)
        throw std::runtime_error("fake_preparation_failure");
    PreparedNormalization result;
    Clipper2Lib::Path64 ring;
    DoubleBox box;
    for (const PaintPoint& p : command.path_points) {
        ring.emplace_back(std::llround((p.x - params.origin_x) * params.scale / params.grid_quantum),
                          std::llround((p.y - params.origin_y) * params.scale / params.grid_quantum));
        box.xmin = std::min(box.xmin, p.x);
        box.ymin = std::min(box.ymin, p.y);
        box.xmax = std::max(box.xmax, p.x);
        box.ymax = std::max(box.ymax, p.y);
    }
    // Extra work stands in for costly lowering without allocating it.
    charge_lowered_points(*params.budget, checked_size_sum(ring.size(), command.relative_path_operation_count));
    if (params.precision_records != nullptr)
        params.precision_records->push_back({box, command.path_input_precision_error});
    const Clipper2Lib::Paths64 rings{ring};
    charge_clipper_input(*params.budget, rings);
    result.geometry = clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, rings);
    charge_clipper_output(*params.budget, result.geometry);
    result.lowering_error_bound = command.path_lowering_precision_error;
    result.input_precision_error_x = command.path_input_precision_error_x;
    result.input_precision_error_y = command.path_input_precision_error_y;
    if (ring.empty())
        result.fragments.push_back(FragmentEntry::make(UnprintableReason::empty_path, -1));
    return result;
}

inline PaintCommand rect_command(PaintCommandKind kind, double x0, double y0, double x1, double y1,
                                 std::int32_t source_index = 0) {
    PaintCommand command;
    command.kind = kind;
    command.path_verbs = {PathVerb::move_to, PathVerb::line_to, PathVerb::line_to, PathVerb::line_to, PathVerb::close};
    command.path_points = {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}};
    command.source_subpath_area_potential = {1};
    command.source_index = source_index;
    command.rgba = {255, 0, 0, 255};
    return command;
}

inline PaintCommand bare_command(PaintCommandKind kind, double group_opacity = 1.0) {
    PaintCommand command;
    command.kind = kind;
    command.group_opacity = group_opacity;
    return command;
}

inline ReplayParams grid_params(ComplexityBudget& budget, std::vector<PrecisionRecord>* records = nullptr) {
    ReplayParams params;
    params.budget = &budget;
    params.precision_records = records;
    return params;
}

}  // namespace pavrix_svg_core::replay_test
