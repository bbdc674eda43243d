// The pen's own sweep: bends tighter than the pen against closed-form areas, straight caps through their
// exact corners, a cap on another stroke's side without a slit, and collapses after dropped lines.

#include "kernel/lowering/stroke_sweep.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "kernel/lowering/stroke_outline.h"
#include "tests/kernel/lowering/stroke_test_support.h"

namespace pavrix_svg_core {
namespace {

using stroke_test::paths_area;
using stroke_test::stroke_path;

constexpr double kQuantum = 1e-4;
constexpr double kFlattening = 1e-3;
const double kPi = std::acos(-1.0);

std::string number(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// Cubics through the circle of radius r about the origin from angle a0 to a1, in steps of at most 1/8
// turn (their radius is within 1e-5 of r).
std::string arc_path(double r, double a0, double a1) {
    const int steps = static_cast<int>(std::ceil(std::fabs(a1 - a0) / (kPi / 4) - 1e-9));
    const double step = (a1 - a0) / steps, k = 4.0 / 3.0 * std::tan(step / 4) * r;
    std::string d = "M " + number(r * std::cos(a0)) + " " + number(r * std::sin(a0));
    for (int i = 0; i < steps; ++i) {
        const double s = a0 + i * step, e = s + step;
        d += " C";
        for (const double v :
             {r * std::cos(s) - k * std::sin(s), r * std::sin(s) + k * std::cos(s), r * std::cos(e) + k * std::sin(e),
              r * std::sin(e) - k * std::cos(e), r * std::cos(e), r * std::sin(e)})
            d += " " + number(v);
    }
    return d;
}

PreparedNormalization prepare(const PaintCommand& command) {
    static thread_local ComplexityBudget budget;
    budget = ComplexityBudget{};
    ReplayParams params;
    params.grid_quantum = kQuantum;
    params.flattening_error = kFlattening;
    params.budget = &budget;
    return prepare_stroke(command, params);
}

PaintCommand styled(const std::string& path, double width, LineCap cap) {
    PaintCommand command = stroke_path(path, width);
    command.stroke.line_cap = cap;
    return command;
}

TEST(StretchBendsTighter, AgainstTheCircleItFollows) {
    const StrokeStretch eighth{{PaintPoint{2, 0}, PaintPoint{2, 4.0 / 3.0 * std::tan(kPi / 16) * 2},
                                PaintPoint{std::sqrt(2.0) + 4.0 / 3.0 * std::tan(kPi / 16) * std::sqrt(2.0),
                                           std::sqrt(2.0) - 4.0 / 3.0 * std::tan(kPi / 16) * std::sqrt(2.0)},
                                PaintPoint{std::sqrt(2.0), std::sqrt(2.0)}},
                               true};
    EXPECT_TRUE(stretch_bends_tighter(eighth, 2.04));
    EXPECT_FALSE(stretch_bends_tighter(eighth, 1.96));
    // A control point on the end point: the radius goes to zero there.
    EXPECT_TRUE(stretch_bends_tighter(
        StrokeStretch{{PaintPoint{0, 0}, PaintPoint{0, 0}, PaintPoint{10, 0}, PaintPoint{10, 10}}, true}, 1e-9));
    EXPECT_FALSE(stretch_bends_tighter(
        StrokeStretch{{PaintPoint{0, 0}, PaintPoint{0, 0}, PaintPoint{5, 0}, PaintPoint{5, 0}}, false}, 1e9));
}

struct SweepCase {
    const char* name;
    PaintCommand command;
    double area;  // of the exact outline
};

class SweepArea : public testing::TestWithParam<SweepCase> {};

TEST_P(SweepArea, MatchesTheUnionOfThePensPositions) {
    const PreparedNormalization prepared = prepare(GetParam().command);
    EXPECT_TRUE(prepared.fragments.empty());
    // Every boundary point within the flattening error and a grid step: area within that times the perimeter.
    const double perimeter = 80.0;
    EXPECT_NEAR(paths_area(prepared.geometry) * kQuantum * kQuantum, GetParam().area,
                perimeter * (kFlattening + kQuantum));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SweepArea,
    testing::Values(
        // Radius 2 under width 6: the pen's far end passes 1 beyond the centre, two sectors touch there.
        SweepCase{"tight_arc_butt", styled(arc_path(2, 0, kPi / 2), 6, LineCap::butt), 26 * kPi / 4},
        // The squares (6 by 3, overlapping by 1) hold the small sector.
        SweepCase{"tight_arc_square", styled(arc_path(2, 0, kPi / 2), 6, LineCap::square), 25 * kPi / 4 + 35},
        SweepCase{"circle_under_wider_pen", styled(arc_path(1.5, 0, 2 * kPi) + " Z", 4, LineCap::butt), 12.25 * kPi},
        // Control points on the ends of a straight cubic: a rectangle.
        SweepCase{"straight_cubic", styled("M 0 0 C 0 0 10 0 10 0", 2, LineCap::butt), 20.0}),
    [](const testing::TestParamInfo<SweepCase>& info) { return std::string(info.param.name); });

// The largest turn of the outline's rings at a vertex between two edges of at least `edge` grid units.
double sharpest_turn(const Clipper2Lib::Paths64& rings, double edge) {
    double sharpest = 0.0;
    for (const Clipper2Lib::Path64& ring : rings) {
        const std::size_t n = ring.size();
        for (std::size_t i = 0; i < n; ++i) {
            const auto& a = ring[(i + n - 1) % n];
            const auto& b = ring[i];
            const auto& c = ring[(i + 1) % n];
            const double ux = double(b.x - a.x), uy = double(b.y - a.y), vx = double(c.x - b.x), vy = double(c.y - b.y);
            if (std::hypot(ux, uy) < edge || std::hypot(vx, vy) < edge)
                continue;
            sharpest = std::max(sharpest, std::atan2(std::fabs(ux * vy - uy * vx), ux * vx + uy * vy));
        }
    }
    return sharpest * 180.0 / kPi;
}

TEST(SweptCaps, ButtCapOnAnotherStrokesSideLeavesNoSlit) {
    // The curve's cap lies on x = 20, the line's right side.
    const PreparedNormalization curve = prepare(styled("M 33 15 C 33 25 27 34 20 34", 6, LineCap::butt));
    const PreparedNormalization line = prepare(styled("M 17 15 L 17 37", 6, LineCap::butt));
    Clipper2Lib::Paths64 both = curve.geometry;
    both.insert(both.end(), line.geometry.begin(), line.geometry.end());
    const Clipper2Lib::Paths64 united = Clipper2Lib::Union(both, Clipper2Lib::FillRule::NonZero);
    EXPECT_EQ(united.size(), 1u);
    EXPECT_LT(sharpest_turn(united, 0.1 / kQuantum), 179.5);
    // Straight: the cap's corners are its exact ones, up to the grid.
    bool upper = false, lower = false;
    for (const auto& p : curve.geometry.front()) {
        upper = upper || (std::llabs(p.x - 200000) <= 1 && std::llabs(p.y - 310000) <= 1);
        lower = lower || (std::llabs(p.x - 200000) <= 1 && std::llabs(p.y - 370000) <= 1);
    }
    EXPECT_TRUE(upper && lower);
}

TEST(SweptCaps, CollapseAfterADroppedLineIsReported) {
    for (const auto& [path, index] : {std::pair{"M 10 10 L 50 10 L 50 40 Z M 10 10 L 10.000000000001 10", 1},
                                      std::pair{"M 10 10 L 50 10 L 50 40 Z L 10.000000000001 10", -1}}) {
        const PreparedNormalization prepared = prepare(styled(path, 4, LineCap::butt));
        ASSERT_EQ(prepared.fragments.size(), 1u) << path;
        EXPECT_EQ(prepared.fragments[0].packed, FragmentEntry::make(UnprintableReason::stroke_collapse, index).packed)
            << path;
    }
}

}  // namespace
}  // namespace pavrix_svg_core
