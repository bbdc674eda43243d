// Indexed path sets: when an index is built and what a near-box lookup hands back.

#include "kernel/bounds/indexed_path_set.h"

#include <gtest/gtest.h>

#include "tests/kernel/composite/composite_test_support.h"

namespace pavrix_svg_core {
namespace {

using namespace composite_test;

Paths64 row_of_squares(int count, std::int64_t y) {
    Paths64 squares;
    for (int i = 0; i < count; ++i)
        squares.push_back(rect(10 * i, y, 10 * i + 2, y + 2));
    return squares;
}

struct IndexCase {
    const char* why;
    int paths;
    bool indexed;
};

class SetIndexedPaths : public testing::TestWithParam<IndexCase> {};

TEST_P(SetIndexedPaths, IndexOnlyAboveSixteenPaths) {
    IndexedPathSet set;
    set_indexed_paths(set, row_of_squares(GetParam().paths, 0));
    EXPECT_EQ(set.index != nullptr, GetParam().indexed) << GetParam().why;
    EXPECT_TRUE(set.box.valid);
    EXPECT_EQ(set.box.xmax, 10 * (GetParam().paths - 1) + 2);
}

INSTANTIATE_TEST_SUITE_P(Cases, SetIndexedPaths,
                         testing::Values(IndexCase{"a linear scan is enough", 16, false},
                                         IndexCase{"first size that gets an index", 17, true}));

TEST(PathsNearBox, ReturnsOwnPathsWithoutIndexOrWhenAllMatch) {
    ComplexityBudget budget;
    Paths64 scratch;
    IndexedPathSet small;
    set_indexed_paths(small, row_of_squares(3, 0));
    EXPECT_EQ(&paths_near_box(small, IntBox{0, 0, 1, 1, true}, budget, scratch), &small.paths);
    IndexedPathSet large;
    set_indexed_paths(large, row_of_squares(20, 0));
    EXPECT_EQ(&paths_near_box(large, IntBox{-5, -5, 500, 5, true}, budget, scratch), &large.paths);
}

// Scratch buffers used to keep their old contents: a second lookup returned the first one's paths too.
TEST(PathsNearBox, ReusedScratchHoldsOnlyTheCurrentQuery) {
    ComplexityBudget budget;
    Paths64 scratch;
    IndexedPathSet set;
    set_indexed_paths(set, row_of_squares(20, 0));
    const IntBox first_box{0, 0, 2, 2, true}, second_box{100, 0, 115, 2, true};
    EXPECT_EQ(paths_near_box(set, first_box, budget, scratch), (Paths64{rect(0, 0, 2, 2)}));
    EXPECT_EQ(paths_near_box(set, second_box, budget, scratch), (Paths64{rect(100, 0, 102, 2), rect(110, 0, 112, 2)}));
}

}  // namespace
}  // namespace pavrix_svg_core
