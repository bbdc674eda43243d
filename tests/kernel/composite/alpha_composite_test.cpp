// Translucent compositing: blended colours and contributors, group opacity, tiling, deep group
// nesting, and a sampled source-over reference over random stacks.

#include "kernel/composite/alpha_composite.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

PaintProgramNode leaf(std::uint64_t region) {
    return {0, region, 1.0, {}};
}
PaintProgramNode group(double opacity, std::vector<std::uint64_t> children) {
    return {1, 0, opacity, std::move(children)};
}

// Root group (node 0) over leaves 1..n for regions 0..n-1.
std::vector<PaintProgramNode> flat_program(std::size_t regions) {
    std::vector<PaintProgramNode> program{group(1.0, {})};
    for (std::size_t i = 0; i < regions; ++i) {
        program[0].children.push_back(program.size());
        program.push_back(leaf(i));
    }
    return program;
}

AlphaCompositeResult run(const std::vector<ReplayRegion>& regions, const std::vector<PaintProgramNode>& program,
                         ComplexityBudget& budget) {
    ReplayParams params;
    params.budget = &budget;
    return alpha_composite(regions, program, params);
}

TEST(AlphaComposite, HalfOpaqueSquaresBlendInTheirOverlap) {
    ComplexityBudget budget;
    const std::vector<ReplayRegion> regions{region({rect(0, 0, 10, 10)}, 1, 0, 0, 0.5, 4),
                                            region({rect(5, 5, 15, 15)}, 0, 0, 1, 0.5, 9)};
    const AlphaCompositeResult out = run(regions, flat_program(2), budget);
    ASSERT_EQ(out.regions.size(), 3u);
    const ReplayRegion& overlap = out.regions[0];
    EXPECT_DOUBLE_EQ(area(overlap.paths), 25);
    EXPECT_NEAR(overlap.color[0], 1.0 / 3, 1e-12);
    EXPECT_EQ(overlap.color[1], 0.0);
    EXPECT_NEAR(overlap.color[2], 2.0 / 3, 1e-12);
    EXPECT_DOUBLE_EQ(overlap.color[3], 0.75);
    ASSERT_EQ(overlap.contributors.size(), 2u);
    EXPECT_DOUBLE_EQ(overlap.contributors[0].weight, 0.25);
    EXPECT_DOUBLE_EQ(overlap.contributors[1].weight, 0.5);
    EXPECT_EQ(overlap.draw_index, 0xFFFFFFFFu);
    EXPECT_EQ(overlap.source_kind, 3u);
    EXPECT_DOUBLE_EQ(area(out.regions[1].paths), 75);
    EXPECT_EQ(out.regions[1].draw_index, 4u);
    EXPECT_EQ(out.regions[1].rgba, (std::array<std::uint8_t, 4>{255, 0, 0, 128}));
    EXPECT_DOUBLE_EQ(area(out.regions[2].paths), 75);
    EXPECT_DOUBLE_EQ(area(out.coverage), 175);
}

struct ProgramCase {
    const char* why;
    std::vector<PaintProgramNode> program;
    std::size_t visible;
    double alpha;
    double weight;
};

class PaintPrograms : public testing::TestWithParam<ProgramCase> {};

TEST_P(PaintPrograms, OneSquareThroughGroups) {
    const ProgramCase& c = GetParam();
    ComplexityBudget budget;
    const AlphaCompositeResult out = run({region({rect(0, 0, 10, 10)}, 0.2, 0.4, 0.6, 1.0, 0)}, c.program, budget);
    ASSERT_EQ(out.regions.size(), c.visible) << c.why;
    if (c.visible == 0)
        return;
    EXPECT_NEAR(out.regions[0].color[0], 0.2, 1e-12) << c.why;
    EXPECT_NEAR(out.regions[0].color[2], 0.6, 1e-12) << c.why;
    EXPECT_DOUBLE_EQ(out.regions[0].color[3], c.alpha) << c.why;
    EXPECT_DOUBLE_EQ(out.regions[0].contributors.at(0).weight, c.weight) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PaintPrograms,
    testing::Values(ProgramCase{"opacity 1 group changes nothing", {group(1.0, {1}), leaf(0)}, 1, 1.0, 1.0},
                    ProgramCase{
                        "half group halves alpha and weight", {group(1.0, {1}), group(0.5, {2}), leaf(0)}, 1, 0.5, 0.5},
                    ProgramCase{"zero group hides", {group(1.0, {1}), group(0.0, {2}), leaf(0)}, 0, 0, 0},
                    ProgramCase{"NaN group hides",
                                {group(1.0, {1}), group(std::numeric_limits<double>::quiet_NaN(), {2}), leaf(0)},
                                0,
                                0,
                                0}));

