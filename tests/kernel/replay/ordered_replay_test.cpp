#include "kernel/replay/ordered_replay.h"

#include <random>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/kernel/replay/replay_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace replay_test;
using Kind = PaintCommandKind;

ReplayOutput replay(const std::vector<PaintCommand>& commands, ComplexityBudget& budget,
                    std::optional<std::uint64_t> threads = std::nullopt) {
    ReplayParams params = grid_params(budget);
    params.environment.replay_threads = threads;
    return replay_commands(commands, params, fake_prepare);
}

TEST(ReplayCommands, WithoutBudgetIsALogicError) {
    ReplayParams params;
    try {
        replay_commands({}, params, fake_prepare);
        FAIL();
    } catch (const std::logic_error& error) {
        EXPECT_EQ(std::string(error.what()), "missing_complexity_budget");
    }
}

TEST(ReplayCommands, NothingToPrepareGivesNoWorkersAndNoRegions) {
    ComplexityBudget budget;
    const ReplayOutput output =
        replay({bare_command(Kind::group_begin, 0.5), bare_command(Kind::group_end, 0.5)}, budget, 4);
    EXPECT_EQ(output.worker_count, 0u);
    EXPECT_TRUE(output.regions.empty());
    EXPECT_TRUE(output.error_reason.empty());
    ASSERT_EQ(output.program.size(), 2u);
    EXPECT_EQ(output.program[0].children, std::vector<std::uint64_t>{1});
    EXPECT_EQ(output.program[1].opacity, 0.5);
}

TEST(ReplayCommands, StackErrors) {
    const PaintCommand fill = rect_command(Kind::fill, 0, 0, 10, 10);
    struct Case {
        const char* why;
        std::vector<PaintCommand> commands;
        const char* reason;
    };
    const Case cases[] = {
        {"group closed with another opacity",
         {bare_command(Kind::group_begin, 0.5), bare_command(Kind::group_end, 0.4)},
         "invalid_group_stack"},
        {"NaN opacity never matches",
         {bare_command(Kind::group_begin, std::nan("")), bare_command(Kind::group_end, std::nan(""))},
         "invalid_group_stack"},
        {"unmatched group_begin", {bare_command(Kind::group_begin, 0.5), fill}, "invalid_group_stack"},
        {"group_end at the root", {fill, bare_command(Kind::group_end)}, "invalid_group_stack"},
        {"clip_end without clip_begin", {bare_command(Kind::clip_end), fill}, "invalid_clip_stack"},
        {"unmatched clip_begin", {rect_command(Kind::clip_begin, 0, 0, 5, 5), fill}, "invalid_clip_stack"},
        {"open clip reported before open group",
         {bare_command(Kind::group_begin), rect_command(Kind::clip_begin, 0, 0, 5, 5)},
         "invalid_clip_stack"},
        {"balanced",
         {bare_command(Kind::group_begin, 0.25), rect_command(Kind::clip_begin, 0, 0, 5, 5), fill,
          bare_command(Kind::clip_end), bare_command(Kind::group_end, 0.25)},
         ""},
    };
    for (const Case& c : cases) {
        ComplexityBudget budget;
        EXPECT_EQ(replay(c.commands, budget).error_reason, c.reason) << c.why;
    }
}

TEST(ReplayCommands, OneRegionPerPaintInCommandOrder) {
    PaintCommand stroke = rect_command(Kind::stroke, 0, 0, 4, 4, 7);
    stroke.paint_opacity = 0.25;
    stroke.rgba = {0, 51, 255, 255};
    const std::vector<PaintCommand> commands = {
        rect_command(Kind::fill, 0, 0, 10, 10, 3),
        bare_command(Kind::group_begin, 0.5),
        rect_command(Kind::clip_begin, 0, 0, 2, 2, 9),
        stroke,
        bare_command(Kind::clip_end),
        bare_command(Kind::group_end, 0.5),
        rect_command(Kind::fill, 20, 20, 30, 30, 4),
    };
    ComplexityBudget budget;
    const ReplayOutput output = replay(commands, budget);
    ASSERT_EQ(output.regions.size(), 3u);
    const std::int32_t sources[] = {3, 7, 4};
    const std::uint32_t kinds[] = {0, 1, 0};
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(output.regions[i].draw_index, i);
        EXPECT_EQ(output.regions[i].source_index, sources[i]);
        EXPECT_EQ(output.regions[i].source_kind, kinds[i]);
        ASSERT_EQ(output.regions[i].contributors.size(), 1u);
        EXPECT_EQ(output.regions[i].contributors[0].draw_index, i);
    }
    // The stroke is cut to its clip; colour doubles carry the paint opacity, not the alpha byte.
    EXPECT_EQ(output.regions[1].bbox.xmax, 2);
    EXPECT_EQ(output.regions[1].color[1], 0.2);
    EXPECT_EQ(output.regions[1].color[3], 0.25);
    EXPECT_EQ(output.regions[1].contributors[0].weight, 0.25);
    // Root > [leaf 0, group > [leaf 1], leaf 2].
    ASSERT_EQ(output.program.size(), 5u);
    EXPECT_EQ(output.program[0].children, (std::vector<std::uint64_t>{1, 2, 4}));
    EXPECT_EQ(output.program[2].children, std::vector<std::uint64_t>{3});
    EXPECT_EQ(output.program[3].index, 1u);
    EXPECT_EQ(output.program[4].index, 2u);
}

