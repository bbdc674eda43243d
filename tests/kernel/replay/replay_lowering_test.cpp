// The replay over the real fill and stroke preparation: thread count never changes the result,
// and the viewport clip holds for lowered geometry.

#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "kernel/replay/ordered_replay.h"

namespace pavrix_svg_core {
namespace {

PaintCommand random_fill(std::mt19937_64& random, std::int32_t index, PaintCommandKind kind) {
    std::uniform_real_distribution<double> coordinate(0.0, 100.0);
    PaintCommand command;
    command.kind = kind;
    command.rgba = {10, 20, 30, 255};
    command.source_index = index;
    command.fill_rule = index % 3 == 0 ? PaintFillRule::evenodd : PaintFillRule::nonzero;
    command.path_verbs.push_back(PathVerb::move_to);
    command.path_points.push_back({coordinate(random), coordinate(random)});
    for (int segment = 0; segment < 6; ++segment) {
        if (segment % 2 == 0) {
            command.path_verbs.push_back(PathVerb::cubic_to);
            for (int k = 0; k < 3; ++k)
                command.path_points.push_back({coordinate(random), coordinate(random)});
        } else {
            command.path_verbs.push_back(PathVerb::line_to);
            command.path_points.push_back({coordinate(random), coordinate(random)});
        }
    }
    command.path_verbs.push_back(PathVerb::close);
    command.source_subpath_area_potential = {1};
    return command;
}

ReplayParams lowering_params(ComplexityBudget& budget, std::vector<PrecisionRecord>& records) {
    ReplayParams params;
    params.scale = 0.5;
    params.grid_quantum = 1e-3;
    params.flattening_error = 0.05;
    params.budget = &budget;
    params.precision_records = &records;
    return params;
}

TEST(ReplayOverPreparation, ThreadCountNeverChangesTheResult) {
    std::mt19937_64 random(7);
    std::vector<PaintCommand> commands;
    for (std::int32_t i = 0; i < 100; ++i) {
        const bool clip = i % 25 == 0;
        const PaintCommandKind kind = clip         ? PaintCommandKind::clip_begin
                                      : i % 4 == 1 ? PaintCommandKind::stroke
                                                   : PaintCommandKind::fill;
        commands.push_back(random_fill(random, i, kind));
        commands.back().stroke.width = 0.5 + i % 3;
        commands.back().stroke.line_join = static_cast<LineJoin>(i % 3);
        if (i % 25 == 24) {
            commands.emplace_back();
            commands.back().kind = PaintCommandKind::clip_end;
        }
    }
    ComplexityBudget sequential_budget;
    std::vector<PrecisionRecord> sequential_records;
    ReplayParams sequential_params = lowering_params(sequential_budget, sequential_records);
    sequential_params.clip_rect = DoubleBox{10, 10, 90, 90};
    const ReplayOutput sequential = replay_with_mode(commands, sequential_params, false);

    for (const std::uint64_t threads : {2, 5, 16}) {
        ComplexityBudget budget;
        std::vector<PrecisionRecord> records;
        ReplayParams params = lowering_params(budget, records);
        params.clip_rect = DoubleBox{10, 10, 90, 90};
        params.environment.replay_threads = threads;
        const ReplayOutput parallel = replay_commands(commands, params);
        EXPECT_EQ(parallel.worker_count, threads);
        ASSERT_EQ(parallel.regions.size(), sequential.regions.size());
        for (std::size_t i = 0; i < parallel.regions.size(); ++i) {
            EXPECT_EQ(parallel.regions[i].paths, sequential.regions[i].paths) << i;
            EXPECT_EQ(parallel.regions[i].lowering_error_bound, sequential.regions[i].lowering_error_bound) << i;
        }
        EXPECT_EQ(parallel.fragments.reason_ids, sequential.fragments.reason_ids);
        EXPECT_EQ(budget.lowered_points, sequential_budget.lowered_points);
        EXPECT_EQ(budget.clipper_output_points, sequential_budget.clipper_output_points);
        ASSERT_EQ(records.size(), sequential_records.size());
        for (std::size_t i = 0; i < records.size(); ++i) {
            EXPECT_EQ(records[i].input_error, sequential_records[i].input_error) << i;
        }
    }
}

TEST(ReplayOverPreparation, PaintOutsideTheViewportIsClippedOut) {
    struct Case {
        const char* why;
        double offset;  // source units right of the viewport's left edge
        bool clipped_out;
    };
    const Case cases[] = {
        {"inside", 10, false},
        {"just outside", 101, true},
        {"far outside", 1e6, true},
    };
    for (const Case& c : cases) {
        PaintCommand fill;
        fill.kind = PaintCommandKind::fill;
        fill.rgba = {0, 0, 0, 255};
        fill.path_verbs = {PathVerb::move_to, PathVerb::line_to, PathVerb::line_to, PathVerb::close};
        fill.path_points = {{c.offset, 10}, {c.offset + 5, 10}, {c.offset, 15}};
        fill.source_subpath_area_potential = {1};
        ComplexityBudget budget;
        std::vector<PrecisionRecord> records;
        ReplayParams params = lowering_params(budget, records);
        params.clip_rect = DoubleBox{0, 0, 100, 100};
        const ReplayOutput output = replay_commands(std::vector<PaintCommand>{fill}, params);
        ASSERT_EQ(output.regions.size(), 1u) << c.why;
        EXPECT_EQ(output.regions[0].paths.empty(), c.clipped_out) << c.why;
        if (c.clipped_out) {
            EXPECT_EQ(output.fragments.reason_ids, std::vector<std::int32_t>{5}) << c.why;
        }
    }
}

}  // namespace
}  // namespace pavrix_svg_core
