#include "kernel/fill_lowering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "kernel/cubic_flattening.h"
#include "kernel/grid_quantization.h"
#include "kernel/viewport_ring_clip.h"

namespace pavrix_svg_core {
namespace {

using Clipper2Lib::Paths64;
using Reason = UnprintableReason;

constexpr double kArc = 0.5522847498307936;  // quarter-circle control distance

struct Path {
    PaintCommand command;
    Path& move(double x, double y) { return add(PathVerb::move_to, {{x, y}}); }
    Path& line(double x, double y) { return add(PathVerb::line_to, {{x, y}}); }
    Path& cubic(PaintPoint a, PaintPoint b, PaintPoint c) { return add(PathVerb::cubic_to, {a, b, c}); }
    Path& close() { return add(PathVerb::close, {}); }
    Path& rect(double x0, double y0, double x1, double y1) {
        return move(x0, y0).line(x1, y0).line(x1, y1).line(x0, y1).close();
    }
    Path& circle(double cx, double cy, double r) {
        const double k = kArc * r;
        move(cx + r, cy);
        cubic({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
        cubic({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy});
        cubic({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
        cubic({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy});
        return close();
    }
    Path& star(double cx, double cy, double radius) {
        for (int k = 0; k < 5; ++k) {
            const double angle = M_PI / 2 + k * 4 * M_PI / 5;
            const double x = cx + radius * std::cos(angle), y = cy + radius * std::sin(angle);
            k == 0 ? move(x, y) : line(x, y);
        }
        return close();
    }
    Path& area_potential(std::vector<std::uint8_t> flags) {
        command.source_subpath_area_potential = std::move(flags);
        return *this;
    }
    Path& matrix(PaintMatrix m) {
        command.matrix = m;
        return *this;
    }
    Path& evenodd() {
        command.fill_rule = PaintFillRule::evenodd;
        return *this;
    }
    Path& add(PathVerb verb, std::initializer_list<PaintPoint> points) {
        command.path_verbs.push_back(verb);
        command.path_points.insert(command.path_points.end(), points);
        return *this;
    }
};

// One source unit is one millimetre and 100 grid units.
struct Grid {
    ComplexityBudget budget;
    std::vector<PrecisionRecord> records;
    ReplayParams params;
    explicit Grid(double quantum = 0.01, double flattening_error = 0.005) {
        params.scale = 1.0;
        params.grid_quantum = quantum;
        params.flattening_error = flattening_error;
        params.budget = &budget;
        params.precision_records = &records;
    }
};

std::vector<std::pair<Reason, std::int32_t>> fragments_of(const PreparedNormalization& prepared) {
    std::vector<std::pair<Reason, std::int32_t>> out;
    for (const FragmentEntry& f : prepared.fragments)
        out.emplace_back(Reason(f.reason_id()), f.subpath_index());
    return out;
}

double coverage_area(const Paths64& paths, double quantum) {
    double sum = 0.0;
    for (const auto& ring : paths)
        sum += ring_area(ring);
    return std::fabs(sum) * quantum * quantum;
}

struct FragmentCase {
    const char* why;
    PaintCommand command;
    std::vector<std::pair<Reason, std::int32_t>> fragments;
    bool prints;
    double quantum = 0.01;
};

class FillFragments : public testing::TestWithParam<FragmentCase> {};

TEST_P(FillFragments, Table) {
    const FragmentCase& c = GetParam();
    Grid grid(c.quantum);
    const PreparedNormalization prepared = prepare_fill(c.command, grid.params);
    EXPECT_EQ(fragments_of(prepared), c.fragments) << c.why;
    EXPECT_EQ(!prepared.geometry.empty(), c.prints) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillFragments,
    testing::Values(
        FragmentCase{"no verbs", Path{}.command, {{Reason::empty_path, -1}}, false},
        FragmentCase{"lone move_to without area",
                     Path{}.move(1, 1).area_potential({0}).command,
                     {{Reason::point_only, 0}},
                     false},
        FragmentCase{"two points without area",
                     Path{}.move(0, 0).line(5, 5).area_potential({0}).command,
                     {{Reason::line_only, 0}},
                     false},
        FragmentCase{"two points with area",
                     Path{}.move(0, 0).line(5, 5).area_potential({1}).command,
                     {{Reason::area_collapse, 0}},
                     false},
        FragmentCase{"collinear with area",
                     Path{}.move(0, 0).line(5, 5).line(10, 10).command,
                     {{Reason::area_collapse, 0}},
                     false},
        FragmentCase{"one repeated point without area",
                     Path{}.move(1, 1).line(1, 1).line(1, 1).area_potential({0}).command,
                     {{Reason::point_only, 0}},
                     false},
        FragmentCase{"collinear without area",
                     Path{}.move(0, 0).line(5, 0).line(9, 0).area_potential({0}).command,
                     {{Reason::line_only, 0}},
                     false},
        FragmentCase{"square flattened onto a line by the matrix",
                     Path{}.rect(0, 0, 4, 4).matrix({1, 1, 1, 1, 0, 0}).command,
                     {{Reason::area_collapse, 0}},
                     false},
        FragmentCase{"triangle below the grid",
                     Path{}.move(0, 0).line(0.001, 0).line(0, 0.001).close().command,
                     {{Reason::area_collapse, 0}},
                     false},
        FragmentCase{"second subpath collapses",
                     Path{}.rect(0, 0, 4, 4).move(20, 20).line(30, 20).close().command,
                     {{Reason::area_collapse, 1}},
                     true},
        FragmentCase{"drawing after close keeps the subpath index",
                     Path{}.rect(0, 0, 10, 10).line(5, 5).command,
                     {{Reason::area_collapse, 0}},
                     true},
        FragmentCase{"coincident squares under evenodd",
                     Path{}.rect(0, 0, 4, 4).rect(0, 0, 4, 4).evenodd().command,
                     {{Reason::fill_rule_cancelled, -1}},
                     false},
        FragmentCase{"opposite squares under nonzero",
                     Path{}.rect(0, 0, 4, 4).move(0, 0).line(0, 4).line(4, 4).line(4, 0).close().command,
                     {{Reason::fill_rule_cancelled, -1}},
                     false},
        FragmentCase{"all-zero matrix", Path{}.rect(0, 0, 4, 4).matrix({0, 0, 0, 0, 5, 5}).command, {}, false},
        // Not collinear in source units, but the grid ring is, exactly; the double area of this
        // ring is 8388608, so only the exact test classifies it.
        FragmentCase{"grid ring collinear at 1e12",
                     Path{}.move(0, 0).line(811096000002, 333020000008).line(405548000001, 166510000004.25).command,
                     {{Reason::area_collapse, 0}},
                     false,
                     1.0}));

struct CoverageCase {
    const char* why;
    PaintCommand command;
    double area;       // exact area of the outline under the fill rule
    double perimeter;  // length of every drawn edge, bounding the outline's
};

// The pentagram's inner vertices lie at R cos 72 / cos 36.
double star_inner_radius(double radius) {
    return radius * std::cos(2 * M_PI / 5) / std::cos(M_PI / 5);
}
double star_area(double radius) {
    return 5 * radius * star_inner_radius(radius) * std::sin(M_PI / 5);
}
double pentagon_area(double radius) {
    return 2.5 * radius * radius * std::sin(2 * M_PI / 5);
}
double star_perimeter(double radius) {
    return 5 * 2 * radius * std::sin(2 * M_PI / 5);
}

// Dense points of the exact outline of every subpath (cubics sampled finely), in source units.
std::vector<std::vector<PaintPoint>> reference_outline(const PaintCommand& command) {
    std::vector<std::vector<PaintPoint>> rings;
    std::size_t cursor = 0;
    for (PathVerb verb : command.path_verbs) {
        const PaintPoint* p = command.path_points.data() + cursor;
        if (verb == PathVerb::move_to)
            rings.push_back({p[0]});
        if (verb == PathVerb::line_to)
            rings.back().push_back(p[0]);
        if (verb == PathVerb::cubic_to) {
            const PaintPoint s = rings.back().back();
            for (int i = 1; i <= 2000; ++i) {
                const double t = i / 2000.0, u = 1 - t;
                const double w0 = u * u * u, w1 = 3 * u * u * t, w2 = 3 * u * t * t, w3 = t * t * t;
                rings.back().push_back({w0 * s.x + w1 * p[0].x + w2 * p[1].x + w3 * p[2].x,
                                        w0 * s.y + w1 * p[0].y + w2 * p[1].y + w3 * p[2].y});
            }
        }
        cursor += pointsPerVerb(verb);
    }
    const PaintMatrix& m = command.matrix;
    for (auto& ring : rings) {
        for (PaintPoint& p : ring)
            p = {m[0] * p.x + m[2] * p.y + m[4], m[1] * p.x + m[3] * p.y + m[5]};
    }
    return rings;
}

double shoelace(const std::vector<PaintPoint>& ring) {
    double sum = 0.0;
    for (std::size_t i = 0; i < ring.size(); ++i) {
        const PaintPoint a = ring[i], b = ring[(i + 1) % ring.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return sum / 2;
}

double circle_area(double r) {
    return std::fabs(shoelace(reference_outline(Path{}.circle(0, 0, r).command).front()));
}

class FillCoverage : public testing::TestWithParam<CoverageCase> {};

TEST_P(FillCoverage, MatchesTheExactOutlineWithinTheErrorBound) {
    const CoverageCase& c = GetParam();
    Grid grid;
    const PreparedNormalization prepared = prepare_fill(c.command, grid.params);
    ASSERT_TRUE(prepared.fragments.empty()) << c.why;
    ASSERT_FALSE(prepared.geometry.empty()) << c.why;
    const double bound = prepared.lowering_error_bound;
    EXPECT_GT(bound, 0.0);
    EXPECT_LT(bound, 0.05) << "bound is meaningful at this tolerance";
    EXPECT_NEAR(coverage_area(prepared.geometry, grid.params.grid_quantum), c.area, c.perimeter * bound) << c.why;

    const auto outline = reference_outline(c.command);
    for (const auto& ring : prepared.geometry) {
        for (const auto& vertex : ring) {
            const PaintPoint v{vertex.x * 0.01, vertex.y * 0.01};
            double nearest = INFINITY;
            for (const auto& reference : outline) {
                for (std::size_t i = 0; i < reference.size(); ++i) {
                    nearest = std::min(nearest,
                                       point_segment_distance(v, reference[i], reference[(i + 1) % reference.size()]));
                }
            }
            EXPECT_LE(nearest, bound) << c.why << " vertex " << v.x << ", " << v.y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillCoverage,
    testing::Values(
        CoverageCase{"rectangle", Path{}.rect(1, 2, 11, 10).command, 80.0, 36.0},
        CoverageCase{"circle", Path{}.circle(20, 20, 5).command, circle_area(5), 2 * M_PI * 5},
        CoverageCase{"circle under a shear", Path{}.circle(0, 0, 3).matrix({2, 0.5, 0.7, 1.5, 40, 40}).command,
                     circle_area(3) * (2 * 1.5 - 0.5 * 0.7), 2 * M_PI * 3 * 2.2},
        CoverageCase{"square with an opposite hole, nonzero",
                     Path{}.rect(0, 0, 10, 10).move(3, 3).line(3, 7).line(7, 7).line(7, 3).close().command, 84.0, 56.0},
        CoverageCase{"square with a same-way hole, evenodd",
                     Path{}.rect(0, 0, 10, 10).rect(3, 3, 7, 7).evenodd().command, 84.0, 56.0},
        CoverageCase{"disc with a round hole, evenodd", Path{}.circle(10, 10, 6).circle(10, 10, 2).evenodd().command,
                     circle_area(6) - circle_area(2), 2 * M_PI * 8},
        CoverageCase{"self-intersecting star, nonzero", Path{}.star(10, 10, 8).command, star_area(8),
                     star_perimeter(8)},
        CoverageCase{"self-intersecting star, evenodd", Path{}.star(10, 10, 8).evenodd().command,
                     star_area(8) - pentagon_area(star_inner_radius(8)), star_perimeter(8)}));

TEST(FillLowering, TinyCircleIsFlattenedAgainAndKeepsItsArea) {
    // Two half-circle cubics lie within the (coarse) tolerance of their chords, so the first
    // flattening leaves a line; the forced re-flatten recovers the disc on the fine grid.
    const double r = 0.5, k = 4.0 / 3.0 * r;
    const PaintCommand command =
        Path{}.move(r, 0).cubic({r, k}, {-r, k}, {-r, 0}).cubic({-r, -k}, {r, -k}, {r, 0}).close().command;
    Grid grid(0.001, 1.0);
    const PreparedNormalization prepared = prepare_fill(command, grid.params);
    ASSERT_TRUE(prepared.fragments.empty());
    ASSERT_EQ(prepared.geometry.size(), 1u);
    EXPECT_GE(prepared.geometry.front().size(), 32u);
    const double exact = std::fabs(shoelace(reference_outline(command).front()));
    EXPECT_NEAR(coverage_area(prepared.geometry, 0.001), exact, 2 * M_PI * r * prepared.lowering_error_bound);
}

TEST(FillLowering, PointsBeyondTheGridRangeFail) {
    Grid grid;
    try {
        prepare_fill(Path{}.rect(0, 0, 1e14, 1).command, grid.params);
        FAIL();
    } catch (const std::range_error& error) {
        EXPECT_STREQ(error.what(), "numeric_range_error");
    }
}

TEST(FillLowering, DeepSplittingEndsAsComplexityLimit) {
    Grid grid(1e-12, 1e-30);
    EXPECT_THROW(prepare_fill(Path{}.circle(0, 0, 100).command, grid.params), ComplexityLimitError);
    EXPECT_LT(grid.budget.lowered_points, 1000u) << "refused before the pieces were made";
}

TEST(FillLowering, StructuralFailures) {
    Grid grid;
    ReplayParams no_budget = grid.params;
    no_budget.budget = nullptr;
    EXPECT_THROW(prepare_fill(Path{}.rect(0, 0, 1, 1).command, no_budget), std::logic_error);
    PaintCommand truncated = Path{}.rect(0, 0, 1, 1).command;
    truncated.path_points.pop_back();
    EXPECT_THROW(prepare_fill(truncated, grid.params), std::out_of_range);
}

TEST(FillLowering, ChargesTheBudgetAndRecordsEveryEdge) {
    Grid grid;
    const PreparedNormalization prepared = prepare_fill(Path{}.rect(0, 0, 2, 2).command, grid.params);
    EXPECT_EQ(grid.budget.lowered_rings, 1u);
    EXPECT_EQ(grid.budget.lowered_points, 4u + 4u) << "walked, then quantized";
    EXPECT_EQ(grid.budget.clipper_input_points, 4u);
    EXPECT_EQ(grid.budget.clipper_output_paths, 1u);
    EXPECT_EQ(grid.records.size(), 4u);
    // Half a grid diagonal plus the float envelope of the recorded coordinates.
    EXPECT_GT(prepared.lowering_error_bound, 0.01 / std::sqrt(2.0));
    EXPECT_LT(prepared.lowering_error_bound, 0.01 / std::sqrt(2.0) + 1e-5);
}

struct ViewportCase {
    const char* why;
    PaintCommand command;
    std::vector<std::pair<Reason, std::int32_t>> fragments;
    bool prints;
};

class FillViewportClip : public testing::TestWithParam<ViewportCase> {};

TEST_P(FillViewportClip, PaintOutsideTheViewNeverReachesTheGrid) {
    // 10^12 grid units per source unit: x = 100000 would be 10^17 on the grid.
    const ViewportCase& c = GetParam();
    Grid grid(1e-12);
    grid.params.clip_rect = DoubleBox{0, 0, 100, 100};
    const PreparedNormalization prepared = prepare_fill(c.command, grid.params);
    EXPECT_EQ(fragments_of(prepared), c.fragments) << c.why;
    EXPECT_EQ(!prepared.geometry.empty(), c.prints) << c.why;
    const double margin = kViewportClipMarginGridUnits;
    for (const auto& ring : prepared.geometry) {
        for (const auto& p : ring) {
            EXPECT_GE(static_cast<double>(p.x), -margin) << c.why;
            EXPECT_LE(static_cast<double>(p.x), 100e12 + margin) << c.why;
            EXPECT_GE(static_cast<double>(p.y), -margin) << c.why;
            EXPECT_LE(static_cast<double>(p.y), 100e12 + margin) << c.why;
        }
    }
    for (const PrecisionRecord& record : grid.records)
        EXPECT_FALSE(std::isnan(record.input_error)) << c.why;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FillViewportClip,
    testing::Values(
        ViewportCase{"far away", Path{}.rect(100000, 0, 100010, 10).command, {{Reason::clipped_out, -1}}, false},
        ViewportCase{"full bleed", Path{}.rect(-50, -50, 150, 150).command, {}, true},
        ViewportCase{
            "far away beside a visible square", Path{}.rect(100000, 0, 100010, 10).rect(1, 1, 2, 2).command, {}, true},
        ViewportCase{"star across the edge, evenodd", Path{}.star(100, 50, 80).evenodd().command, {}, true},
        ViewportCase{"hairline across the view still collapses",
                     Path{}.rect(-1000, 50, 1000, 50 + 1e-13).command,
                     {{Reason::area_collapse, 0}},
                     false},
        ViewportCase{"far line stays a line",
                     Path{}.move(1e6, 0).line(2e6, 0).area_potential({0}).command,
                     {{Reason::line_only, 0}},
                     false}));

TEST(FillLowering, FarPaintWithoutAViewportStillFails) {
    Grid grid(1e-12);
    EXPECT_THROW(prepare_fill(Path{}.rect(100000, 0, 100010, 10).command, grid.params), std::range_error);
}

}  // namespace
}  // namespace pavrix_svg_core
