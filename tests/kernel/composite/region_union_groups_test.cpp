// Grouped union and overlap split: only touching clusters reach Clipper2, and the coverage is kept.

#include "kernel/composite/region_union_groups.h"

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

struct UnionCase {
    const char* why;
    Paths64 a;
    Paths64 b;
    double area;
    bool clipper_runs;
};

class UnionOverlappingGroups : public testing::TestWithParam<UnionCase> {};

TEST_P(UnionOverlappingGroups, CoversBothAndRunsClipperOnlyOnContact) {
    const UnionCase& c = GetParam();
    ComplexityBudget budget;
    const Paths64 merged = union_overlapping_groups(c.a, c.b, budget);
    EXPECT_DOUBLE_EQ(area(merged), c.area) << c.why;
    EXPECT_EQ(budget.clipper_input_points > 0, c.clipper_runs) << c.why;
    if (!c.clipper_runs) {
        Paths64 joined = c.a;
        joined.insert(joined.end(), c.b.begin(), c.b.end());
        EXPECT_EQ(merged, joined) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnionOverlappingGroups,
    testing::Values(
        UnionCase{"disjoint sets pass through as a then b", {rect(0, 0, 4, 4)}, {rect(10, 0, 14, 4)}, 32, false},
        UnionCase{"empty a gives b", {}, {rect(0, 0, 4, 4)}, 16, false},
        UnionCase{"overlap merges", {rect(0, 0, 4, 4)}, {rect(2, 2, 6, 6)}, 28, true},
        UnionCase{"hole of a stays open where b does not reach",
                  {rect(0, 0, 10, 10), Path64{{2, 2}, {2, 4}, {4, 4}, {4, 2}}},
                  {rect(8, 8, 12, 12)},
                  100 - 4 + 12,
                  true}));

TEST(UnionOverlappingGroups, LonePathIsNotReoriented) {
    ComplexityBudget budget;
    const Path64 clockwise{{20, 0}, {20, 4}, {24, 4}, {24, 0}};
    const Paths64 merged = union_overlapping_groups({rect(0, 0, 4, 4), clockwise}, {rect(2, 2, 6, 6)}, budget);
    ASSERT_EQ(merged.size(), 2u);
    EXPECT_EQ(merged[1], clockwise);
}

TEST(SplitOverlapGroups, GroupsByBoxContactInFirstAppearanceOrder) {
    ComplexityBudget budget;
    const Path64 hole{{4, 4}, {4, 6}, {6, 6}, {6, 4}};
    const auto groups =
        split_overlap_groups({rect(0, 0, 10, 10), rect(50, 0, 60, 10), hole, rect(10, 10, 12, 12)}, budget);
    ASSERT_EQ(groups.size(), 2u);
    EXPECT_EQ(groups[0], (Paths64{rect(0, 0, 10, 10), hole, rect(10, 10, 12, 12)}));  // corner contact joins
    EXPECT_EQ(groups[1], (Paths64{rect(50, 0, 60, 10)}));
    EXPECT_TRUE(split_overlap_groups({}, budget).empty());
}

}  // namespace
}  // namespace pavrix_svg_core
