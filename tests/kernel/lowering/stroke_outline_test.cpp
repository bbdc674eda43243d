// Stroke outlines against analytic references (areas, distance to the true outline), miter limits,
// zero-length pieces, hairlines, refusals and the viewport cut.

#include "kernel/lowering/stroke_outline.h"

#include <cmath>
#include <stdexcept>

#include <gtest/gtest.h>

#include "kernel/common/kernel_errors.h"
#include "tests/kernel/lowering/stroke_test_support.h"

namespace pavrix_svg_core {
namespace {

using stroke_test::paths_area;
using stroke_test::stroke_path;

constexpr double kQuantum = 1e-4;
constexpr double kFlattening = 1e-3;
const double kPi = std::acos(-1.0);

struct Prepared {
    PreparedNormalization result;
    double area = 0.0;  // source units
};

Prepared prepare(const PaintCommand& command, double quantum = kQuantum, DoubleBox clip = {}) {
    ComplexityBudget budget;
    ReplayParams params;
    params.grid_quantum = quantum;
    params.flattening_error = kFlattening;
    params.budget = &budget;
    params.clip_rect = clip;
    Prepared prepared{prepare_stroke(command, params), 0.0};
    prepared.area = paths_area(prepared.result.geometry) * quantum * quantum;
    return prepared;
}

PaintCommand styled(const char* path, double width, LineCap cap, LineJoin join = LineJoin::miter) {
    PaintCommand command = stroke_path(path, width);
    command.stroke.line_cap = cap;
    command.stroke.line_join = join;
    return command;
}

// Distance from p to the boundary of the box [x0, x1] x [-h, h].
double box_boundary_distance(const PaintPoint& p, double x0, double x1, double h) {
    const double ox = std::max({x0 - p.x, p.x - x1, 0.0});
    const double oy = std::max(std::fabs(p.y) - h, 0.0);
    if (ox > 0 || oy > 0)
        return std::hypot(ox, oy);
    return std::min({p.x - x0, x1 - p.x, h - std::fabs(p.y)});
}

struct CapCase {
    const char* name;
    LineCap cap;
    double expected_area;
};

class LineReference : public testing::TestWithParam<CapCase> {};

// A line of width 2 and length 80: area w L plus its caps, every point on the true outline.
TEST_P(LineReference, AreaAndDistance) {
    const CapCase& c = GetParam();
    const PaintCommand command = styled("M 0 0 L 80 0", 2.0, c.cap);
    const Prepared prepared = prepare(command);
    EXPECT_NEAR(prepared.area, c.expected_area, 170 * (kQuantum + kFlattening)) << c.name;
    ASSERT_EQ(prepared.result.geometry.size(), 1u);
    for (const Clipper2Lib::Point64& q : prepared.result.geometry[0]) {
        const PaintPoint p{static_cast<double>(q.x) * kQuantum, static_cast<double>(q.y) * kQuantum};
        double d = 0;
        if (c.cap == LineCap::round)
            d = std::fabs(std::hypot(std::max({-p.x, p.x - 80, 0.0}), p.y) - 1.0);
        else if (c.cap == LineCap::square)
            d = box_boundary_distance(p, -1, 81, 1);
        else
            d = box_boundary_distance(p, 0, 80, 1);
        EXPECT_LE(d, kFlattening + kQuantum) << c.name << " at " << p.x << "," << p.y;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, LineReference,
                         testing::Values(CapCase{"butt", LineCap::butt, 160.0},
                                         CapCase{"square", LineCap::square, 164.0},
                                         CapCase{"round", LineCap::round, 160.0 + kPi}),
                         [](const testing::TestParamInfo<CapCase>& info) { return std::string(info.param.name); });

struct MiterCase {
    const char* name;
    double corner_degrees;  // angle between the two legs
    double miter_limit;
    bool mitered;
};

class MiterLimit : public testing::TestWithParam<MiterCase> {};

// How far the outline reaches past the corner along its outer bisector: the miter tip h / sin(a/2)
// within the limit, the bevel h sin(a/2) beyond it (never a square at h).
TEST_P(MiterLimit, ReachAlongBisector) {
    const MiterCase& c = GetParam();
    const double a = c.corner_degrees * kPi / 180.0;
    const std::string path =
        "M 0 0 L 10 0 L " + std::to_string(10 - 10 * std::cos(a)) + " " + std::to_string(10 * std::sin(a));
    PaintCommand command = styled(path.c_str(), 2.0, LineCap::butt);
    command.stroke.miter_limit = c.miter_limit;
    ComplexityBudget budget;
    const StrokeOutline outline = stroke_command(command, kFlattening, kQuantum, budget);
    const double bx = 1 + std::cos(a), by = -std::sin(a);  // d_in - d_out
    const double norm = std::hypot(bx, by);
    double reach = -INFINITY;
    for (const StrokeRing& ring : outline.rings) {
        for (const PaintPoint& p : ring.ring)
            reach = std::max(reach, ((p.x - 10) * bx + p.y * by) / norm);
    }
    const double half = std::sin(a / 2);
    EXPECT_NEAR(reach, c.mitered ? 1.0 / half : half, 2 * kQuantum) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, MiterLimit,
                         testing::Values(MiterCase{"sharp_beyond", 20, 4, false},
                                         MiterCase{"just_beyond", 28, 4, false}, MiterCase{"just_within", 30, 4, true},
                                         MiterCase{"right_angle", 90, 4, true}, MiterCase{"limit_one", 90, 1, false}),
                         [](const testing::TestParamInfo<MiterCase>& info) { return std::string(info.param.name); });

struct AreaCase {
    const char* name;
    PaintCommand command;
    double area;
};

class OutlineArea : public testing::TestWithParam<AreaCase> {};

TEST_P(OutlineArea, MatchesReference) {
    EXPECT_NEAR(prepare(GetParam().command).area, GetParam().area, 0.02) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutlineArea,
    testing::Values(
        // Returning to the start before the close still miters the first corner: 12^2 - 8^2.
        AreaCase{"closed_square_return", styled("M 0 0 L 10 0 L 10 10 L 0 10 L 0 0 Z", 2, LineCap::butt), 80.0},
        AreaCase{"closed_square", styled("M 0 0 L 10 0 L 10 10 L 0 10 Z", 2, LineCap::round), 80.0},
        // The miter at the reflex corner reaches into the ring's hole: perimeter 80 times width 2.
        AreaCase{"closed_reflex_corner", styled("M 0 0 L 20 0 L 20 10 L 10 10 L 10 20 L 0 20 Z", 2, LineCap::butt),
                 160.0},
        // A closed two-point piece has flat ends, whatever the cap.
        AreaCase{"closed_two_points", styled("M 10 25 L 90 25 Z", 2, LineCap::square), 160.0},
        // Zero-length subpaths paint their caps: a square of side w, a disc of radius w/2.
        AreaCase{"point_square", styled("M 5 5 Z", 2, LineCap::square), 4.0},
        AreaCase{"point_round", styled("M 5 5 Z", 2, LineCap::round), kPi},
        // Shorter than any usable grid, but with a direction: a cap turned along it.
        AreaCase{"collapsed_round", styled("M 5 5 L 5 5.000000000000001", 2, LineCap::round), kPi},
        AreaCase{"collapsed_square", styled("M 5 5 L 5.000000000000001 5.000000000000001", 2, LineCap::square), 4.0}),
    [](const testing::TestParamInfo<AreaCase>& info) { return std::string(info.param.name); });

std::vector<std::uint64_t> fragments(const PreparedNormalization& prepared) {
    std::vector<std::uint64_t> out;
    for (const FragmentEntry& f : prepared.fragments)
        out.push_back(f.packed);
    return out;
}
std::uint64_t fragment(UnprintableReason reason, std::int32_t index) {
    return FragmentEntry::make(reason, index).packed;
}

TEST(PrepareStroke, HairlineIsNotPrintedAsItsInterior) {
    // Clipper2 returns its input for a delta below half a unit: the rectangle would print solid.
    const Prepared hairline = prepare(styled("M 10 10 L 90 10 L 90 40 L 10 40 Z", 2e-11, LineCap::butt));
    EXPECT_LT(hairline.area, 1e-3);
    ASSERT_EQ(hairline.result.fragments.size(), 1u);
    EXPECT_EQ(hairline.result.fragments[0].reason_id(), static_cast<std::uint32_t>(UnprintableReason::stroke_collapse));
}

TEST(PrepareStroke, FragmentsForWhatCannotPrint) {
    EXPECT_EQ(fragments(prepare(styled("M 5 5 Z", 2, LineCap::butt)).result),
              (std::vector<std::uint64_t>{fragment(UnprintableReason::stroke_collapse, -1)}));
    EXPECT_EQ(fragments(prepare(styled("M 0 0 L 5 5", 0, LineCap::butt)).result),
              (std::vector<std::uint64_t>{fragment(UnprintableReason::stroke_collapse, -1)}));
    PaintCommand flat = styled("M 0 0 L 5 5", 1, LineCap::butt);
    flat.matrix = {0, 0, 0, 0, 1, 1};
    EXPECT_TRUE(prepare(flat).result.fragments.empty());
    // The hole of a thick ring closes on a coarse grid; the ring prints and nothing is reported.
    const Prepared ring = prepare(styled("M 0 0 L 1 0 L 1 1 L 0 1 Z", 0.98, LineCap::butt), 0.05);
    EXPECT_GT(ring.area, 1.5);
    EXPECT_TRUE(ring.result.fragments.empty());
}

TEST(PrepareStroke, CollapsedButtPieceIsReported) {
    EXPECT_EQ(fragments(prepare(styled("M 5 5 L 5 5.000000000000001", 2, LineCap::butt)).result),
              (std::vector<std::uint64_t>{fragment(UnprintableReason::stroke_collapse, 0)}));
}

TEST(StrokeCommand, RoundStepsBeyondTheOffsetterAreRefused) {
    ComplexityBudget budget;
    EXPECT_THROW(stroke_command(styled("M 0 0 L 10 0", 1e11, LineCap::round), kFlattening, kQuantum, budget),
                 ComplexityLimitError);
    EXPECT_THROW(point_cap_polygon({0, 0}, LineCap::round, 1e6, 1e-6, budget), ComplexityLimitError);
    EXPECT_LT(budget.lowered_points, 100u);  // the path's own points, nothing of the arcs
}

TEST(StrokeCommand, PenReachingBeyondTheGridIsRefusedBeforeItIsOutlined) {
    // Half the width spans 5e15 grid units: an end of every pen lies beyond the grid's range.
    const PaintCommand wide = styled("M 0 0 C 10 0 10 10 0 10", 1e12, LineCap::round);
    ComplexityBudget budget;
    EXPECT_THROW(stroke_command(wide, kFlattening, kQuantum, budget), std::range_error);
    EXPECT_LT(budget.lowered_points, 100u);
    // Wholly beyond the viewport grown by its reach, the same pen is cut away instead.
    PaintCommand far = wide;
    far.matrix = {1, 0, 0, 1, 1e13, 0};
    const DoubleBox view{0, 0, 100, 100};
    const StrokeOutline outline = stroke_command(far, kFlattening, kQuantum, budget, &view);
    EXPECT_TRUE(outline.rings.empty());
    EXPECT_TRUE(outline.cut_by_viewport);
}

TEST(PrepareStroke, PaintFarOutsideTheViewportNeverReachesTheGrid) {
    const DoubleBox view{0, 0, 100, 100};
    // 1e5 units away at this quantum is beyond the grid's range: without the cut, a range error.
    const Prepared far = prepare(styled("M 100000 50 L 100100 50", 2, LineCap::butt), 1e-12, view);
    EXPECT_TRUE(far.result.geometry.empty());
    EXPECT_EQ(fragments(far.result), (std::vector<std::uint64_t>{fragment(UnprintableReason::clipped_out, -1)}));
    const Prepared across = prepare(styled("M -1000000 50 L 1000000 50", 2, LineCap::butt), 1e-10, view);
    ASSERT_FALSE(across.result.geometry.empty());
    const IntBox box = box_paths_bounds(across.result.geometry);
    EXPECT_GT(box.xmin * 1e-10, -10.0);
    EXPECT_LT(box.xmax * 1e-10, 110.0);
}

TEST(StrokeCommand, ClosedRingCutByTheViewportKeepsItsStartCorner) {
    const DoubleBox view{0, 0, 100, 100};
    ComplexityBudget budget;
    const StrokeOutline outline = stroke_command(styled("M 50 50 L 1000 50 L 1000 60 L 50 60 Z", 2, LineCap::round),
                                                 kFlattening, kQuantum, budget, &view);
    EXPECT_TRUE(outline.cut_by_viewport);
    bool corner = false;
    for (const StrokeRing& ring : outline.rings) {
        for (const PaintPoint& p : ring.ring)
            corner = corner || std::hypot(p.x - 49, p.y - 49) < 1e-3;
    }
    EXPECT_TRUE(corner);
}

}  // namespace
}  // namespace pavrix_svg_core
