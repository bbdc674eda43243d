#include "kernel/cubic_flattening.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

namespace pavrix_svg_core {
namespace {

struct DistanceCase {
    const char* why;
    PaintPoint p, a, b;
    double expected;
};

class PointSegmentDistance : public testing::TestWithParam<DistanceCase> {};

TEST_P(PointSegmentDistance, Table) {
    const DistanceCase& c = GetParam();
    EXPECT_DOUBLE_EQ(point_segment_distance(c.p, c.a, c.b), c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Table, PointSegmentDistance,
                         testing::Values(DistanceCase{"degenerate segment", {3, 4}, {0, 0}, {0, 0}, 5.0},
                                         DistanceCase{"foot inside", {1, 2}, {0, 0}, {4, 0}, 2.0},
                                         DistanceCase{"before the start", {-3, 4}, {0, 0}, {4, 0}, 5.0},
                                         DistanceCase{"past the end", {7, -4}, {0, 0}, {4, 0}, 5.0},
                                         // The squared length underflows; the nearer end still bounds it.
                                         DistanceCase{"tiny segment", {0, 1}, {0, 0}, {1e-200, 0}, 1.0}));

using Cubic = std::array<PaintPoint, 4>;

PaintPoint cubic_at(const Cubic& c, double t) {
    const double u = 1.0 - t;
    const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
    return PaintPoint{w0 * c[0].x + w1 * c[1].x + w2 * c[2].x + w3 * c[3].x,
                      w0 * c[0].y + w1 * c[1].y + w2 * c[2].y + w3 * c[3].y};
}

// Largest distance from the exact curve (densely sampled) to the flattened polyline.
double deviation(const Cubic& c, const std::vector<PaintPoint>& polyline) {
    double worst = 0.0;
    for (int i = 0; i <= 4000; ++i) {
        const PaintPoint p = cubic_at(c, i / 4000.0);
        double nearest = INFINITY;
        PaintPoint previous = c[0];
        for (const PaintPoint& q : polyline) {
            nearest = std::min(nearest, point_segment_distance(p, previous, q));
            previous = q;
        }
        worst = std::max(worst, nearest);
    }
    return worst;
}

struct FlattenCase {
    const char* why;
    Cubic cubic;
    double tolerance;
};

class CubicFlattening : public testing::TestWithParam<FlattenCase> {};

TEST_P(CubicFlattening, StaysWithinToleranceOfTheCurve) {
    const FlattenCase& c = GetParam();
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    const double stretch = 3.0;
    subdivide_cubic(c.cubic[0], c.cubic[1], c.cubic[2], c.cubic[3], c.tolerance, stretch, 0, points, errors, budget);
    ASSERT_FALSE(points.empty());
    EXPECT_EQ(points.back(), c.cubic[3]) << c.why;
    EXPECT_EQ(errors.size(), points.size());
    EXPECT_EQ(budget.lowered_points, points.size());
    EXPECT_LE(deviation(c.cubic, points), c.tolerance) << c.why;
    for (double error : errors)
        EXPECT_LE(error, c.tolerance * stretch) << c.why;
}

constexpr double kArc = 0.5522847498307936;

INSTANTIATE_TEST_SUITE_P(
    Table, CubicFlattening,
    testing::Values(FlattenCase{"quarter circle, coarse", {{{1, 0}, {1, kArc}, {kArc, 1}, {0, 1}}}, 0.05},
                    FlattenCase{"quarter circle, fine", {{{1, 0}, {1, kArc}, {kArc, 1}, {0, 1}}}, 1e-6},
                    FlattenCase{"cusp", {{{0, 0}, {10, 10}, {0, 10}, {10, 0}}}, 1e-3},
                    FlattenCase{"loop", {{{0, 0}, {20, 10}, {-10, 10}, {10, 0}}}, 1e-2},
                    FlattenCase{"straight", {{{0, 0}, {1, 0}, {2, 0}, {3, 0}}}, 1e-12}));

TEST(CubicFlattening, ForcedVariantGivesAtLeastSixteenPieces) {
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    subdivide_cubic_forced({0, 0}, {1, 1}, {2, 1}, {3, 0}, 100.0, 1.0, 0, points, errors, budget);
    EXPECT_EQ(points.size(), 16u);
}

TEST(CubicFlattening, DeepSplittingEndsBeforeAllocating) {
    // A tolerance far below the curve's size would need ~2^40 pieces.
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    EXPECT_THROW(subdivide_cubic({0, 0}, {1e6, 1e6}, {2e6, -1e6}, {3e6, 0}, 1e-18, 1.0, 0, points, errors, budget),
                 ComplexityLimitError);
    EXPECT_TRUE(points.empty());
}

}  // namespace
}  // namespace pavrix_svg_core