TEST(ReplayCommands, PaintWhollyOutsideItsClipIsClippedOut) {
    PaintCommand clip = rect_command(Kind::clip_begin, 0, 0, 10, 10);
    clip.path_lowering_precision_error = 0.5;
    const std::vector<PaintCommand> commands = {clip, rect_command(Kind::fill, 20, 20, 30, 30, 6),
                                                bare_command(Kind::clip_end)};
    ComplexityBudget budget;
    const ReplayOutput output = replay(commands, budget);
    ASSERT_EQ(output.regions.size(), 1u);
    EXPECT_TRUE(output.regions[0].paths.empty());
    EXPECT_FALSE(output.regions[0].bbox.valid);
    EXPECT_EQ(output.regions[0].lowering_error_bound, 0.5);  // widened to the clip's
    EXPECT_EQ(output.fragments.reason_ids, std::vector<std::int32_t>{5});
    EXPECT_EQ(output.fragments.subpath_indices, std::vector<std::int32_t>{-1});
    EXPECT_EQ(output.fragments.source_indices, std::vector<std::int32_t>{6});
}

TEST(ReplayCommands, ViewportIsTheBottomClipLevel) {
    struct Case {
        const char* why;
        PaintCommand fill;
        bool clipped_out;
        std::int64_t xmax;
    };
    const Case cases[] = {
        {"inside stays whole", rect_command(Kind::fill, 10, 10, 20, 20), false, 20},
        {"straddling is cut at the viewport edge", rect_command(Kind::fill, 50, 10, 150, 20), false, 100},
        {"wholly outside", rect_command(Kind::fill, 150, 10, 200, 20), true, 0},
        {"touching the edge only", rect_command(Kind::fill, 100, 10, 200, 20), true, 0},
    };
    for (const Case& c : cases) {
        ComplexityBudget budget;
        ReplayParams params = grid_params(budget);
        params.clip_rect = DoubleBox{0, 0, 100.4, 100};  // the corner rounds onto the grid like any point
        const ReplayOutput output = replay_commands(std::vector<PaintCommand>{c.fill}, params, fake_prepare);
        ASSERT_EQ(output.regions.size(), 1u) << c.why;
        EXPECT_EQ(output.regions[0].paths.empty(), c.clipped_out) << c.why;
        EXPECT_EQ(output.fragments.reason_ids.size(), c.clipped_out ? 1u : 0u) << c.why;
        if (c.clipped_out) {
            EXPECT_EQ(output.fragments.reason_ids[0], 5) << c.why;
        } else {
            EXPECT_EQ(output.regions[0].bbox.xmax, c.xmax) << c.why;
        }
    }
}

TEST(ViewportClipGeometry, FarCornersArePulledIntoTheGridRange) {
    ComplexityBudget budget;
    ReplayParams params = grid_params(budget);
    params.clip_rect = DoubleBox{-1e300, 0, 1e300, 10};
    const Clipper2Lib::Paths64 rect = viewport_clip_geometry(params);
    ASSERT_EQ(rect.size(), 1u);
    EXPECT_EQ(rect[0][0].x, -1000000000000000);
    EXPECT_EQ(rect[0][1].x, 1000000000000000);
    params.clip_rect = DoubleBox{};
    EXPECT_TRUE(viewport_clip_geometry(params).empty());
}

std::vector<PaintCommand> many_fills(std::size_t count) {
    std::vector<PaintCommand> commands;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = static_cast<double>(i);
        commands.push_back(rect_command(Kind::fill, x, 0, x + 3, 3, static_cast<std::int32_t>(i)));
    }
    return commands;
}

TEST(ReplayCommands, FailAfterRollsBackAndReplaysSequentially) {
    const std::vector<PaintCommand> commands = many_fills(12);
    ComplexityBudget sequential_budget;
    std::vector<PrecisionRecord> sequential_records;
    const ReplayOutput sequential =
        replay_with_mode(commands, grid_params(sequential_budget, &sequential_records), false, fake_prepare);

    ComplexityBudget budget;
    budget.bounds_index_visits = 17;  // work from before the replay survives the roll-back
    sequential_budget.bounds_index_visits = 17;
    std::vector<PrecisionRecord> records(2);
    ReplayParams params = grid_params(budget, &records);
    params.environment.replay_threads = 4;
    params.environment.fail_after = 1;
    const ReplayOutput output = replay_commands(commands, params, fake_prepare);
    EXPECT_EQ(output.worker_count, 1u);
    EXPECT_EQ(output.regions.size(), 12u);
    EXPECT_EQ(budget.lowered_points, sequential_budget.lowered_points);
    EXPECT_EQ(budget.clipper_output_points, sequential_budget.clipper_output_points);
    EXPECT_EQ(budget.bounds_index_visits, 17u);
    EXPECT_EQ(records.size(), 2 + sequential_records.size());
}

