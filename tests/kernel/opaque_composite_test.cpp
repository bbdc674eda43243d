// Opaque painter's compositing: visible parts, coverage, the cover-block counter, and a sampled
// reference over random stacks.

#include "kernel/opaque_composite.h"

#include <random>

#include <gtest/gtest.h>

#include "composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

OpaqueCompositeOutput composite(const std::vector<Paths64>& stack, ComplexityBudget& budget) {
    std::vector<ReplayRegion> regions;
    for (std::size_t i = 0; i < stack.size(); ++i)
        regions.push_back(region(stack[i], 0, 0, 0, 1, i));
    ReplayParams params;
    params.budget = &budget;
    return opaque_composite(regions, params);
}

struct OpaqueCase {
    const char* why;
    std::vector<Paths64> stack;
    std::vector<double> visible_areas;
    double coverage_area;
    bool clipper_difference;
};

class OpaqueComposite : public testing::TestWithParam<OpaqueCase> {};

TEST_P(OpaqueComposite, VisibleAreasAndCoverage) {
    const OpaqueCase& c = GetParam();
    ComplexityBudget budget;
    const OpaqueCompositeOutput out = composite(c.stack, budget);
    ASSERT_EQ(out.visible_paths.size(), c.visible_areas.size());
    for (std::size_t i = 0; i < c.visible_areas.size(); ++i) {
        EXPECT_DOUBLE_EQ(area(out.visible_paths[i]), c.visible_areas[i]) << c.why << " region " << i;
    }
    EXPECT_DOUBLE_EQ(area(out.coverage), c.coverage_area) << c.why;
    EXPECT_EQ(budget.clipper_input_points > 0, c.clipper_difference) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpaqueComposite,
    testing::Values(
        OpaqueCase{"later square cuts an L from the earlier",
                   {{rect(0, 0, 10, 10)}, {rect(5, 5, 15, 15)}},
                   {75, 100},
                   175,
                   true},
        OpaqueCase{"identical geometry: the earlier hides without Clipper2",
                   {{rect(0, 0, 10, 10)}, {rect(0, 0, 10, 10)}},
                   {0, 100},
                   100,
                   false},
        OpaqueCase{"boxes apart: no Difference", {{rect(0, 0, 10, 10)}, {rect(20, 0, 30, 10)}}, {100, 100}, 200, false},
        OpaqueCase{"wholly covered region is empty",
                   {{rect(2, 2, 4, 4)}, {rect(0, 0, 10, 10)}, {rect(20, 20, 22, 22)}},
                   {0, 100, 4},
                   104,
                   true}));

TEST(CoverBlocks, StackCountsLikeABinaryCounter) {
    for (const auto& [pushes, counts] :
         std::vector<std::pair<int, std::vector<std::uint64_t>>>{{8, {8}}, {7, {4, 2, 1}}, {1, {1}}}) {
        ComplexityBudget budget;
        std::vector<CoverBlock> stack;
        for (int i = 0; i < pushes; ++i)
            push_cover_block(stack, make_cover_block({rect(20 * i, 0, 20 * i + 10, 10)}), budget);
        std::vector<std::uint64_t> seen;
        for (const CoverBlock& block : stack)
            seen.push_back(block.region_count);
        EXPECT_EQ(seen, counts) << pushes << " pushes";
        EXPECT_EQ(stack.front().box.xmin, 0);
    }
}

TEST(OpaqueComposite, MissingBudgetIsRefused) {
    EXPECT_THROW(opaque_composite({}, ReplayParams{}), std::logic_error);
}

// Random rectangles and circles, each its own colour, against sampling in painter's order.
TEST(OpaqueComposite, MatchesSampledPainterOrder) {
    std::mt19937 random(7);
    for (int trial = 0; trial < 10; ++trial) {
        std::vector<Paths64> stack;
        for (int i = 0; i < 3 + trial * 3; ++i)
            stack.push_back(random_shape(random));
        ComplexityBudget budget;
        const OpaqueCompositeOutput out = composite(stack, budget);
        const auto colour_of = [&](std::size_t i) { return (i + 1.0) / stack.size(); };
        int coverage_misses = 0;
        const int bad_cells = count_bad_cells(10000, 400, [&](double x, double y, Pixel& expected, Pixel& actual) {
            for (std::size_t i = 0; i < stack.size(); ++i) {
                if (covers(stack[i], x, y))
                    expected.over(colour_of(i), 0, 0, 1);
                if (covers(out.visible_paths[i], x, y))
                    actual.add({colour_of(i), 0, 0, 1});  // overlaps add up
            }
            coverage_misses += covers(out.coverage, x, y) != (expected.a > 0);
        });
        EXPECT_EQ(bad_cells, 0) << "trial " << trial;
        EXPECT_LT(coverage_misses, 5) << "trial " << trial;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
