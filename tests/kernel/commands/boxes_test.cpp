#include "kernel/commands/boxes.h"

#include <limits>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

struct BoxCase {
    const char* why;
    DoubleBox box;
    bool non_empty;
    bool valid;
};

class BoxKinds : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxKinds, NonEmptyNeedsAreaValidNeedsFiniteOrder) {
    EXPECT_EQ(box_non_empty(GetParam().box), GetParam().non_empty) << GetParam().why;
    EXPECT_EQ(box_valid(GetParam().box), GetParam().valid) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Cases, BoxKinds,
                         ::testing::Values(BoxCase{"empty box", DoubleBox{}, false, false},
                                           BoxCase{"unit box", {0, 0, 1, 1}, true, true},
                                           BoxCase{"zero height", {0, 0, 1, 0}, false, true},
                                           BoxCase{"a point", {2, 2, 2, 2}, false, true},
                                           BoxCase{"infinite far edge", {0, 0, kInf, 1}, true, false},
                                           BoxCase{"NaN edge", {0, 0, std::nan(""), 1}, false, false},
                                           BoxCase{"inverted", {1, 1, 0, 0}, false, false}));

TEST(Boxes, IncludeSkipsBoxesWithoutArea) {
    DoubleBox box;
    include_box(box, DoubleBox{0, 0, 10, 0});  // zero height
    EXPECT_FALSE(box_valid(box));
    include_box(box, DoubleBox{0, 0, 1, 1});
    include_box(box, DoubleBox{-5, 2, -4, 3});
    EXPECT_TRUE(box.xmin == -5 && box.ymin == 0 && box.xmax == 1 && box.ymax == 3);
}

TEST(Boxes, IntersectionThatOnlyTouchesIsEmpty) {
    const DoubleBox overlap = intersect_boxes({0, 0, 2, 2}, {1, 1, 3, 3});
    EXPECT_TRUE(overlap.xmin == 1 && overlap.ymin == 1 && overlap.xmax == 2 && overlap.ymax == 2);
    EXPECT_FALSE(box_valid(intersect_boxes({0, 0, 1, 1}, {1, 0, 2, 1})));
    EXPECT_FALSE(box_valid(intersect_boxes(DoubleBox{}, {0, 0, 1, 1})));
}

TEST(Boxes, IntegerBoxesPerPathAndOverall) {
    const Clipper2Lib::Paths64 paths{{{3, 4}, {-1, 9}}, {}, {{7, -2}}};
    const IntBox all = box_paths_bounds(paths);
    EXPECT_TRUE(all.valid && all.xmin == -1 && all.ymin == -2 && all.xmax == 7 && all.ymax == 9);
    const auto each = per_path_bounds(paths);
    ASSERT_EQ(each.size(), 3u);
    EXPECT_TRUE(each[0].valid && each[0].xmin == -1 && each[0].ymax == 9);
    EXPECT_FALSE(each[1].valid);
    EXPECT_TRUE(each[2].valid && each[2].xmin == 7 && each[2].xmax == 7);
    EXPECT_FALSE(box_paths_bounds({}).valid);
}

TEST(Boxes, IntegerOverlapIsInclusiveAndNeedsValidBoxes) {
    EXPECT_TRUE(int_boxes_overlap({0, 0, 1, 1, true}, {1, 1, 2, 2, true}));
    EXPECT_FALSE(int_boxes_overlap({0, 0, 1, 1, true}, {2, 0, 3, 1, true}));
    EXPECT_FALSE(int_boxes_overlap({0, 0, 1, 1, false}, {0, 0, 1, 1, true}));
}

}  // namespace
}  // namespace pavrix_svg_core
