#include "kernel/bounds/packed_grid_bounds_index.h"

#include <algorithm>
#include <random>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

std::vector<IntBox> diagonal_boxes(std::int64_t count) {
    std::vector<IntBox> boxes;
    for (std::int64_t i = 0; i < count; ++i)
        boxes.push_back(IntBox{i * 10, 0, i * 10 + 5, 5, true});
    return boxes;
}

struct ShapeCase {
    std::int64_t items;
    std::size_t node_count;
    std::uint64_t left_size, right_size;  // of the root's children; 0 when the root is a leaf
};

class IndexShape : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(IndexShape, SplitsOnlyAboveSixteenItems) {
    const auto& c = GetParam();
    const PackedGridBoundsIndex index(diagonal_boxes(c.items));
    ASSERT_EQ(index.nodes.size(), c.node_count);
    if (c.node_count == 0)
        return;
    const PackedIndexNode& root = index.nodes[0];
    EXPECT_EQ(root.end - root.first, static_cast<std::uint64_t>(c.items));
    if (c.left_size == 0) {
        EXPECT_TRUE(root.leaf);
        return;
    }
    ASSERT_FALSE(root.leaf);
    const PackedIndexNode& left = index.nodes[root.left];
    const PackedIndexNode& right = index.nodes[root.right];
    EXPECT_EQ(left.end - left.first, c.left_size);
    EXPECT_EQ(right.end - right.first, c.right_size);
    EXPECT_TRUE(left.leaf && right.leaf);
    EXPECT_LE(left.box.xmax, right.box.xmin);  // split on the wide x axis
}

INSTANTIATE_TEST_SUITE_P(Cases, IndexShape,
                         ::testing::Values(ShapeCase{0, 0, 0, 0}, ShapeCase{1, 1, 0, 0}, ShapeCase{16, 1, 0, 0},
                                           ShapeCase{17, 3, 8, 9}));

TEST(PackedGridBoundsIndex, InvalidItemsAreNeitherReturnedNorCounted) {
    std::vector<IntBox> boxes = diagonal_boxes(5);
    boxes.insert(boxes.begin() + 2, IntBox{-100, -100, 100, 100, false});
    boxes.push_back(IntBox{0, 0, 1000, 1000, false});
    const PackedGridBoundsIndex index(boxes);
    ComplexityBudget budget;
    const auto found = index.query(IntBox{-1000, -1000, 1000, 1000, true}, budget);
    EXPECT_EQ(found, (std::vector<std::uint64_t>{0, 1, 3, 4, 5}));
    EXPECT_EQ(budget.bounds_index_visits, 5u);
}

TEST(PackedGridBoundsIndex, NoItemsAndInvalidQueriesFindNothing) {
    ComplexityBudget budget;
    EXPECT_TRUE(PackedGridBoundsIndex(std::vector<IntBox>{}).query(IntBox{0, 0, 1, 1, true}, budget).empty());
    EXPECT_TRUE(PackedGridBoundsIndex(diagonal_boxes(3)).query(IntBox{0, 0, 100, 100, false}, budget).empty());
    EXPECT_EQ(budget.bounds_index_visits, 0u);
}

TEST(PackedGridBoundsIndex, VisitsBeyondTheCapThrowAndKeepTheCounter) {
    const PackedGridBoundsIndex index(diagonal_boxes(16));
    ComplexityBudget budget;
    const std::uint64_t near_cap = kBudgetCaps[static_cast<unsigned>(BudgetCounter::bounds_index_visits)] - 3;
    budget.bounds_index_visits = near_cap;
    EXPECT_THROW(index.query(IntBox{0, 0, 1, 1, true}, budget), ComplexityLimitError);
    EXPECT_EQ(budget.bounds_index_visits, near_cap);
}

std::vector<IntBox> random_boxes(std::mt19937_64& random, int count, std::int64_t span, std::int64_t size) {
    std::uniform_int_distribution<std::int64_t> coordinate(-span, span), extent(0, size);
    std::vector<IntBox> boxes;
    for (int i = 0; i < count; ++i) {
        const std::int64_t x = coordinate(random), y = coordinate(random);
        boxes.push_back(IntBox{x, y, x + extent(random), y + extent(random), random() % 10 != 0});
    }
    return boxes;
}

TEST(PackedGridBoundsIndex, QueriesMatchBruteForce) {
    std::mt19937_64 random(7);
    const std::vector<IntBox> boxes = random_boxes(random, 3000, 1'000'000, 50'000);
    const PackedGridBoundsIndex index(boxes);
    for (const IntBox& query : random_boxes(random, 300, 1'000'000, 200'000)) {
        ComplexityBudget budget;
        std::vector<std::uint64_t> found = index.query(query, budget);
        std::sort(found.begin(), found.end());
        std::vector<std::uint64_t> expected;
        for (std::uint64_t i = 0; i < boxes.size(); ++i)
            if (int_boxes_overlap(boxes[i], query))
                expected.push_back(i);
        ASSERT_EQ(found, expected);
        EXPECT_GE(budget.bounds_index_visits, found.size());
    }
}

// The last sort over a leaf's range is its parent's; within it, equal keys must follow the item
// index, not whatever order earlier splits left behind.
TEST(PackedGridBoundsIndex, EqualKeysFollowItemIndexInEveryLeaf) {
    std::mt19937_64 random(11);
    const PackedGridBoundsIndex index(random_boxes(random, 2000, 3, 2));  // many equal keys
    for (const PackedIndexNode& parent : index.nodes) {
        if (parent.leaf)
            continue;
        const bool x_axis = static_cast<double>(parent.box.xmax) - static_cast<double>(parent.box.xmin) >=
                            static_cast<double>(parent.box.ymax) - static_cast<double>(parent.box.ymin);
        for (const std::uint64_t child : {parent.left, parent.right}) {
            const PackedIndexNode& leaf = index.nodes[child];
            if (!leaf.leaf)
                continue;
            for (std::uint64_t p = leaf.first + 1; p < leaf.end; ++p) {
                const IntBox& a = index.items[index.order[p - 1]];
                const IntBox& b = index.items[index.order[p]];
                const double ka = x_axis ? double(a.xmin) + double(a.xmax) : double(a.ymin) + double(a.ymax);
                const double kb = x_axis ? double(b.xmin) + double(b.xmax) : double(b.ymin) + double(b.ymax);
                ASSERT_TRUE(ka < kb || (ka == kb && index.order[p - 1] < index.order[p]));
            }
        }
    }
}

}  // namespace
}  // namespace pavrix_svg_core
