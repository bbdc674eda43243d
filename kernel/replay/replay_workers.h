#pragma once

// Parallel preparation of the replay's fill, stroke and clip commands: one slot and one budget
// per command, work handed out by one atomic index, no lock.

#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "kernel/commands/prepared_normalization.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Most threads one replay uses, counting the calling thread: beyond this the ordered pass and
// memory bandwidth dominate, and an analysis must not monopolise a shared host.
inline constexpr std::uint32_t kMaxReplayWorkers = 16;

// Below these the thread start-up costs more than the preparation it spreads.
inline constexpr std::uint64_t kMinParallelItems = 8;
inline constexpr std::uint64_t kMinParallelPoints = 1024;
inline constexpr std::uint64_t kMinParallelPointsPerItem = 128;
// From this many items the preparation is spread whatever their size: traced art and icon sheets
// hold thousands of paths of 10 to 50 points, each of which still costs microseconds to lower
// (flattening, a Clipper2 union), so one thread would do in sequence what the workers share.
inline constexpr std::uint64_t kManyParallelItems = 1024;

// Threads the stages after the replay (compositing, export) may use, counting the calling
// thread: PAVRIX_SVG_REPLAY_THREADS when set, else the hardware's, at most kMaxReplayWorkers.
// Their results never depend on it.
std::uint32_t replay_worker_budget(const ReplayEnvironment& environment) noexcept;

// Lowers one command to grid geometry, charging params.budget. Must be safe to call from
// several threads at once on different commands.
using CommandPreparer = PreparedNormalization (*)(const PaintCommand& command, const ReplayParams& params);

// prepare_stroke for stroke commands, prepare_fill for fill and clip_begin commands.
PreparedNormalization prepare_replay_command(const PaintCommand& command, const ReplayParams& params);

// One command's preparation as a worker left it. Only fill, stroke and clip_begin slots are used.
struct PreparedSlot {
    PreparedNormalization prepared;
    std::vector<PrecisionRecord> precision_records;
    ComplexityBudget budget;
    std::exception_ptr failure;  // empty unless the preparation threw
    bool ready = false;
};

// The slots (empty when preparation runs inline in the ordered pass) and the thread count.
struct PreparedSlots {
    std::vector<PreparedSlot> slots;  // one per command, indexed by command position
    std::uint32_t worker_count = 0;
};

// What every worker, and the calling thread, share while preparing.
struct PrepareWorkerContext {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> next_item{0};
    std::span<const std::size_t> items;  // command positions of the work items, in order
    std::span<const PaintCommand> commands;
    std::span<PreparedSlot> slots;
    const ReplayParams* params = nullptr;
    CommandPreparer prepare = nullptr;
    // Work charged by finished slots so far, beside the shared budget's counters at the start.
    // Once the sum passes a cap the ordered pass would fail anyway, so workers stop early
    // instead of holding every command's geometry in memory first.
    std::array<std::atomic<std::uint64_t>, kBudgetCounterCount> charged{};
    ComplexityBudget baseline;
};

// The worker count the heuristic (or PAVRIX_SVG_REPLAY_THREADS) chooses for these items.
std::uint32_t choose_replay_worker_count(std::uint64_t items, std::uint64_t points,
                                         const ReplayEnvironment& environment, unsigned hardware_threads) noexcept;

// Prepares every work item on up to kMaxReplayWorkers threads. No slots when fewer than two
// workers are worth it, when threads cannot start, or when any preparation failed: the ordered
// pass then prepares everything inline, in order.
PreparedSlots prepare_commands_parallel(std::span<const PaintCommand> commands, const ReplayParams& params,
                                        bool parallel, CommandPreparer prepare = prepare_replay_command);

// The loop every worker thread and the calling thread run; never throws.
void prepare_worker(PrepareWorkerContext& context) noexcept;

// Frees every slot; the replay is then inline on one thread.
void discard_prepared_slots(PreparedSlots& slots) noexcept;

// The command's preparation: moved out of its slot (budget and precision records merged into
// params on the calling thread) or, without a slot, prepared inline. Throws std::logic_error
// "missing_prepared_normalization" for a slot never filled, or rethrows the slot's failure.
PreparedNormalization take_prepared_normalization(PreparedSlot* slot, const PaintCommand& command,
                                                  const ReplayParams& params,
                                                  CommandPreparer prepare = prepare_replay_command);

}  // namespace pavrix_svg_core