TEST(ReplayCommands, FailAfterHasNoEffectWithoutParallelSlots) {
    const std::vector<PaintCommand> commands = many_fills(3);  // below the thresholds: inline
    ComplexityBudget budget;
    ReplayParams params = grid_params(budget);
    params.environment.fail_after = 1;
    preparation_calls() = 0;
    const ReplayOutput output = replay_commands(commands, params, fake_prepare);
    EXPECT_EQ(output.worker_count, 1u);
    EXPECT_EQ(preparation_calls().load(), 3);  // prepared once: no retry
}

TEST(ReplayCommands, WorkerFailureSurfacesFromTheInlineReplay) {
    std::vector<PaintCommand> commands = many_fills(12);
    commands[5].source_index = kFailingSource;
    ComplexityBudget budget;
    ReplayParams params = grid_params(budget);
    params.environment.replay_threads = 4;
    try {
        replay_commands(commands, params, fake_prepare);
        FAIL();
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "fake_preparation_failure");
    }
}

// Random nested clips, groups, fills and strokes, always balanced.
std::vector<PaintCommand> random_commands(std::mt19937_64& random, std::size_t count) {
    std::uniform_int_distribution<int> coordinate(-50, 50);
    std::uniform_int_distribution<int> choice(0, 9);
    std::vector<PaintCommand> commands;
    std::vector<Kind> open;
    for (std::size_t i = 0; i < count; ++i) {
        const int pick = choice(random);
        const double x = coordinate(random);
        const double y = coordinate(random);
        const double size = 1 + (coordinate(random) + 50) / 2;
        if (pick == 0 && open.size() < 6) {
            commands.push_back(rect_command(Kind::clip_begin, x, y, x + 2 * size, y + 2 * size));
            open.push_back(Kind::clip_begin);
        } else if (pick == 1 && open.size() < 6) {
            commands.push_back(bare_command(Kind::group_begin, 0.5));
            open.push_back(Kind::group_begin);
        } else if (pick == 2 && !open.empty()) {
            commands.push_back(bare_command(open.back() == Kind::clip_begin ? Kind::clip_end : Kind::group_end, 0.5));
            open.pop_back();
        } else {
            PaintCommand paint = rect_command(pick % 2 == 0 ? Kind::fill : Kind::stroke, x, y, x + size, y + size,
                                              static_cast<std::int32_t>(i));
            paint.path_lowering_precision_error = size / 1000;
            commands.push_back(std::move(paint));
        }
    }
    while (!open.empty()) {
        commands.push_back(bare_command(open.back() == Kind::clip_begin ? Kind::clip_end : Kind::group_end, 0.5));
        open.pop_back();
    }
    return commands;
}

TEST(ReplayCommands, ParallelReplayIsBitIdenticalToSequential) {
    std::mt19937_64 random(20261209);
    for (int round = 0; round < 5; ++round) {
        const std::vector<PaintCommand> commands = random_commands(random, 400);
        ComplexityBudget sequential_budget;
        std::vector<PrecisionRecord> sequential_records;
        const ReplayOutput sequential =
            replay_with_mode(commands, grid_params(sequential_budget, &sequential_records), false, fake_prepare);

        ComplexityBudget budget;
        std::vector<PrecisionRecord> records;
        ReplayParams params = grid_params(budget, &records);
        params.environment.replay_threads = 8;
        const ReplayOutput parallel = replay_commands(commands, params, fake_prepare);

        EXPECT_EQ(parallel.worker_count, 8u);
        ASSERT_EQ(parallel.regions.size(), sequential.regions.size());
        for (std::size_t i = 0; i < parallel.regions.size(); ++i) {
            EXPECT_EQ(parallel.regions[i].paths, sequential.regions[i].paths) << i;
            EXPECT_EQ(parallel.regions[i].lowering_error_bound, sequential.regions[i].lowering_error_bound) << i;
        }
        EXPECT_EQ(parallel.fragments.reason_ids, sequential.fragments.reason_ids);
        EXPECT_EQ(parallel.fragments.draw_indices, sequential.fragments.draw_indices);
        ASSERT_EQ(parallel.program.size(), sequential.program.size());
        for (std::size_t i = 0; i < parallel.program.size(); ++i) {
            EXPECT_EQ(parallel.program[i].children, sequential.program[i].children) << i;
        }
        for (unsigned k = 0; k < kBudgetCounterCount; ++k) {
            EXPECT_EQ(budget_counter(budget, static_cast<BudgetCounter>(k)),
                      budget_counter(sequential_budget, static_cast<BudgetCounter>(k)))
                << k;
        }
        ASSERT_EQ(records.size(), sequential_records.size());
        for (std::size_t i = 0; i < records.size(); ++i)
            EXPECT_EQ(records[i].box.xmin, sequential_records[i].box.xmin);
    }
}

}  // namespace
}  // namespace pavrix_svg_core
