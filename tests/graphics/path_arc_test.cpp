#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

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
    EXPECT_NEAR(end.x, ex, 1e-5);
    EXPECT_NEAR(end.y, ey, 1e-5);
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
        EXPECT_NEAR(lastPoint(p.get()).x, 0.0f, 1e-5);
        EXPECT_NEAR(lastPoint(p.get()).y, 10.0f, 1e-5);
    }
}

// The float steps of the endpoint-arc conversion written out once more, so that every control
// and end point can be compared bit for bit: the double-precision audit replays these floats.
std::vector<FloatPoint> referenceArc(float x0, float y0, float rx, float ry, float angle, bool large, bool sweep,
                                     float x, float y) {
    AffineMatrix m;
    matrix_init_rotate(&m, -angle);
    float x1p = 0, y1p = 0;
    matrix_map_point(&m, (x0 - x) / 2.0f, (y0 - y) / 2.0f, &x1p, &y1p);
    rx = std::fabs(rx);
    ry = std::fabs(ry);
    const float lambda = (y1p * y1p) / (ry * ry) + (x1p * x1p) / (rx * rx);
    if (lambda > 1.0f) {
        rx *= std::sqrt(lambda);
        ry *= std::sqrt(lambda);
    }
    matrix_init_scale(&m, 1.0f / rx, 1.0f / ry);
    matrix_rotate(&m, -angle);
    float a1 = 0, b1 = 0, a2 = 0, b2 = 0;
    matrix_map_point(&m, x0, y0, &a1, &b1);
    matrix_map_point(&m, x, y, &a2, &b2);
    float s2 = 1.0f / ((a2 - a1) * (a2 - a1) + (b2 - b1) * (b2 - b1)) - 0.25f;
    float s = std::sqrt(s2 < 0.0f ? 0.0f : s2);
    if (large == sweep)
        s = -s;
    const float xc = (a1 + a2) / 2.0f - s * (b2 - b1);
    const float yc = (b1 + b2) / 2.0f + s * (a2 - a1);
    const float th0 = std::atan2(b1 - yc, a1 - xc);
    float dth = std::atan2(b2 - yc, a2 - xc) - th0;
    if (dth < 0.0f && sweep)
        dth += 6.2831855f;
    else if (dth > 0.0f && !sweep)
        dth -= 6.2831855f;
    const int n = static_cast<int>(std::ceil(std::fabs(dth / 0.3926991f)));
    matrix_init_rotate(&m, angle);
    matrix_scale(&m, rx, ry);
    std::vector<FloatPoint> out;
    for (int i = 0; i < n; ++i) {
        const float al1 = th0 + static_cast<float>(i) * dth / static_cast<float>(n);
        const float al2 = th0 + static_cast<float>(i + 1) * dth / static_cast<float>(n);
        const float t = 1.3333334f * std::tan((al2 - al1) / 4.0f);
        FloatPoint q[3];
        q[2] = {std::cos(al2) + xc, std::sin(al2) + yc};
        q[1] = {q[2].x + std::sin(al2) * t, q[2].y - std::cos(al2) * t};
        q[0] = {std::cos(al1) - std::sin(al1) * t + xc, std::sin(al1) + std::cos(al1) * t + yc};
        matrix_map_points(&m, q, q, 3);
        out.insert(out.end(), q, q + 3);
    }
    return out;
}

struct ArcCase {
    float x0, y0, rx, ry, angle;
    bool large, sweep;
    float x, y;
};

class ArcPoints : public ::testing::TestWithParam<ArcCase> {};

TEST_P(ArcPoints, EveryPointIsTheMappedEllipsePoint) {
    const ArcCase& c = GetParam();
    PathHolder p;
    path_move_to(p.get(), c.x0, c.y0);
    path_arc_to(p.get(), c.rx, c.ry, c.angle, c.large, c.sweep, c.x, c.y);
    std::vector<FloatPoint> got;
    for (const auto& s : pavrix_test::segmentsOf(p.get()))
        if (s.command == PathCommand::cubic_to)
            got.insert(got.end(), s.points.begin(), s.points.end());
    const std::vector<FloatPoint> expected = referenceArc(c.x0, c.y0, c.rx, c.ry, c.angle, c.large, c.sweep, c.x, c.y);
    ASSERT_EQ(got.size(), expected.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].x, expected[i].x) << "point " << i;
        EXPECT_EQ(got[i].y, expected[i].y) << "point " << i;
    }
    // The last end is the ellipse point, which rounding keeps close to (x, y) but not on it.
    EXPECT_NEAR(got.back().x, c.x, 1e-4f * (1.0f + std::fabs(c.x)));
    EXPECT_NEAR(got.back().y, c.y, 1e-4f * (1.0f + std::fabs(c.y)));
}

INSTANTIATE_TEST_SUITE_P(Arcs, ArcPoints,
                         ::testing::Values(ArcCase{10, 0, 10, 10, 0, false, true, 0, 10},
                                           ArcCase{10, 0, 10, 10, 0, true, false, 0, 10},
                                           ArcCase{0, 0, 5, 5, 0, true, false, 10, 0},
                                           ArcCase{0, 0, 1, 1, 0, false, true, 10, 0},
                                           ArcCase{3, -7, 20, 8, 0.6f, false, false, 25, 14},
                                           ArcCase{-50, 20, -30, 12, -2.5f, true, true, 40, -33},
                                           ArcCase{100.5f, 0.25f, 3, 90, 1.2f, true, false, 101, 60}));

// Radii whose squares underflow give a NaN ratio; the radii are then used unscaled, as long as
// the centre arithmetic stays finite: here a half ellipse of width 2e-30 from (0, 0) to (0, 10).
TEST(PathArc, UnderflowingRadiusWithoutScaleStillDrawsTheArc) {
    PathHolder p;
    path_move_to(p.get(), 0, 0);
    path_arc_to(p.get(), 1e-30f, 5, 0, false, true, 0, 10);
    EXPECT_GE(p->num_curves, 8);
    EXPECT_TRUE(allPointsFinite(p.get()));
    for (const auto& s : pavrix_test::segmentsOf(p.get()))
        for (const FloatPoint& q : s.points)
            EXPECT_LE(std::fabs(q.x), 1e-29f);
    EXPECT_NEAR(lastPoint(p.get()).y, 10.0f, 1e-5);
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

TEST(PathArc, RandomArcsStayFiniteAndEndNearTheirEndPoint) {
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
        // Near half arcs the float centre is ill-conditioned and the end drifts by up to a few
        // hundredths at these radii.
        ASSERT_NEAR(end.x, x, 0.05);
        ASSERT_NEAR(end.y, y, 0.05);
        ASSERT_LE(p->num_curves, 17);
    }
}

}  // namespace
