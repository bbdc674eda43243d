#include "kernel/bounds/path_bounds.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace pavrix_svg_core {
namespace {

PaintCommand command_of(PaintCommandKind kind, std::vector<PathVerb> verbs, std::vector<PaintPoint> points,
                        PaintMatrix matrix = kIdentityPaintMatrix) {
    PaintCommand command;
    command.kind = kind;
    command.path_verbs = std::move(verbs);
    command.path_points = std::move(points);
    command.matrix = matrix;
    return command;
}

using V = PathVerb;
constexpr auto kFill = PaintCommandKind::fill;
constexpr auto kStroke = PaintCommandKind::stroke;

struct BoundsCase {
    const char* why;
    PaintCommand command;
    DoubleBox expected;  // compared to 1e-12 relative
};

class ExactPathBounds : public ::testing::TestWithParam<BoundsCase> {};

TEST_P(ExactPathBounds, MatchesCurveExtremes) {
    const DoubleBox box = exact_path_bounds(GetParam().command);
    const DoubleBox& expected = GetParam().expected;
    const auto near = [](double got, double want) {
        return got == want || std::fabs(got - want) <= 1e-12 * std::fabs(want);
    };
    EXPECT_TRUE(near(box.xmin, expected.xmin) && near(box.ymin, expected.ymin) && near(box.xmax, expected.xmax) &&
                near(box.ymax, expected.ymax))
        << GetParam().why << ": " << box.xmin << " " << box.ymin << " " << box.xmax << " " << box.ymax;
}

const double kPeak = 2.0 / std::sqrt(5.0);  // max of the cubic with x control values 0, 1, 2, -2

INSTANTIATE_TEST_SUITE_P(
    Cases, ExactPathBounds,
    ::testing::Values(
        BoundsCase{"zero middle coefficient keeps both roots",
                   command_of(kStroke, {V::move_to, V::cubic_to}, {{0, 0}, {1, 0}, {2, 0}, {-2, 0}}),
                   {-2, 0, kPeak, 0}},
        BoundsCase{"huge control values stay in range",
                   command_of(kStroke, {V::move_to, V::cubic_to}, {{0, 0}, {1e200, 0}, {2e200, 0}, {-2e200, 0}}),
                   {-2e200, 0, kPeak * 1e200, 0}},
        BoundsCase{"bulge reaches the curve, not its control points",
                   command_of(kFill, {V::move_to, V::cubic_to, V::close}, {{0, 0}, {0, 10}, {10, 10}, {10, 0}}),
                   {0, 0, 10, 7.5}},
        BoundsCase{"collinear fill is empty",
                   command_of(kFill, {V::move_to, V::line_to, V::line_to, V::close}, {{0, 0}, {5, 0}, {10, 0}}),
                   DoubleBox{}},
        BoundsCase{"collinear stroke counts with zero height",
                   command_of(kStroke, {V::move_to, V::line_to, V::line_to}, {{0, 0}, {5, 0}, {10, 0}}),
                   {0, 0, 10, 0}},
        BoundsCase{"only the areal subpath of a fill counts",
                   command_of(kFill, {V::move_to, V::line_to, V::move_to, V::line_to, V::line_to, V::close},
                              {{-50, -50}, {50, 50}, {0, 0}, {2, 0}, {0, 3}}),
                   {0, 0, 2, 3}},
        BoundsCase{"matrix maps every point",
                   command_of(kFill, {V::move_to, V::line_to, V::line_to, V::close}, {{0, 0}, {1, 0}, {0, 1}},
                              {2, 0, 0, -3, 10, 20}),
                   {10, 17, 12, 20}},
        BoundsCase{"drawing after close restarts at the subpath start",
                   command_of(kStroke, {V::move_to, V::line_to, V::close, V::line_to}, {{1, 1}, {2, 1}, {1, 4}}),
                   {1, 1, 2, 4}},
        BoundsCase{"group commands have no bounds", command_of(PaintCommandKind::group_begin, {}, {}), DoubleBox{}}));

struct ViewportCase {
    const char* why;
    PaintBox viewport;
    DoubleBox expected;
};

class ViewportClip : public ::testing::TestWithParam<ViewportCase> {};

TEST_P(ViewportClip, ClampsOnlyToUsableViewports) {
    DoubleBox box{-5, -5, 50, 50};
    clip_box_to_viewport(box, GetParam().viewport);
    const DoubleBox& e = GetParam().expected;
    EXPECT_TRUE(box.xmin == e.xmin && box.ymin == e.ymin && box.xmax == e.xmax && box.ymax == e.ymax) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ViewportClip,
    ::testing::Values(ViewportCase{"zero width leaves the box", {0, 0, 0, 10}, {-5, -5, 50, 50}},
                      ViewportCase{"NaN height leaves the box", {0, 0, 10, std::nanf("")}, {-5, -5, 50, 50}},
                      ViewportCase{"clamps to the viewport", {0, 1, 10, 20}, {0, 1, 10, 21}},
                      ViewportCase{"far edge summed in single precision",
                                   {0.1f, 0, 0.2f, 1},
                                   {static_cast<double>(0.1f), 0, static_cast<double>(0.1f + 0.2f), 1}}));

TEST(ReplayOutputBounds, MapsValidRegionBoxesToSourceUnits) {
    std::vector<ReplayRegion> regions(3, init_replay_region());
    regions[0].bbox = IntBox{0, 0, 4, 8, true};
    regions[1].bbox = IntBox{-1000, -1000, 1000, 1000, false};  // invalid: ignored
    regions[2].bbox = IntBox{-4, 2, -2, 3, true};
    ReplayParams params;
    params.scale = 2.0;
    params.grid_quantum = 0.5;  // a grid unit is 0.25 source units
    params.origin_x = 10;
    params.origin_y = 20;
    const DoubleBox box = replay_output_bounds(regions, params);
    EXPECT_EQ(box.xmin, 9.0);
    EXPECT_EQ(box.ymin, 20.0);
    EXPECT_EQ(box.xmax, 11.0);
    EXPECT_EQ(box.ymax, 22.0);
    EXPECT_FALSE(box_valid(replay_output_bounds({regions[1]}, params)));
}

}  // namespace
}  // namespace pavrix_svg_core
