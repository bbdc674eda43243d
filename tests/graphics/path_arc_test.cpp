#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "graphics/vector_path.h"
#include "tests/graphics/path_test_support.h"

namespace {

using namespace pavrix_graphics;
using pavrix_test::countersConsistent;
using pavrix_test::describe;
using pavrix_test::PathHolder;

bool allPointsFinite(const VectorPath* p) {
    for (const auto& s : pavrix_test::segmentsOf(p))
        for (const FloatPoint& q : s.points)
            if (!std::isfinite(q.x) || !std::isfinite(q.y))
                return false;
    return true;
}

FloatPoint lastPoint(const VectorPath* p) {
    FloatPoint q{};
    path_get_current_point(p, &q.x, &q.y);
    return q;
}

TEST(PathArc, DegenerateArcsBecomeLines) {
    PathHolder zeroRadius;
    path_move_to(zeroRadius.get(), 0, 0);
    path_arc_to(zeroRadius.get(), 0, 5, 0, false, true, 10, 0);
    EXPECT_EQ(describe(zeroRadius.get()), "M0,0 L10,0");

    PathHolder samePoint;
    path_move_to(samePoint.get(), 3, 3);
    path_arc_to(samePoint.get(), 5, 5, 0, true, true, 3, 3);
    EXPECT_EQ(describe(samePoint.get()), "M3,3 L3,3");
}

TEST(PathArc, OneRadianSweepTakesThreeSegments) {
    const float r = 10.0f;
    PathHolder p;
    path_move_to(p.get(), r, 0);
    const float ex = r * std::cos(1.0f);
    const float ey = r * std::sin(1.0f);
    path_arc_to(p.get(), r, r, 0, false, true, ex, ey);
    EXPECT_EQ(p->num_curves, 3);
    const FloatPoint end = lastPoint(p.get());
    EXPECT_EQ(end.x, ex);
    EXPECT_EQ(end.y, ey);
    EXPECT_TRUE(countersConsistent(p.get()));
    // The middle of the arc lies on the circle.
    for (const auto& s : pavrix_test::segmentsOf(p.get())) {
        if (s.command == PathCommand::cubic_to) {
            EXPECT_NEAR(std::hypot(s.points[2].x, s.points[2].y), r, 1e-4);
        }
    }
}

TEST(PathArc, FlagsPickTheFourArcs) {
    struct Case {
        bool large, sweep;
        int curves;
    };
    // Quarter of a circle of radius 10 between (10, 0) and (0, 10): the small arcs span pi/2,
    // the large ones 3*pi/2; float rounding of the span may add one segment to the exact 4 or 12.
    for (const Case c : {Case{false, true, 4}, Case{false, false, 4}, Case{true, true, 12}, Case{true, false, 12}}) {
        PathHolder p;
        path_move_to(p.get(), 10, 0);
        path_arc_to(p.get(), 10, 10, 0, c.large, c.sweep, 0, 10);
        EXPECT_GE(p->num_curves, c.curves) << c.large << c.sweep;
        EXPECT_LE(p->num_curves, c.curves + 1) << c.large << c.sweep;
        EXPECT_EQ(lastPoint(p.get()).x, 0.0f);
        EXPECT_EQ(lastPoint(p.get()).y, 10.0f);
    }
}

TEST(PathArc, TooSmallRadiiAreScaledUp) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_arc_to(p.get(), 1, 1, 0, false, true, 10, 0);
    EXPECT_GE(p->num_curves, 8);  // a half circle of radius 5
    EXPECT_TRUE(allPointsFinite(p.get()));
    for (const auto& s : pavrix_test::segmentsOf(p.get())) {
        if (s.command == PathCommand::cubic_to) {
            EXPECT_NEAR(std::hypot(s.points[2].x - 5.0f, s.points[2].y), 5.0f, 1e-4);
        }
    }
}

TEST(PathArc, NonFiniteArithmeticFallsBackToALine) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float rx, ry, angle;
    };
    // Radii whose squares underflow or overflow, and a non-finite angle.
    for (const Case c : {Case{1e-30f, 1e-30f, 0}, Case{1e30f, 1e30f, 0}, Case{1e-30f, 5, 0.3f}, Case{5, 5, inf}}) {
        PathHolder p;
        path_move_to(p.get(), 0, 0);
        path_arc_to(p.get(), c.rx, c.ry, c.angle, false, true, 10, 5);
        EXPECT_EQ(describe(p.get()), "M0,0 L10,5") << c.rx << " " << c.angle;
    }
}

TEST(PathArc, RandomArcsEndExactlyAtTheirEndPoint) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> coord(-100, 100);
    std::uniform_real_distribution<float> radius(-60, 60);
    std::uniform_real_distribution<float> angle(-7, 7);
    std::bernoulli_distribution flag(0.5);
    for (int i = 0; i < 2000; ++i) {
        PathHolder p;
        path_move_to(p.get(), coord(rng), coord(rng));
        const float x = coord(rng), y = coord(rng);
        path_arc_to(p.get(), radius(rng), radius(rng), angle(rng), flag(rng), flag(rng), x, y);
        ASSERT_TRUE(allPointsFinite(p.get()));
        ASSERT_TRUE(countersConsistent(p.get()));
        const FloatPoint end = lastPoint(p.get());
        ASSERT_EQ(end.x, x);
        ASSERT_EQ(end.y, y);
        ASSERT_LE(p->num_curves, 17);
    }
}

}  // namespace
