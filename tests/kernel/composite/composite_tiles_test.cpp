// Cutting tiles: where crossings land, that both sides share them, and when an item covers a tile.

#include "kernel/composite/composite_tiles.h"

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

struct CutCase {
    const char* why;
    Paths64 paths;
    bool vertical;
    std::int64_t at;
    Paths64 low;
    Paths64 high;
};

class CutItem : public testing::TestWithParam<CutCase> {};

TEST_P(CutItem, PiecesOnBothSides) {
    const CutCase& c = GetParam();
    const TileItem whole = whole_region_item(0, c.paths);
    TileItem low, high;
    cut_item_at_line(whole, c.paths, c.vertical, c.at, low, high);
    EXPECT_EQ(low.paths, c.low) << c.why;
    EXPECT_EQ(high.paths, c.high) << c.why;
    // Cut again beside the first cut: crossings still come from the region's own edges.
    TileItem again_low, again_high;
    cut_item_at_line(high, c.paths, !c.vertical, 3, again_low, again_high);
    for (const TileItem& piece : {again_low, again_high}) {
        for (std::size_t r = 0; r < piece.paths.size(); ++r)
            EXPECT_EQ(piece.paths[r].size(), piece.edge_sources[r].size()) << c.why;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CutItem,
    testing::Values(
        CutCase{"square halved",
                {rect(0, 0, 10, 10)},
                true,
                5,
                {{{0, 0}, {5, 0}, {5, 10}, {0, 10}}},
                {{{5, 0}, {10, 0}, {10, 10}, {5, 10}}}},
        // The slanted edge (0,0)-(10,5) meets x = 3 at y = 1.5: rounded half away from zero to 2,
        // and the same point on both sides whichever way the ring runs.
        CutCase{"slanted edge rounds once",
                {{{0, 0}, {10, 5}, {0, 10}}},
                true,
                3,
                {{{0, 0}, {3, 2}, {3, 9}, {0, 10}}},
                {{{3, 2}, {10, 5}, {3, 9}}}},
        CutCase{"ring on one side passes whole", {rect(0, 0, 4, 4)}, false, 4, {rect(0, 0, 4, 4)}, {}},
        CutCase{"a ring touching the cut leaves no sliver", {rect(0, 0, 4, 4)}, true, 0, {}, {rect(0, 0, 4, 4)}}));

TEST(CoverRect, OneRingOfTheTilesArea) {
    const IntBox tile{0, 0, 10, 10, true};
    const Path64 inner = {{2, 2}, {2, 4}, {4, 4}, {4, 2}};  // a hole: clockwise
    const Path64 whole_hole = {{0, 0}, {0, 10}, {10, 10}, {10, 0}};
    EXPECT_TRUE(paths_cover_rect({rect(0, 0, 10, 10)}, tile));
    EXPECT_FALSE(paths_cover_rect({rect(0, 0, 10, 10), inner}, tile)) << "a hole inside";
    EXPECT_FALSE(paths_cover_rect({rect(0, 0, 10, 10), whole_hole}, tile)) << "inside a hole that surrounds the tile";
    EXPECT_FALSE(paths_cover_rect({rect(0, 0, 5, 10), rect(5, 0, 10, 10)}, tile)) << "two halves stay two items' worth";
    EXPECT_FALSE(paths_cover_rect({rect(0, 0, 10, 9)}, tile));
}

TEST(CoverRect, HiddenItemsLeaveTheTile) {
    CompositeTile tile{{0, 0, 10, 10, true}, {}};
    for (std::size_t r = 0; r < 4; ++r)
        tile.items.push_back(whole_region_item(r, {r == 2 ? rect(0, 0, 10, 10) : rect(1, 1, 3, 3)}));
    drop_hidden_items(tile);
    ASSERT_EQ(tile.items.size(), 2u);
    EXPECT_EQ(tile.items.front().region, 2u);
}

}  // namespace
}  // namespace pavrix_svg_core
