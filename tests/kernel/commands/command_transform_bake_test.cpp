#include "kernel/commands/command_transform_bake.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "tests/kernel/commands/polyline_command_support.h"

#include "kernel/common/kernel_errors.h"

namespace pavrix_svg_core {
namespace {

using test_support::polyline;

TEST(BakeTransform, MovesMatrixIntoPointsAndErrors) {
    PaintCommand command = polyline(PaintCommandKind::stroke, {{1, 2}, {3, 4}});
    command.matrix = {2, 0, 0, 3, 10, 20};
    command.non_scaling_stroke = true;
    command.path_lowering_precision_error = 0.5;
    command.transform_operation_count = 2;
    const PaintCommand baked = bake_command_transform(command);
    EXPECT_EQ(baked.path_points, (std::vector<PaintPoint>{{12, 26}, {16, 32}}));
    EXPECT_EQ(baked.matrix, kIdentityPaintMatrix);
    EXPECT_FALSE(baked.non_scaling_stroke);
    EXPECT_TRUE(baked.transform_coordinates_exact);
    EXPECT_FALSE(baked.path_coordinates_exact);  // float envelopes moved into the point error
    EXPECT_GT(baked.path_input_precision_error_x, 0.0);
    EXPECT_DOUBLE_EQ(baked.path_lowering_precision_error, 1.5);
    EXPECT_EQ(baked.stroke.width, command.stroke.width);
}

TEST(BakeTransform, PointsThrownOutOfRangeAreARangeError) {
    PaintCommand command = polyline(PaintCommandKind::stroke, {{1e300, 0}, {0, 0}});
    command.matrix = {1e10, 0, 0, 1, 0, 0};
    EXPECT_THROW(bake_command_transform(command), std::range_error);
}

}  // namespace
}  // namespace pavrix_svg_core
