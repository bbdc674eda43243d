// Command bounds (stroke outlines included) and the clip-aware bounds of a recording.

#include "kernel/bounds/command_bounds.h"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/kernel/lowering/stroke_test_support.h"

namespace pavrix_svg_core {
namespace {

using stroke_test::stroke_path;

PaintCommand styled(const char* path, double width, LineCap cap, LineJoin join) {
    PaintCommand command = stroke_path(path, width);
    command.stroke.line_cap = cap;
    command.stroke.line_join = join;
    return command;
}

PaintCommand dashed(PaintCommand command, double length) {
    command.stroke.dash_array = {length, length};
    return command;
}

PaintCommand fill(const char* path) {
    PaintCommand command = stroke_path(path);
    command.kind = PaintCommandKind::fill;
    return command;
}

// A circle of radius 1 around the origin as four cubics.
constexpr const char* kCircle =
    "M 1 0 C 1 0.5522847498 0.5522847498 1 0 1 C -0.5522847498 1 -1 0.5522847498 -1 0 "
    "C -1 -0.5522847498 -0.5522847498 -1 0 -1 C 0.5522847498 -1 1 -0.5522847498 1 0 Z";

struct BoundsCase {
    const char* name;
    PaintCommand command;
    DoubleBox expected;
    double tolerance;
};

class CommandBounds : public testing::TestWithParam<BoundsCase> {};

TEST_P(CommandBounds, Box) {
    const BoundsCase& c = GetParam();
    ComplexityBudget budget;
    const DoubleBox box = command_bounds(c.command, budget);
    EXPECT_NEAR(box.xmin, c.expected.xmin, c.tolerance) << c.name;
    EXPECT_NEAR(box.ymin, c.expected.ymin, c.tolerance) << c.name;
    EXPECT_NEAR(box.xmax, c.expected.xmax, c.tolerance) << c.name;
    EXPECT_NEAR(box.ymax, c.expected.ymax, c.tolerance) << c.name;
}

// Turned by 30 degrees so that the device extremes fall between flattened vertices.
PaintCommand scaled(PaintCommand command, double factor) {
    const double c = factor * std::cos(M_PI / 6), s = factor * std::sin(M_PI / 6);
    command.matrix = {c, s, -s, c, 0, 0};
    return command;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandBounds,
    testing::Values(
        BoundsCase{"fill", fill("M 0 0 L 10 0 L 10 5 Z"), {0, 0, 10, 5}, 0},
        BoundsCase{"round_round", styled("M 0 0 L 10 0", 2, LineCap::round, LineJoin::round), {-1, -1, 11, 1}, 0},
        // A lone move_to paints nothing and must not stretch the box.
        BoundsCase{"round_round_lone_move",
                   styled("M 0 0 L 10 0 M 100 100", 2, LineCap::round, LineJoin::round),
                   {-1, -1, 11, 1},
                   0},
        BoundsCase{"butt_outline", styled("M 0 0 L 10 0", 2, LineCap::butt, LineJoin::miter), {0, -1, 10, 1}, 1e-6},
        BoundsCase{
            "square_outline", styled("M 0 0 L 10 0", 2, LineCap::square, LineJoin::miter), {-1, -1, 11, 1}, 1e-6},
        BoundsCase{"lone_move_outline",
                   styled("M -50 -50 M 0 0 L 10 0", 2, LineCap::butt, LineJoin::miter),
                   {0, -1, 10, 1},
                   1e-6},
        BoundsCase{"lone_move_outline_2",
                   styled("M 0 0 L 10 0 M 50 50", 2, LineCap::butt, LineJoin::miter),
                   {0, -1, 10, 1},
                   1e-6},
        // Dashes [0, 3] and [6, 9]: the gap at the end leaves the box short of the path.
        BoundsCase{"dashed", dashed(styled("M 0 0 L 10 0", 2, LineCap::butt, LineJoin::miter), 3), {0, -1, 9, 1}, 1e-9},
        // The tip where a curve meets a line at a right angle, on the curve's true tangent (1, 0):
        // h / sin(45 degrees) beyond the corner along the bisector.
        BoundsCase{"curve_corner_miter",
                   styled("M 0 0 C 5 0 5 0 10 0 L 10 10", 2, LineCap::butt, LineJoin::miter),
                   {0, -1, 11, 10},
                   1e-12}),
    [](const testing::TestParamInfo<BoundsCase>& info) { return std::string(info.param.name); });

// Tolerances are device measures: under a 1000x matrix the curve is still found to 1e-6 of its size.
// Reference: the exact extremes of the centre line (cubic roots solved), one device half width out.
TEST(CommandBoundsScaled, OutlineOfACurveUnderALargeMatrix) {
    const PaintCommand stroke = scaled(styled(kCircle, 0.002, LineCap::butt, LineJoin::miter), 1000);
    PaintCommand centre = stroke;
    centre.kind = PaintCommandKind::fill;
    ComplexityBudget budget;
    const DoubleBox exact = command_bounds(centre, budget);
    const DoubleBox box = command_bounds(stroke, budget);
    EXPECT_NEAR(box.xmin, exact.xmin - 1, 0.01);
    EXPECT_NEAR(box.ymin, exact.ymin - 1, 0.01);
    EXPECT_NEAR(box.xmax, exact.xmax + 1, 0.01);
    EXPECT_NEAR(box.ymax, exact.ymax + 1, 0.01);
}

TEST(CommandBounds, StrokesThatPaintNothingHaveNoBox) {
    PaintCommand zero_width = styled("M 0 0 L 10 0", 0, LineCap::square, LineJoin::miter);
    PaintCommand flattened = styled("M 0 0 L 10 0", 2, LineCap::round, LineJoin::round);
    flattened.matrix = {0, 0, 0, 0, 5, 5};
    ComplexityBudget budget;
    EXPECT_FALSE(box_valid(command_bounds(zero_width, budget)));
    EXPECT_FALSE(box_valid(command_bounds(flattened, budget)));
}

PaintCommand marker(PaintCommandKind kind) {
    PaintCommand command;
    command.kind = kind;
    return command;
}

TEST(ClipAwareBounds, ClipsNestAndEmptyClipsEmpty) {
    PaintCommand empty_clip = fill("M 0 0 L 1 0");  // collinear: no area
    empty_clip.kind = PaintCommandKind::clip_begin;
    PaintCommand clip = fill("M 0 0 L 50 0 L 50 50 L 0 50 Z");
    clip.kind = PaintCommandKind::clip_begin;
    const std::vector<PaintCommand> commands{
        clip,
        fill("M 25 25 L 100 25 L 100 100 Z"),
        empty_clip,
        fill("M 0 0 L 10 0 L 10 10 Z"),
        marker(PaintCommandKind::clip_end),
        marker(PaintCommandKind::clip_end),
        marker(PaintCommandKind::group_begin),
        styled("M 200 0 L 210 0", 2, LineCap::round, LineJoin::round),
        marker(PaintCommandKind::group_end),
    };
    ComplexityBudget budget;
    const ClipAwareBounds bounds = clip_aware_bounds(commands, budget);
    ASSERT_EQ(bounds.command_boxes.size(), 3u);
    EXPECT_EQ(bounds.command_boxes[0].xmax, 50);
    EXPECT_FALSE(box_non_empty(bounds.command_boxes[1]));
    EXPECT_EQ(bounds.command_boxes[2].xmax, 211);
    EXPECT_EQ(bounds.unclipped.xmin, 0);
    EXPECT_EQ(bounds.unclipped.xmax, 211);
    EXPECT_EQ(bounds.clipped.xmin, 25);
    EXPECT_EQ(bounds.min_side, 2);
}

}  // namespace
}  // namespace pavrix_svg_core
