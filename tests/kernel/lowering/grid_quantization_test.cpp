#include "kernel/lowering/grid_quantization.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Point64;

Point64 P(std::int64_t x, std::int64_t y) {
    return Point64(x, y);
}

ReplayParams grid(double scale = 1.0, double quantum = 1.0, ComplexityBudget* budget = nullptr) {
    ReplayParams params;
    params.scale = scale;
    params.grid_quantum = quantum;
    params.budget = budget;
    return params;
}

struct RoundingCase {
    const char* why;
    double x, scale, quantum;
    std::optional<std::int64_t> expected;  // nullopt: "numeric_range_error"
};
void PrintTo(const RoundingCase& c, std::ostream* os) {
    *os << c.why;
}

class GridRounding : public testing::TestWithParam<RoundingCase> {};

TEST_P(GridRounding, Table) {
    const RoundingCase& c = GetParam();
    const ReplayParams params = grid(c.scale, c.quantum);
    if (c.expected) {
        EXPECT_EQ(quantize_to_grid({c.x, 0.0}, kIdentityPaintMatrix, params).x, *c.expected) << c.why;
        return;
    }
    try {
        quantize_to_grid({c.x, 0.0}, kIdentityPaintMatrix, params);
        ADD_FAILURE() << c.why;
    } catch (const std::range_error& error) {
        EXPECT_STREQ(error.what(), "numeric_range_error") << c.why;
    }
}

constexpr double kInf = std::numeric_limits<double>::infinity();

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, GridRounding,
    testing::Values(RoundingCase{"half", 0.5, 1, 1, 1}, RoundingCase{"negative half", -2.5, 1, 1, -3},
                    RoundingCase{"below a half", 0.49999999999999994, 1, 1, 0},
                    // (2.5 * 0.3) / 0.1 is 7.5 exactly; 2.5 * (0.3 / 0.1) is 7.4999... and would give 7.
                    RoundingCase{"multiplied before divided", 2.5, 0.3, 0.1, 8},
                    RoundingCase{"the limit", -1e15, 1, 1, -1000000000000000},
                    RoundingCase{"past the limit", std::nextafter(1e15, 2e15), 1, 1, std::nullopt},
                    RoundingCase{"infinite", kInf, 1, 1, std::nullopt},
                    RoundingCase{"not a number", std::nan(""), 1, 1, std::nullopt}));
// clang-format on

TEST(GridQuantization, MatrixThenOriginScaleAndQuantum) {
    ReplayParams params = grid(2.0, 0.5);
    params.origin_x = 10.0;
    params.origin_y = -5.0;
    // (1, 2) turns a quarter to (-2, 1) and moves to (1, 5): ((1 - 10) * 2) / 0.5, ((5 + 5) * 2) / 0.5.
    EXPECT_EQ(quantize_to_grid({1.0, 2.0}, {0.0, 1.0, -1.0, 0.0, 3.0, 4.0}, params), P(-36, 40));
}

TEST(QuantizeRing, DropsRepeatsAndTheClosingPointAndChargesEveryInputPoint) {
    ComplexityBudget budget;
    const std::vector<PaintPoint> points{{0, 0}, {0.2, 0}, {4, 0}, {4, 3}, {0, 3}, {0.1, 0.1}};
    EXPECT_EQ(quantize_ring(grid(1, 1, &budget), points, kIdentityPaintMatrix),
              (Path64{P(0, 0), P(4, 0), P(4, 3), P(0, 3)}));
    EXPECT_EQ(budget.lowered_points, points.size());
    EXPECT_THROW(quantize_ring(grid(), points, kIdentityPaintMatrix), std::logic_error) << "no budget";
}

struct AreaCase {
    const char* why;
    Path64 ring;
    double area;  // NaN: not compared
    bool zero;
};
void PrintTo(const AreaCase& c, std::ostream* os) {
    *os << c.why;
}

class RingArea : public testing::TestWithParam<AreaCase> {};

TEST_P(RingArea, Table) {
    const AreaCase& c = GetParam();
    if (!std::isnan(c.area)) {
        EXPECT_EQ(ring_area(c.ring), c.area) << c.why;
    }
    EXPECT_EQ(ring_area_is_zero(c.ring), c.zero) << c.why;
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Table, RingArea,
    testing::Values(AreaCase{"counter-clockwise", {P(0, 0), P(2, 0), P(2, 2), P(0, 2)}, 4.0, false},
                    AreaCase{"clockwise", {P(0, 0), P(0, 2), P(2, 2), P(2, 0)}, -4.0, false},
                    AreaCase{"two points", {P(0, 0), P(5, 5)}, 0.0, true},
                    AreaCase{"figure eight", {P(0, 0), P(2, 2), P(2, 0), P(0, 2)}, 0.0, true},
                    // The double estimate is 8388608 here; only the exact test sees the line.
                    AreaCase{"collinear at 1e12",
                             {P(0, 0), P(811096000002, 333020000008), P(405548000001, 166510000004)},
                             8388608.0,
                             true},
                    AreaCase{"half a unit at 1e14",
                             {P(100000000000000, 0), P(100000000000001, 0), P(100000000000000, 1)},
                             NAN,
                             false}));
// clang-format on

}  // namespace
}  // namespace pavrix_svg_core
