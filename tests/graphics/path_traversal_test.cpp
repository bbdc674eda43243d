#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "graphics/vector_path.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_graphics;
using pavrix_test::describe;
using pavrix_test::PathHolder;
using pavrix_test::Segment;

std::vector<Segment> flattened(const VectorPath* p) {
    std::vector<Segment> out;
    path_traverse_flatten(
        p,
        [](void* closure, PathCommand command, const FloatPoint* points, int n) {
            static_cast<std::vector<Segment>*>(closure)->push_back(
                {command, std::vector<FloatPoint>(points, points + n)});
        },
        &out);
    return out;
}

TEST(PathExtents, EmptyPath) {
    PathHolder p;
    FloatRect r{9, 9, 9, 9};
    EXPECT_EQ(path_extents(p.get(), &r, false), 0.0f);
    EXPECT_EQ(r.x, 0.0f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.w, 0.0f);
    EXPECT_EQ(r.h, 0.0f);
}

TEST(PathExtents, RectangleBoxAndPerimeter) {
    PathHolder p;
    path_add_rect(p.get(), 1, 2, 3, 4);
    path_move_to(p.get(), -5, 0);  // a move widens the box but adds no length
    FloatRect r{};
    EXPECT_EQ(path_extents(p.get(), &r, false), 14.0f);
    EXPECT_EQ(r.x, -5.0f);
    EXPECT_EQ(r.y, 0.0f);
    EXPECT_EQ(r.w, 9.0f);
    EXPECT_EQ(r.h, 6.0f);
    EXPECT_EQ(path_extents(p.get(), nullptr, true), 14.0f);
}

TEST(PathExtents, TightBoxFollowsTheCurve) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_cubic_to(p.get(), 0, 10, 10, 10, 10, 0);
    FloatRect loose{}, tight{};
    const float controlLength = path_extents(p.get(), &loose, false);
    const float curveLength = path_extents(p.get(), &tight, true);
    EXPECT_EQ(loose.h, 10.0f);
    EXPECT_NEAR(tight.h, 7.5f, 0.1f);  // the curve peaks at 3/4 of the control height
    EXPECT_EQ(controlLength, 30.0f);
    EXPECT_LT(curveLength, controlLength);
    EXPECT_GT(curveLength, 14.0f);
}

TEST(PathFlatten, PlainPathsPassThrough) {
    PathHolder p;
    path_add_rect(p.get(), 0, 0, 2, 2);
    const auto segments = flattened(p.get());
    ASSERT_EQ(segments.size(), 6u);
    EXPECT_EQ(segments.back().command, PathCommand::close);
}

TEST(PathFlatten, CubicsBecomeLinesEndingAtTheEndPoint) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_cubic_to(p.get(), 0, 100, 100, 100, 100, 0);
    path_close(p.get());
    const auto segments = flattened(p.get());
    ASSERT_GT(segments.size(), 4u);
    EXPECT_EQ(segments.front().command, PathCommand::move_to);
    EXPECT_EQ(segments.back().command, PathCommand::close);
    for (std::size_t i = 1; i + 1 < segments.size(); ++i)
        EXPECT_EQ(segments[i].command, PathCommand::line_to);
    const FloatPoint end = segments[segments.size() - 2].points[0];
    EXPECT_EQ(end.x, 100.0f);
    EXPECT_EQ(end.y, 0.0f);
}

TEST(PathFlatten, NonFiniteCubicIsOneLine) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_cubic_to(p.get(), nan, 1, 2, 2, 3, 3);
    path_cubic_to(p.get(), inf, 1, 2, 2, 4, 4);
    const auto segments = flattened(p.get());
    ASSERT_EQ(segments.size(), 3u);
    EXPECT_EQ(segments[1].points[0].x, 3.0f);
    EXPECT_EQ(segments[2].points[0].x, 4.0f);
}

TEST(PathFlatten, HugeCubicStopsAtTheStackDepth) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_cubic_to(p.get(), 0, 1e4f, 1e4f, 1e4f, 1e4f, 0);
    const auto segments = flattened(p.get());
    EXPECT_GT(segments.size(), 10u);
    EXPECT_LT(segments.size(), 100000u);
}

TEST(PathTraverse, SkipsUnknownCommandsByLength) {
    PathHolder p;
    path_move_to(p.get(), 1, 1);
    FloatPoint* slots = path_add_command(p.get(), static_cast<PathCommand>(7), 2);
    ASSERT_NE(slots, nullptr);
    slots[0] = {5, 5};
    slots[1] = {6, 6};
    path_line_to(p.get(), 2, 2);
    EXPECT_EQ(describe(p.get()), "M1,1 L2,2");
}

}  // namespace