TEST(AlphaComposite, HalfOpaquePaintEqualsOpaquePaintInHalfGroup) {
    ComplexityBudget budget;
    const Paths64 square{rect(0, 0, 10, 10)};
    const auto plain = run({region(square, 0.1, 0.5, 0.9, 0.5, 0)}, flat_program(1), budget);
    const auto grouped =
        run({region(square, 0.1, 0.5, 0.9, 1.0, 0)}, {group(1, {1}), group(0.5, {2}), leaf(0)}, budget);
    ASSERT_EQ(plain.regions.size(), 1u);
    ASSERT_EQ(grouped.regions.size(), 1u);
    EXPECT_EQ(plain.regions[0].color, grouped.regions[0].color);
    EXPECT_EQ(plain.regions[0].rgba, grouped.regions[0].rgba);
}

TEST(AlphaComposite, OpaquePaintAboveLeavesOnlyItsOwnColour) {
    ComplexityBudget budget;
    const auto out = run({region({rect(2, 2, 4, 4)}, 1, 0, 0, 0.5, 0), region({rect(0, 0, 10, 10)}, 0, 1, 0, 1, 1)},
                         flat_program(2), budget);
    ASSERT_EQ(out.regions.size(), 1u);  // overlap equals the upper colour and merges with its rest
    EXPECT_EQ(out.regions[0].contributors.size(), 1u);
    EXPECT_EQ(out.regions[0].draw_index, 1u);
    EXPECT_DOUBLE_EQ(area(out.regions[0].paths), 100);
}

TEST(AlphaComposite, LargePolygonIsTiledAndMergedBack) {
    ComplexityBudget budget;
    Path64 hole = circle(0, 0, 50000.0, 2000);
    std::reverse(hole.begin(), hole.end());
    const Paths64 disc{circle(0, 0, 100000.0, 3000), hole};
    ReplayParams params;
    params.budget = &budget;
    const auto out = alpha_composite_by_pieces({region(disc, 0.3, 0.3, 0.3, 0.5, 0)}, flat_program(1), params);
    ASSERT_EQ(out.regions.size(), 1u);
    EXPECT_GT(out.regions[0].paths.size(), 4u);
    EXPECT_NEAR(area(out.regions[0].paths), area(disc), 1e-9 * area(disc));
    EXPECT_GT(budget.clipper_input_points, 3000u);
}

// A NaN paint opacity used to pass the "not above zero" test and turn every overlap NaN.
TEST(AlphaComposite, NaNPaintOpacityShowsNothing) {
    ComplexityBudget budget;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto out = run({region({rect(0, 0, 10, 10)}, 1, 0, 0, nan, 0), region({rect(5, 5, 15, 15)}, 0, 0, 1, 0.5, 1)},
                         flat_program(2), budget);
    ASSERT_EQ(out.regions.size(), 1u);
    EXPECT_EQ(out.regions[0].draw_index, 1u);
    EXPECT_DOUBLE_EQ(area(out.regions[0].paths), 100);
    EXPECT_DOUBLE_EQ(area(out.coverage), 100);
}

// The walk used to recurse once per group level.
TEST(AlphaComposite, TenThousandNestedGroupsDoNotExhaustTheStack) {
    constexpr std::uint64_t kDepth = 10000;
    std::vector<PaintProgramNode> program;
    for (std::uint64_t i = 0; i < kDepth; ++i)
        program.push_back(group(1.0, {i + 1}));
    program.push_back(leaf(0));
    ComplexityBudget budget;
    const auto out = run({region({rect(0, 0, 10, 10)}, 1, 1, 1, 0.5, 0)}, program, budget);
    EXPECT_EQ(out.regions.size(), 1u);
}

