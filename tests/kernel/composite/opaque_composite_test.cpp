// Opaque painter's compositing: visible parts, coverage, the cover-block counter, and a sampled
// reference over random stacks.

#include "kernel/composite/opaque_composite.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

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

// Random stacks for the tiled compositor's contract, each kind stressing one way tiles can go wrong.
enum class StackKind { shapes, holes, outlines, repeats };

Paths64 ring_with_hole(const Path64& outer, const Path64& inner) {
    return Clipper2Lib::Difference(Paths64{outer}, Paths64{inner}, Clipper2Lib::FillRule::NonZero);
}

std::vector<Paths64> random_stack(StackKind kind, std::mt19937& random, int count) {
    std::vector<Paths64> stack;
    for (int i = 0; i < count; ++i) {
        const std::int64_t x = random() % 6000, y = random() % 6000, w = 300 + random() % 3000,
                           h = 300 + random() % 3000;
        switch (kind) {
        case StackKind::shapes:
            stack.push_back(random_shape(random));
            break;
        case StackKind::holes:
            stack.push_back(
                i % 2 ? ring_with_hole(circle(x + 1000, y + 1000, 900, 40), circle(x + 1100, y + 900, 300, 17))
                      : ring_with_hole(rect(x, y, x + w, y + h), rect(x + w / 4, y + h / 4, x + w / 2, y + h / 2)));
            break;
        case StackKind::outlines: {
            const std::int64_t width = 1 + i % 2;  // one or two grid units
            stack.push_back(
                ring_with_hole(rect(x, y, x + w, y + h), rect(x + width, y + width, x + w - width, y + h - width)));
            break;
        }
        case StackKind::repeats:
            // An earlier shape painted again, or a shape that a larger later one hides whole.
            if (i > 2 && i % 4 == 0)
                stack.push_back(stack[random() % stack.size()]);
            else if (i % 4 == 1)
                stack.push_back({rect(x, y, x + 200, y + 200)});
            else if (i % 4 == 2)
                stack.push_back({rect(x - 100 - random() % 100, y - 100, x + 400, y + 350)});
            else
                stack.push_back(random_shape(random));
            break;
        }
    }
    return stack;
}

// Offsets run on a grid 64 times finer, so that their own rounding stays far below a grid unit.
constexpr std::int64_t kFine = 64;

Paths64 fine(const Paths64& paths) {
    Paths64 out = paths;
    for (Path64& path : out) {
        for (auto& point : path)
            point = {point.x * kFine, point.y * kFine};
    }
    return out;
}

// No point of `paths` lies deeper than `depth` grid units inside them: at most a sliver. Where
// edges meet at a shallow angle, moving one by a fraction of a unit moves their crossing much
// farther along them, so differences are measured by width, not by distance (Hausdorff).
bool thin(const Paths64& paths, double depth) {
    using namespace Clipper2Lib;
    return InflatePaths(fine(paths), -depth * kFine, JoinType::Miter, EndType::Polygon).empty();
}

// The tiled compositor against an exact reference built here (every region minus the union of the
// later ones, one Clipper2 call each) and against the cover stack over the whole page: visible
// parts disjoint and inside their region, their union the coverage, each differing from the
// reference by slivers under one grid unit wide, hidden regions empty, identical for 1 to 16
// workers and from run to run.
TEST(OpaqueComposite, TilesKeepTheContract) {
    using namespace Clipper2Lib;
    constexpr double kGridUnit = 1.0;
    for (const StackKind kind : {StackKind::shapes, StackKind::holes, StackKind::outlines, StackKind::repeats}) {
        std::mt19937 random(11 + static_cast<int>(kind));
        for (int trial = 0; trial < 2; ++trial) {
            const std::string what =
                "kind " + std::to_string(static_cast<int>(kind)) + " trial " + std::to_string(trial);
            const std::vector<Paths64> stack = random_stack(kind, random, 40);
            std::vector<ReplayRegion> regions;
            std::vector<const Paths64*> items;
            for (std::size_t i = 0; i < stack.size(); ++i) {
                regions.push_back(region(stack[i], 0, 0, 0, 1, i));
                items.push_back(&stack[i]);
            }
            std::vector<OpaqueCompositeOutput> runs;
            for (const std::uint64_t workers : {1, 1, 3, 16}) {
                ComplexityBudget budget;
                ReplayParams params;
                params.budget = &budget;
                params.environment.replay_threads = workers;
                runs.push_back(opaque_composite(regions, params, 16));  // tiles of at most 16 points
            }
            const OpaqueCompositeOutput& out = runs.front();
            EXPECT_EQ(out.displacement, 1u) << what;
            for (const OpaqueCompositeOutput& other : runs) {
                EXPECT_EQ(other.visible_paths, out.visible_paths) << what;
                EXPECT_EQ(other.coverage, out.coverage) << what;
            }
            ComplexityBudget budget;
            const OpaqueCompositeOutput whole = composite_cover_stack(items, budget);

            Paths64 later;
            Paths64 all_visible;
            for (std::size_t i = stack.size(); i-- > 0;) {
                const Paths64 exact = Difference(stack[i], later, FillRule::NonZero);
                EXPECT_TRUE(thin(Xor(out.visible_paths[i], exact, FillRule::NonZero), kGridUnit))
                    << what << " region " << i;
                EXPECT_TRUE(thin(Xor(out.visible_paths[i], whole.visible_paths[i], FillRule::NonZero), kGridUnit))
                    << what << " region " << i;
                EXPECT_TRUE(thin(Difference(out.visible_paths[i], stack[i], FillRule::NonZero), kGridUnit)) << what;
                for (std::size_t j = i + 1; j < stack.size(); ++j) {
                    EXPECT_TRUE(
                        thin(Intersect(out.visible_paths[i], out.visible_paths[j], FillRule::NonZero), kGridUnit))
                        << what << " regions " << i << ", " << j;
                }
                if (exact.empty()) {
                    EXPECT_TRUE(out.visible_paths[i].empty()) << what << " hidden region " << i;
                }
                later = Union(later, stack[i], FillRule::NonZero);
                all_visible.insert(all_visible.end(), out.visible_paths[i].begin(), out.visible_paths[i].end());
            }
            EXPECT_TRUE(thin(Xor(Union(all_visible, FillRule::NonZero), out.coverage, FillRule::NonZero), kGridUnit))
                << what;
            EXPECT_TRUE(thin(Xor(out.coverage, later, FillRule::NonZero), kGridUnit)) << what;
        }
    }
}

}  // namespace
}  // namespace pavrix_svg_core
