#include "kernel/lowering/cubic_flattening.h"

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
void PrintTo(const DistanceCase& c, std::ostream* os) {
    *os << c.why;
}

class PointSegmentDistance : public testing::TestWithParam<DistanceCase> {};

TEST_P(PointSegmentDistance, Table) {
    const DistanceCase& c = GetParam();
    EXPECT_DOUBLE_EQ(point_segment_distance(c.p, c.a, c.b), c.expected) << c.why;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, PointSegmentDistance,
                         testing::Values(DistanceCase{"degenerate segment", {3, 4}, {0, 0}, {0, 0}, 5.0},
                                         DistanceCase{"foot inside", {1, 2}, {0, 0}, {4, 0}, 2.0},
                                         DistanceCase{"before the start", {-3, 4}, {0, 0}, {4, 0}, 5.0},
                                         DistanceCase{"past the end", {7, -4}, {0, 0}, {4, 0}, 5.0},
                                         // The squared length underflows; the nearer end still bounds it.
                                         DistanceCase{"tiny segment", {0, 1}, {0, 0}, {1e-200, 0}, 1.0}));
// clang-format on

using Cubic = std::array<PaintPoint, 4>;

struct FlattenCase {
    const char* why;
    Cubic cubic;
    double tolerance;
};
void PrintTo(const FlattenCase& c, std::ostream* os) {
    *os << c.why;
}

class CubicFlattening : public testing::TestWithParam<FlattenCase> {};

// Every point of the exact curve (densely sampled) lies within the tolerance of the polyline.
TEST_P(CubicFlattening, StaysWithinToleranceOfTheCurve) {
    const auto& [why, c, tolerance] = GetParam();
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    subdivide_cubic(c[0], c[1], c[2], c[3], tolerance, 3.0, 0, points, errors, budget);
    ASSERT_EQ(errors.size(), points.size());
    EXPECT_EQ(points.back(), c[3]) << why;
    EXPECT_EQ(budget.lowered_points, points.size());
    for (double error : errors)
        EXPECT_LE(error, tolerance * 3.0) << why;
    for (int i = 0; i <= 2000; ++i) {
        const double t = i / 2000.0, u = 1 - t;
        const double w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
        const PaintPoint p{w[0] * c[0].x + w[1] * c[1].x + w[2] * c[2].x + w[3] * c[3].x,
                           w[0] * c[0].y + w[1] * c[1].y + w[2] * c[2].y + w[3] * c[3].y};
        double nearest = point_segment_distance(p, c[0], points[0]);
        for (std::size_t k = 1; k < points.size(); ++k) {
            nearest = std::min(nearest, point_segment_distance(p, points[k - 1], points[k]));
        }
        ASSERT_LE(nearest, tolerance + 1e-12) << why << " at t = " << t;
    }
}

constexpr double kArc = 0.5522847498307936;

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, CubicFlattening,
    testing::Values(FlattenCase{"quarter circle, coarse", {{{1, 0}, {1, kArc}, {kArc, 1}, {0, 1}}}, 0.05},
                    FlattenCase{"quarter circle, fine", {{{1, 0}, {1, kArc}, {kArc, 1}, {0, 1}}}, 1e-6},
                    FlattenCase{"cusp", {{{0, 0}, {10, 10}, {0, 10}, {10, 0}}}, 1e-3},
                    FlattenCase{"loop", {{{0, 0}, {20, 10}, {-10, 10}, {10, 0}}}, 1e-2}));
// clang-format on

TEST(CubicFlattening, ForcedVariantGivesSixteenPiecesEvenWhenFlat) {
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    subdivide_cubic_forced({0, 0}, {1, 1}, {2, 1}, {3, 0}, 100.0, 1.0, 0, points, errors, budget);
    EXPECT_EQ(points.size(), 16u);
}

TEST(CubicFlattening, DeepSplittingEndsBeforeAllocating) {
    // A tolerance far below the curve's size would need about 2^40 pieces.
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    std::vector<double> errors;
    EXPECT_THROW(subdivide_cubic({0, 0}, {1e6, 1e6}, {2e6, -1e6}, {3e6, 0}, 1e-18, 1.0, 0, points, errors, budget),
                 ComplexityLimitError);
    EXPECT_TRUE(points.empty());
}

}  // namespace
}  // namespace pavrix_svg_core