TEST(AlphaComposite, BrokenProgramsAreRefused) {
    ComplexityBudget budget;
    const std::vector<ReplayRegion> one{region({rect(0, 0, 1, 1)}, 1, 1, 1, 1, 0)};
    EXPECT_THROW(run(one, {}, budget), std::logic_error);
    EXPECT_THROW(run(one, {group(1, {7})}, budget), std::runtime_error);
    EXPECT_THROW(run(one, {group(1, {1}), leaf(3)}, budget), std::runtime_error);
    EXPECT_THROW(run(one, {group(1, {0})}, budget), std::runtime_error);  // a cycle
    EXPECT_THROW(alpha_composite(one, flat_program(1), ReplayParams{}), std::logic_error);
}

// Both operands have indexes and partial near-sets; a shared scratch buffer made them the same
// set and invented an overlap between interleaved squares that never touch.
TEST(AlphaComposite, InterleavedIndexedComponentsDoNotOverlap) {
    Paths64 lower, upper;
    for (int i = 0; i < 21; ++i)
        lower.push_back(rect(10 * i, 0, 10 * i + 2, 2));
    for (int i = 0; i < 21; ++i)
        upper.push_back(rect(105 + 10 * i, 0, 107 + 10 * i, 2));
    ReplayRegion below = region(lower, 1, 0, 0, 0.5, 0), above = region(upper, 0, 0, 1, 0.5, 1);
    below.exported_components = {lower};
    above.exported_components = {upper};
    ComplexityBudget budget;
    const auto out = run({below, above}, flat_program(2), budget);
    ASSERT_EQ(out.regions.size(), 2u);
    for (const ReplayRegion& visible : out.regions)
        EXPECT_EQ(visible.contributors.size(), 1u);
}

TEST(ComponentKeyHash, NegativeZeroHashesAsZero) {
    AlphaComponent a, b;
    a.r = 0.0;
    b.r = -0.0;
    EXPECT_EQ(component_key_hash(a), component_key_hash(b));
    b.alpha = 0.5;
    EXPECT_NE(component_key_hash(a), component_key_hash(b));
}

// Random translucent rectangles and circles, some in groups with their own opacity, against
// per-sample source-over in paint order (a group composites its children apart first).
TEST(AlphaComposite, MatchesSampledSourceOver) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 10; ++trial) {
        std::vector<ReplayRegion> regions;
        std::vector<PaintProgramNode> program{group(1.0, {})};
        for (int i = 0; i < 2 + trial * 2; ++i) {
            const Paths64 shape = random_shape(random);
            const double opacity = (1 + random() % 4) / 4.0;
            regions.push_back(region(shape, (random() % 256) / 255.0, (random() % 256) / 255.0,
                                     (random() % 256) / 255.0, opacity, static_cast<std::uint32_t>(i)));
            // Every third paint opens a group of opacity 0.5 or 0.75 that the next paint joins.
            std::uint64_t parent = 0;
            if (i % 3 == 1) {
                program[0].children.push_back(program.size());
                program.push_back(group(0.5 + 0.25 * (random() % 2), {}));
                parent = program.size() - 1;
            } else if (i % 3 == 2 && program[program.size() - 2].is_group != 0) {
                parent = program.size() - 2;
            }
            program[parent].children.push_back(program.size());
            program.push_back(leaf(i));
        }
        ComplexityBudget budget;
        const auto out = run(regions, program, budget);
        int overlapping_samples = 0, coverage_misses = 0;
        const int bad_cells = count_bad_cells(10000, 400, [&](double x, double y, Pixel& expected, Pixel& actual) {
            for (const std::uint64_t child : program[0].children) {
                const PaintProgramNode& node = program[child];
                Pixel layer;
                for (const std::uint64_t member : node.is_group != 0 ? node.children : std::vector{child}) {
                    const ReplayRegion& paint = regions[program[member].index];
                    if (covers(paint.paths, x, y))
                        layer.over(paint.color[0], paint.color[1], paint.color[2], paint.color[3]);
                }
                expected.over_premultiplied(layer, node.opacity);
            }
            int hits = 0;
            for (const ReplayRegion& visible : out.regions) {
                if (!covers(visible.paths, x, y))
                    continue;
                ++hits;
                actual.over(visible.color[0], visible.color[1], visible.color[2], visible.color[3]);
            }
            overlapping_samples += hits > 1;
            coverage_misses += covers(out.coverage, x, y) != (expected.a > 0);
        });
        EXPECT_EQ(bad_cells, 0) << "trial " << trial;
        EXPECT_LT(overlapping_samples, 5) << "trial " << trial;
        EXPECT_LT(coverage_misses, 5) << "trial " << trial;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
