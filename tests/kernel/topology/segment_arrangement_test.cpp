// Segment arrangement: contacts become shared vertices; flags describe what was found.

#include "kernel/topology/segment_arrangement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace pavrix_svg_core;
using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;

Path64 square(std::int64_t x0, std::int64_t y0, std::int64_t size) {
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

// Flags the arrangement reports; kGrouped: the two rings end in one routing group.
enum Flag : unsigned {
    kNoSplits = 1,
    kOffLine = 2,
    kSplitShared = 4,
    kShareTwo = 8,
    kRepeats = 16,
    kGrouped = 32,
};

struct ArrangementCase {
    std::string name;
    Paths64 rings;
    Paths64 expected;  // empty: not checked
    unsigned flags;
};

class ExtractArrangement : public ::testing::TestWithParam<ArrangementCase> {};

TEST_P(ExtractArrangement, RingsAndFlags) {
    const ArrangementCase& c = GetParam();
    RoutingGroups groups(c.rings.size());
    SegmentArrangement arrangement = build_arrangement(c.rings, &groups);
    const Paths64 rings = extract_arrangement(arrangement);
    ASSERT_EQ(rings.size(), c.rings.size());
    if (!c.expected.empty()) {
        EXPECT_EQ(rings, c.expected);
    }
    EXPECT_EQ(arrangement.no_splits, (c.flags & kNoSplits) != 0);
    EXPECT_EQ(arrangement.split_off_line, (c.flags & kOffLine) != 0);
    EXPECT_EQ(arrangement.split_vertex_shared, (c.flags & kSplitShared) != 0);
    EXPECT_EQ(arrangement.paths_share_two_vertices, (c.flags & kShareTwo) != 0);
    EXPECT_EQ(arrangement.vertex_repeats_in_path, (c.flags & kRepeats) != 0);
    if (c.rings.size() == 2) {
        EXPECT_EQ(groups.find(0) == groups.find(1), (c.flags & kGrouped) != 0);
    }
}

const Path64 kTwistedA{{0, 0}, {3, 1}, {0, 4}}, kTwistedB{{0, 1}, {3, 0}, {3, 4}};
const Path64 kFigureEight{{0, 0}, {4, 0}, {4, 4}, {0, 0}, {-4, 0}, {-4, -4}};

INSTANTIATE_TEST_SUITE_P(
    Cases, ExtractArrangement,
    ::testing::Values(
        ArrangementCase{"shared_corner_only",
                        {square(0, 0, 10), square(10, 10, 10)},
                        {square(0, 0, 10), square(10, 10, 10)},
                        kNoSplits | kGrouped},
        ArrangementCase{"integer_crossings_inserted_exactly",
                        {square(0, 0, 10), square(5, 5, 10)},
                        {{{0, 0}, {10, 0}, {10, 5}, {10, 10}, {5, 10}, {0, 10}},
                         {{5, 5}, {10, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 10}}},
                        kSplitShared | kShareTwo | kGrouped},
        ArrangementCase{
            "non_grid_crossing_rounded", {kTwistedA, kTwistedB}, {}, kOffLine | kSplitShared | kShareTwo | kGrouped},
        ArrangementCase{"vertex_inside_other_edge",
                        {square(0, 0, 10), {{10, 5}, {15, 0}, {15, 10}}},
                        {{{0, 0}, {10, 0}, {10, 5}, {10, 10}, {0, 10}}, {{10, 5}, {15, 0}, {15, 10}}},
                        kSplitShared | kGrouped},
        ArrangementCase{
            "collinear_overlap_splits_both",
            {square(0, 0, 10), {{5, 10}, {15, 10}, {15, 20}, {5, 20}}},
            {{{0, 0}, {10, 0}, {10, 10}, {5, 10}, {0, 10}}, {{5, 10}, {10, 10}, {15, 10}, {15, 20}, {5, 20}}},
            kSplitShared | kShareTwo | kGrouped},
        ArrangementCase{"coincident_ring_is_empty_and_kept",
                        {{{3, 3}, {3, 3}, {3, 3}}, square(0, 0, 10)},
                        {{}, square(0, 0, 10)},
                        kNoSplits},
        ArrangementCase{"ring_through_a_vertex_twice", {kFigureEight}, {kFigureEight}, kNoSplits | kRepeats}),
    [](const auto& info) { return info.param.name; });

TEST(UnionGroups, SmallerUnderLargerAndDirtyContact) {
    RoutingGroups groups(4);
    groups.contact[2] = true;
    union_groups(groups, 0, 1);  // equal sizes: 1 under 0
    EXPECT_EQ(groups.parent[1], 0u);
    union_groups(groups, 2, 0);  // 2 is smaller: under 0, contact inherited
    EXPECT_EQ(groups.find(2), 0u);
    EXPECT_TRUE(groups.contact[0]);
    EXPECT_TRUE(groups.dirty[0]);
    union_groups(groups, 1, 2);  // already one group
    EXPECT_EQ(groups.unions, 2u);
}

TEST(BuildArrangement, DoublePointsKeepCrossingsUnrounded) {
    const Clipper2Lib::PathsD rings{{{0, 0}, {3, 1}, {0, 4}}, {{0, 1}, {3, 0}, {3, 4}}};
    auto arrangement = build_arrangement(rings);
    const auto extracted = extract_arrangement(arrangement);
    ASSERT_EQ(extracted[0].size(), 6u);  // two crossings and one vertex on an edge
    EXPECT_EQ(extracted[0][1], Clipper2Lib::PointD(1.5, 0.5));
}

}  // namespace
