#pragma once

// The replay of recorded commands in paint order: painted regions on the grid under the clip and
// group stacks, pending unprintable fragments and the paint program, with the sequential retry.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "kernel/result/native_result.h"
#include "kernel/commands/prepared_normalization.h"
#include "kernel/commands/replay_params.h"
#include "kernel/commands/replay_region.h"
#include "kernel/replay/replay_workers.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

struct ReplayOutput {
    std::vector<ReplayRegion> regions;        // one per fill or stroke command, in command order
    std::vector<PaintProgramNode> program;    // node 0 is the root group
    UnprintableFragmentCollection fragments;  // pending, moved into the result by the driver
    std::string error_reason;                 // "invalid_group_stack", "invalid_clip_stack" or empty
    std::uint32_t worker_count = 0;
};

// The replay the driver calls. Tries the parallel preparation; when the ordered pass then fails,
// restores the budget and the precision-record list and replays sequentially. Throws
// std::logic_error "missing_complexity_budget" without a budget; other failures pass through.
ReplayOutput replay_commands(std::span<const PaintCommand> commands, const ReplayParams& params,
                             CommandPreparer prepare = prepare_replay_command);

// One attempt; any failure of the ordered pass over parallel slots becomes ParallelReplayRetry.
ReplayOutput replay_with_mode(std::span<const PaintCommand> commands, const ReplayParams& params, bool parallel,
                              CommandPreparer prepare = prepare_replay_command);

// The ordered pass. `fail_after` (tests only) throws std::runtime_error
// "ordered_replay_test_failure" when that many prepared items have been taken.
ReplayOutput replay_ordered(std::span<const PaintCommand> commands, const ReplayParams& params, PreparedSlots& slots,
                            std::optional<std::uint64_t> fail_after, CommandPreparer prepare = prepare_replay_command);

// The viewport rectangle of params.clip_rect on the grid (corners rounded like every point);
// empty when there is no viewport clip.
Clipper2Lib::Paths64 viewport_clip_geometry(const ReplayParams& params);

// Intersects the prepared geometry with the viewport rectangle, the bottom clip level. A paint
// that had geometry and loses all of it gets the clipped_out fragment.
PreparedNormalization apply_viewport_clip(PreparedNormalization prepared, const Clipper2Lib::Paths64& viewport,
                                          const ReplayParams& params);

// Intersects with every clip level from the bottom up, widening the three error figures to each
// clip's; stops with the clipped_out fragment at the level that empties the geometry.
PreparedNormalization apply_clip_stack(PreparedNormalization prepared,
                                       std::span<const PreparedNormalization> clip_stack, const ReplayParams& params);

}  // namespace pavrix_svg_core
