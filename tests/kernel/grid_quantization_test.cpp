#include "kernel/grid_quantization.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Point64;

Point64 P(std::int64_t x, std::int64_t y) {
    return Point64(x, y);
}

ReplayParams unit_grid(ComplexityBudget* budget = nullptr) {
    ReplayParams params;
    params.scale = 1.0;
    params.grid_quantum = 1.0;
    params.budget = budget;
    return params;
}

struct RoundingCase {
    const char* why;
    double x;
    std::int64_t expected;
};

class GridRounding : public testing::TestWithParam<RoundingCase> {};

TEST_P(GridRounding, HalvesGoAwayFromZero) {
    const Point64 p = quantize_to_grid(PaintPoint{GetParam().x, 0.0}, kIdentityPaintMatrix, unit_grid());
    EXPECT_EQ(p.x, GetParam().expected) << GetParam().why;
}

INSTANTIATE_TEST_SUITE_P(Table, GridRounding,
                         testing::Values(RoundingCase{"positive half", 0.5, 1}, RoundingCase{"negative half", -0.5, -1},
                                         RoundingCase{"odd half", 2.5, 3}, RoundingCase{"negative odd half", -2.5, -3},
                                         RoundingCase{"just below a half", 0.49999999999999994, 0},
                                         RoundingCase{"the limit itself", 1e15, 1000000000000000},
                                         RoundingCase{"the negative limit", -1e15, -1000000000000000}));

struct RangeCase {
    const char* why;
    double x;
};

class GridRange : public testing::TestWithParam<RangeCase> {};

TEST_P(GridRange, OutOfRangeIsARangeError) {
    try {
        quantize_to_grid(PaintPoint{GetParam().x, 0.0}, kIdentityPaintMatrix, unit_grid());
        FAIL() << GetParam().why;
    } catch (const std::range_error& error) {
        EXPECT_STREQ(error.what(), "numeric_range_error");
    }
}

INSTANTIATE_TEST_SUITE_P(Table, GridRange,
                         testing::Values(RangeCase{"next double above the limit", std::nextafter(1e15, 2e15)},
                                         RangeCase{"far below", -1e300},
                                         RangeCase{"infinite", std::numeric_limits<double>::infinity()},
                                         RangeCase{"not a number", std::numeric_limits<double>::quiet_NaN()}));

TEST(GridQuantization, MatrixOriginScaleAndQuantumApplyInOrder) {
    ReplayParams params = unit_grid();
    params.origin_x = 10.0;
    params.origin_y = -5.0;
    params.scale = 2.0;                                       // mm per source unit
    params.grid_quantum = 0.5;                                // mm per grid unit
    const PaintMatrix matrix{0.0, 1.0, -1.0, 0.0, 3.0, 4.0};  // quarter turn, then translate
    const Point64 p = quantize_to_grid(PaintPoint{1.0, 2.0}, matrix, params);
    // (x', y') = (-2 + 3, 1 + 4) = (1, 5); ((1 - 10) * 2) / 0.5 = -36, ((5 + 5) * 2) / 0.5 = 40.
    EXPECT_EQ(p, Point64(-36, 40));
}

TEST(GridQuantization, MultipliesBeforeDividing) {
    ReplayParams params = unit_grid();
    params.scale = 0.3;
    params.grid_quantum = 0.1;
    // (2.5 * 0.3) / 0.1 is exactly 7.5 and rounds to 8; 2.5 * (0.3 / 0.1) is 7.4999... and would give 7.
    EXPECT_EQ(quantize_to_grid(PaintPoint{2.5, 0.0}, kIdentityPaintMatrix, params).x, 8);
    EXPECT_EQ(quantize_to_grid(PaintPoint{-2.5, 0.0}, kIdentityPaintMatrix, params).x, -8);
}

TEST(QuantizeRing, DropsRepeatsAndTheClosingPointAndChargesEveryInputPoint) {
    ComplexityBudget budget;
    const std::vector<PaintPoint> points{{0, 0}, {0.2, 0}, {4, 0}, {4, 3}, {0, 3}, {0.1, 0.1}};
    const Path64 ring = quantize_ring(unit_grid(&budget), points, kIdentityPaintMatrix);
    EXPECT_EQ(ring, (Path64{{0, 0}, {4, 0}, {4, 3}, {0, 3}}));
    EXPECT_EQ(budget.lowered_points, points.size());
}

TEST(QuantizeRing, RequiresABudget) {
    EXPECT_THROW(quantize_ring(unit_grid(), {{0, 0}}, kIdentityPaintMatrix), std::logic_error);
}

struct AreaCase {
    const char* why;
    Path64 ring;
    double area;
    bool zero;
};

class RingArea : public testing::TestWithParam<AreaCase> {};

TEST_P(RingArea, SignedAreaAndExactZeroTest) {
    const AreaCase& c = GetParam();
    if (!std::isnan(c.area)) {
        EXPECT_EQ(ring_area(c.ring), c.area) << c.why;
    }
    EXPECT_EQ(ring_area_is_zero(c.ring), c.zero) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, RingArea,
    testing::Values(AreaCase{"counter-clockwise square", {{0, 0}, {2, 0}, {2, 2}, {0, 2}}, 4.0, false},
                    AreaCase{"clockwise square", {{0, 0}, {0, 2}, {2, 2}, {2, 0}}, -4.0, false},
                    AreaCase{"two points", {{0, 0}, {5, 5}}, 0.0, true},
                    AreaCase{"figure eight cancels", {{0, 0}, {2, 2}, {2, 0}, {0, 2}}, 0.0, true},
                    // The double sum rounds to a non-zero value here; only the exact test sees the line.
                    AreaCase{"collinear at 1e12",
                             {P(0, 0), P(811096000002, 333020000008), P(405548000001, 166510000004)},
                             std::numeric_limits<double>::quiet_NaN(),
                             true},
                    AreaCase{"half a unit at 1e14",
                             {P(100000000000000, 0), P(100000000000001, 0), P(100000000000000, 1)},
                             std::numeric_limits<double>::quiet_NaN(),
                             false}));

TEST(RingArea, DoubleEstimateOfTheCollinearRingIsWrong) {
    // Documents why ring_area_is_zero exists: the estimate is millions of units off.
    const Path64 ring{P(0, 0), P(811096000002, 333020000008), P(405548000001, 166510000004)};
    EXPECT_NE(ring_area(ring), 0.0);
}

}  // namespace
}  // namespace pavrix_svg_core
