#include "kernel/replay/replay_workers.h"

#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "kernel/commands/replay_environment.h"
#include "tests/kernel/replay/replay_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace replay_test;

TEST(ChooseReplayWorkerCount, Table) {
    struct Case {
        const char* why;
        std::uint64_t items;
        std::uint64_t points;
        const char* threads_variable;  // nullptr: not set
        unsigned hardware;
        std::uint32_t expected;
    };
    const Case cases[] = {
        {"no items", 0, 0, "4", 8, 0},
        {"variable wins over the thresholds", 3, 12, "4", 8, 3},
        {"variable capped at 16", 100, 100000, "64", 8, 16},
        {"variable 1", 100, 100000, "1", 8, 1},
        {"zero falls back", 100, 100000, "0", 8, 8},
        {"sign falls back", 100, 100000, "-2", 8, 8},
        {"space falls back", 100, 100000, " 4", 8, 8},
        {"suffix falls back", 100, 100000, "4x", 8, 8},
        {"above 2^64 - 1 falls back", 100, 100000, "18446744073709551616", 8, 8},
        {"too few items", 7, 100000, nullptr, 8, 1},
        {"too few points", 100, 1023, nullptr, 8, 1},
        {"too few points per item", 100, 12799, nullptr, 8, 1},
        {"too few points per item, few items", 1023, 12000, nullptr, 8, 1},
        {"many light items (traced art)", 1024, 12000, nullptr, 8, 8},
        {"thresholds met", 8, 1024, nullptr, 8, 8},
        {"no more threads than items", 9, 100000, nullptr, 64, 9},
        {"hardware capped at 16", 100, 100000, nullptr, 64, 16},
        {"unknown hardware count is one", 100, 100000, nullptr, 0, 1},
    };
    for (const Case& c : cases) {
        ReplayEnvironment environment;
        if (c.threads_variable != nullptr)
            environment.replay_threads = parse_replay_decimal(c.threads_variable);
        EXPECT_EQ(choose_replay_worker_count(c.items, c.points, environment, c.hardware), c.expected) << c.why;
    }
}

std::vector<PaintCommand> three_fills() {
    return {rect_command(PaintCommandKind::fill, 0, 0, 10, 10, 0),
            rect_command(PaintCommandKind::stroke, 5, 5, 20, 20, 1), bare_command(PaintCommandKind::group_begin),
            rect_command(PaintCommandKind::clip_begin, 0, 0, 30, 30, 2), bare_command(PaintCommandKind::group_end)};
}

TEST(PrepareCommandsParallel, FillsOneSlotPerWorkItem) {
    const std::vector<PaintCommand> commands = three_fills();
    ComplexityBudget budget;
    std::vector<PrecisionRecord> records;
    ReplayParams params = grid_params(budget, &records);
    params.environment.replay_threads = 4;
    PreparedSlots slots = prepare_commands_parallel(commands, params, true, fake_prepare);
    EXPECT_EQ(slots.worker_count, 3u);
    ASSERT_EQ(slots.slots.size(), commands.size());
    for (std::size_t i : {0u, 1u, 3u}) {
        EXPECT_TRUE(slots.slots[i].ready) << i;
        EXPECT_EQ(slots.slots[i].precision_records.size(), 1u) << i;
        EXPECT_EQ(slots.slots[i].budget.lowered_points, 4u) << i;
    }
    EXPECT_FALSE(slots.slots[2].ready);
    // Workers never touch the shared budget or list.
    EXPECT_EQ(budget.lowered_points, 0u);
    EXPECT_TRUE(records.empty());

    // Taking a slot merges its work on the calling thread.
    const PreparedNormalization taken = take_prepared_normalization(&slots.slots[1], commands[1], params, fake_prepare);
    EXPECT_FALSE(taken.geometry.empty());
    EXPECT_EQ(budget.lowered_points, 4u);
    EXPECT_EQ(records.size(), 1u);
}

TEST(PrepareCommandsParallel, ModesWithoutSlots) {
    struct Case {
        const char* why;
        std::vector<PaintCommand> commands;
        bool parallel;
        std::optional<std::uint64_t> threads;
        std::uint32_t workers;
    };
    const Case cases[] = {
        {"sequential mode", three_fills(), false, 4, 1},
        {"nothing to prepare", {bare_command(PaintCommandKind::group_begin)}, true, 4, 0},
        {"below the heuristic thresholds", three_fills(), true, std::nullopt, 1},
        {"one thread asked for", three_fills(), true, 1, 1},
    };
    for (const Case& c : cases) {
        ComplexityBudget budget;
        ReplayParams params = grid_params(budget);
        params.environment.replay_threads = c.threads;
        const PreparedSlots slots = prepare_commands_parallel(c.commands, params, c.parallel, fake_prepare);
        EXPECT_EQ(slots.worker_count, c.workers) << c.why;
        EXPECT_TRUE(slots.slots.empty()) << c.why;
    }
}

TEST(PrepareCommandsParallel, FailedPreparationDropsEverySlot) {
    std::vector<PaintCommand> commands = three_fills();
    commands[1].source_index = kFailingSource;
    ComplexityBudget budget;
    ReplayParams params = grid_params(budget);
    params.environment.replay_threads = 3;
    const PreparedSlots slots = prepare_commands_parallel(commands, params, true, fake_prepare);
    EXPECT_TRUE(slots.slots.empty());
    EXPECT_EQ(slots.worker_count, 1u);
}

TEST(PrepareCommandsParallel, StopsEarlyOnceTheSlotsPassABudgetCap) {
    // Each item charges a quarter of the lowered-point cap: the fifth would overflow the shared
    // budget at merge time, so the pool must not go on preparing (and holding) the rest.
    constexpr std::size_t kItems = 64;
    std::vector<PaintCommand> commands;
    for (std::size_t i = 0; i < kItems; ++i) {
        commands.push_back(rect_command(PaintCommandKind::fill, 0, 0, 10, 10, static_cast<std::int32_t>(i)));
        commands.back().relative_path_operation_count = 1u << 26;
    }
    ComplexityBudget budget;
    ReplayParams params = grid_params(budget);
    params.environment.replay_threads = 4;
    preparation_calls() = 0;
    const PreparedSlots slots = prepare_commands_parallel(commands, params, true, fake_prepare);
    EXPECT_TRUE(slots.slots.empty());
    EXPECT_EQ(slots.worker_count, 1u);
    EXPECT_LT(preparation_calls().load(), 4 + 4 + 1);
}

TEST(TakePreparedNormalization, SlotStates) {
    const PaintCommand command = rect_command(PaintCommandKind::fill, 0, 0, 10, 10);
    ComplexityBudget budget;
    const ReplayParams params = grid_params(budget);

    PreparedSlot unready;
    try {
        take_prepared_normalization(&unready, command, params, fake_prepare);
        FAIL();
    } catch (const std::logic_error& error) {
        EXPECT_EQ(std::string(error.what()), "missing_prepared_normalization");
    }

    PreparedSlot failed;
    failed.ready = true;
    failed.failure = std::make_exception_ptr(ComplexityLimitError("counter_overflow"));
    EXPECT_THROW(take_prepared_normalization(&failed, command, params, fake_prepare), ComplexityLimitError);

    // Without a slot the command is prepared inline against the shared budget.
    const PreparedNormalization inline_result = take_prepared_normalization(nullptr, command, params, fake_prepare);
    EXPECT_EQ(inline_result.geometry.size(), 1u);
    EXPECT_EQ(budget.lowered_points, 4u);
}

}  // namespace
}  // namespace pavrix_svg_core
