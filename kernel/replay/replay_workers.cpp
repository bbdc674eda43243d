#include "kernel/replay/replay_workers.h"

#include <algorithm>
#include <new>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {
namespace {

bool is_work_item(const PaintCommand& command) noexcept {
    return command.kind == PaintCommandKind::fill || command.kind == PaintCommandKind::stroke ||
           command.kind == PaintCommandKind::clip_begin;
}

// Adds a finished slot's work to the shared tally; true when the tally, on top of the budget
// the replay started from, passes a cap (the ordered pass's merge would then fail).
bool tally_passes_caps(PrepareWorkerContext& context, const ComplexityBudget& slot_budget) noexcept {
    bool over = false;
    for (unsigned i = 0; i < kBudgetCounterCount; ++i) {
        const auto counter = static_cast<BudgetCounter>(i);
        const std::uint64_t add = budget_counter(slot_budget, counter);
        if (add == 0)
            continue;  // most counters stay 0 in preparation: spare the shared cache line
        const std::uint64_t before = context.charged[i].fetch_add(add, std::memory_order_relaxed);
        const std::uint64_t base = budget_counter(context.baseline, counter);
        const std::uint64_t cap = kBudgetCaps[i];
        // Compared without forming sums that could wrap.
        if (before > cap || add > cap - before || base > cap - before - add)
            over = true;
    }
    return over;
}

}  // namespace

std::uint32_t choose_replay_worker_count(std::uint64_t items, std::uint64_t points,
                                         const ReplayEnvironment& environment, unsigned hardware_threads) noexcept {
    if (items == 0)
        return 0;
    if (environment.replay_threads) {
        return static_cast<std::uint32_t>(
            std::min<std::uint64_t>({*environment.replay_threads, items, kMaxReplayWorkers}));
    }
    if (items < kMinParallelItems || points < kMinParallelPoints ||
        (points / items < kMinParallelPointsPerItem && items < kManyParallelItems)) {
        return 1;
    }
    const std::uint64_t hardware = std::max(1u, hardware_threads);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>({hardware, items, kMaxReplayWorkers}));
}

std::uint32_t replay_worker_budget(const ReplayEnvironment& environment) noexcept {
    if (environment.replay_threads)
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(*environment.replay_threads, kMaxReplayWorkers));
    return std::clamp<std::uint32_t>(std::thread::hardware_concurrency(), 1, kMaxReplayWorkers);
}

void prepare_worker(PrepareWorkerContext& context) noexcept {
    while (!context.stop.load(std::memory_order_relaxed)) {
        const std::uint64_t i = context.next_item.fetch_add(1, std::memory_order_relaxed);
        if (i >= context.items.size())
            return;
        const std::size_t c = context.items[i];
        PreparedSlot& slot = context.slots[c];
        try {
            ReplayParams params = *context.params;
            params.budget = &slot.budget;
            params.precision_records = context.params->precision_records != nullptr ? &slot.precision_records : nullptr;
            slot.prepared = context.prepare(context.commands[c], params);
            slot.ready = true;
            if (tally_passes_caps(context, slot.budget))
                context.stop.store(true, std::memory_order_relaxed);
        } catch (...) {
            slot.failure = std::current_exception();
            context.stop.store(true, std::memory_order_relaxed);
            slot.ready = true;
            return;
        }
    }
}

PreparedSlots prepare_commands_parallel(std::span<const PaintCommand> commands, const ReplayParams& params,
                                        bool parallel, CommandPreparer prepare) {
    PreparedSlots result;
    std::uint64_t items = 0;
    std::uint64_t points = 0;
    for (const PaintCommand& command : commands) {
        if (!is_work_item(command))
            continue;
        items = checked_size_sum(items, 1);
        points = checked_size_sum(points, command.path_points.size());
    }
    if (!parallel) {
        result.worker_count = items > 0 ? 1 : 0;
        return result;
    }
    result.worker_count =
        choose_replay_worker_count(items, points, params.environment, std::thread::hardware_concurrency());
    if (result.worker_count < 2)
        return result;

    PrepareWorkerContext context;
    std::vector<std::size_t> item_list;
    std::vector<std::thread> threads;
    try {
        result.slots.resize(commands.size());
        item_list.reserve(items);
        for (std::size_t c = 0; c < commands.size(); ++c) {
            if (is_work_item(commands[c]))
                item_list.push_back(c);
        }
        threads.reserve(result.worker_count - 1);
    } catch (const std::bad_alloc&) {
        discard_prepared_slots(result);
        return result;
    }
    context.items = item_list;
    context.commands = commands;
    context.slots = result.slots;
    context.params = &params;
    context.prepare = prepare;
    if (params.budget != nullptr)
        context.baseline = *params.budget;

    {
        ThreadJoinGuard guard(threads);
        for (std::uint32_t t = 1; t < result.worker_count; ++t) {
            try {
                threads.emplace_back(prepare_worker, std::ref(context));
            } catch (const std::system_error&) {
                break;
            } catch (const std::bad_alloc&) {
                break;
            }
        }
        if (threads.empty()) {
            discard_prepared_slots(result);
            return result;
        }
        result.worker_count = static_cast<std::uint32_t>(threads.size()) + 1;
        prepare_worker(context);
        guard.join_all();
    }
    if (context.stop.load(std::memory_order_relaxed))
        discard_prepared_slots(result);
    return result;
}

void discard_prepared_slots(PreparedSlots& slots) noexcept {
    std::vector<PreparedSlot>().swap(slots.slots);
    slots.worker_count = 1;
}

PreparedNormalization take_prepared_normalization(PreparedSlot* slot, const PaintCommand& command,
                                                  const ReplayParams& params, CommandPreparer prepare) {
    if (slot == nullptr)
        return prepare(command, params);
    if (!slot->ready)
        throw std::logic_error("missing_prepared_normalization");
    if (slot->failure)
        std::rethrow_exception(slot->failure);
    if (params.budget == nullptr)
        throw std::logic_error("missing_complexity_budget");
    merge_budget(*params.budget, slot->budget);
    if (params.precision_records != nullptr) {
        params.precision_records->insert(params.precision_records->end(),
                                         std::make_move_iterator(slot->precision_records.begin()),
                                         std::make_move_iterator(slot->precision_records.end()));
    }
    return std::move(slot->prepared);
}

}  // namespace pavrix_svg_core
