#include "kernel/lowering/fill_lowering.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "kernel/lowering/cubic_flattening.h"
#include "kernel/lowering/grid_quantization.h"
#include "kernel/lowering/viewport_ring_clip.h"

namespace pavrix_svg_core {
namespace {

using Reason = UnprintableReason;
using Fragments = std::vector<std::pair<Reason, std::int32_t>>;

struct Path {
    PaintCommand command;
    Path& add(PathVerb verb, std::initializer_list<PaintPoint> points) {
        command.path_verbs.push_back(verb);
        command.path_points.insert(command.path_points.end(), points);
        return *this;
    }
    Path& move(double x, double y) { return add(PathVerb::move_to, {{x, y}}); }
    Path& line(double x, double y) { return add(PathVerb::line_to, {{x, y}}); }
    Path& cubic(PaintPoint a, PaintPoint b, PaintPoint c) { return add(PathVerb::cubic_to, {a, b, c}); }
    Path& close() { return add(PathVerb::close, {}); }
    Path& rect(double x0, double y0, double x1, double y1) {
        return move(x0, y0).line(x1, y0).line(x1, y1).line(x0, y1).close();
    }
    Path& circle(double cx, double cy, double r) {
        const double k = 0.5522847498307936 * r;
        move(cx + r, cy).cubic({cx + r, cy + k}, {cx + k, cy + r}, {cx, cy + r});
        cubic({cx - k, cy + r}, {cx - r, cy + k}, {cx - r, cy}).cubic({cx - r, cy - k}, {cx - k, cy - r}, {cx, cy - r});
        return cubic({cx + k, cy - r}, {cx + r, cy - k}, {cx + r, cy}).close();
    }
    Path& star(double cx, double cy, double r) {  // pentagram, one self-intersecting ring
        move(cx, cy + r);
        for (int k = 1; k < 5; ++k)
            line(cx + r * std::sin(k * 0.8 * M_PI), cy + r * std::cos(k * 0.8 * M_PI));
        return close();
    }
    // clang-format off
    Path& flags(std::vector<std::uint8_t> area_potential) { command.source_subpath_area_potential = area_potential; return *this; }
    Path& matrix(PaintMatrix m) { command.matrix = m; return *this; }
    Path& evenodd() { command.fill_rule = PaintFillRule::evenodd; return *this; }
    // clang-format on
};

// One source unit is one millimetre; `quantum` millimetres per grid unit.
struct Grid {
    ComplexityBudget budget;
    std::vector<PrecisionRecord> records;
    ReplayParams params;
    explicit Grid(double quantum = 0.01, double flattening_error = 0.005) {
        params.grid_quantum = quantum;
        params.flattening_error = flattening_error;
        params.budget = &budget;
        params.precision_records = &records;
    }
    PreparedNormalization prepare(const Path& path) { return prepare_fill(path.command, params); }
};

Fragments fragments_of(const PreparedNormalization& prepared) {
    Fragments out;
    for (const FragmentEntry& f : prepared.fragments)
        out.emplace_back(Reason(f.reason_id()), f.subpath_index());
    return out;
}

struct FragmentCase {
    const char* why;
    Path path;
    Fragments fragments;
    bool prints;
    double quantum = 0.01;
    DoubleBox viewport = {};
};
void PrintTo(const FragmentCase& c, std::ostream* os) {
    *os << c.why;
}

class FillFragments : public testing::TestWithParam<FragmentCase> {};

TEST_P(FillFragments, Table) {
    const FragmentCase& c = GetParam();
    Grid grid(c.quantum);
    grid.params.clip_rect = c.viewport;
    const PreparedNormalization prepared = grid.prepare(c.path);
    EXPECT_EQ(fragments_of(prepared), c.fragments) << c.why;
    EXPECT_EQ(!prepared.geometry.empty(), c.prints) << c.why;
    for (const auto& ring : prepared.geometry) {  // nothing reaches the grid beyond the viewport's margin
        for (const auto& p : ring) {
            if (box_non_empty(c.viewport)) {
                EXPECT_LE(std::max(std::abs(p.x), std::abs(p.y)), 100e12 + 4) << c.why;
            }
        }
    }
}

constexpr DoubleBox kView{0, 0, 100, 100};  // at 10^12 grid units per source unit
constexpr Reason kPoint = Reason::point_only, kLine = Reason::line_only, kCollapse = Reason::area_collapse;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, FillFragments, testing::Values(
    FragmentCase{"no verbs", Path{}, {{Reason::empty_path, -1}}, false},
    FragmentCase{"lone move_to without area", Path{}.move(1, 1).flags({0}), {{kPoint, 0}}, false},
    FragmentCase{"two points without area", Path{}.move(0, 0).line(5, 5).flags({0}), {{kLine, 0}}, false},
    FragmentCase{"two points with area", Path{}.move(0, 0).line(5, 5), {{kCollapse, 0}}, false},
    FragmentCase{"collinear with area", Path{}.move(0, 0).line(5, 5).line(9, 9), {{kCollapse, 0}}, false},
    FragmentCase{"one point thrice", Path{}.move(1, 1).line(1, 1).line(1, 1).flags({0}), {{kPoint, 0}}, false},
    FragmentCase{"flattened by the matrix", Path{}.rect(0, 0, 4, 4).matrix({1, 1, 1, 1, 0, 0}), {{kCollapse, 0}}, false},
    FragmentCase{"below the grid", Path{}.move(0, 0).line(0.001, 0).line(0, 0.001), {{kCollapse, 0}}, false},
    FragmentCase{"second subpath", Path{}.rect(0, 0, 4, 4).move(20, 20).line(30, 20).close(), {{kCollapse, 1}}, true},
    // Fill fragments after a close keep the subpath's index (strokes use -1).
    FragmentCase{"drawn after close", Path{}.rect(0, 0, 10, 10).line(5, 5), {{kCollapse, 0}}, true},
    FragmentCase{"coincident under evenodd", Path{}.rect(0, 0, 4, 4).rect(0, 0, 4, 4).evenodd(),
                 {{Reason::fill_rule_cancelled, -1}}, false},
    FragmentCase{"opposite under nonzero", Path{}.rect(0, 0, 4, 4).move(0, 0).line(0, 4).line(4, 4).line(4, 0),
                 {{Reason::fill_rule_cancelled, -1}}, false},
    FragmentCase{"all-zero matrix", Path{}.rect(0, 0, 4, 4).matrix({0, 0, 0, 0, 5, 5}), {}, false},
    // Not collinear in source units, but exactly so on the grid, where the double area estimate is 8388608.
    FragmentCase{"grid ring collinear at 1e12",
                 Path{}.move(0, 0).line(811096000002, 333020000008).line(405548000001, 166510000004.25),
                 {{kCollapse, 0}}, false, 1.0},
    // Far outside the view the grid would overflow (10^17); the clip before quantizing keeps it away.
    FragmentCase{"far beyond the view", Path{}.rect(1e5, 0, 1e5 + 10, 10), {{Reason::clipped_out, -1}}, false, 1e-12, kView},
    FragmentCase{"far beside a visible square", Path{}.rect(1e5, 0, 1e5 + 10, 10).rect(1, 1, 2, 2), {}, true, 1e-12, kView},
    FragmentCase{"full bleed", Path{}.rect(-50, -50, 150, 150), {}, true, 1e-12, kView},
    FragmentCase{"star over the edge", Path{}.star(100, 50, 80).evenodd(), {}, true, 1e-12, kView},
    FragmentCase{"hairline across the view", Path{}.rect(-1e3, 50, 1e3, 50 + 1e-13), {{kCollapse, 0}}, false, 1e-12, kView},
    FragmentCase{"far line", Path{}.move(1e6, 0).line(2e6, 0).flags({0}), {{kLine, 0}}, false, 1e-12, kView}));
// clang-format on

struct CoverageCase {
    const char* why;
    Path path;
    double area;       // of the exact outline under the fill rule
    double perimeter;  // at least the outline's length
};
void PrintTo(const CoverageCase& c, std::ostream* os) {
    *os << c.why;
}

double pentagram_inner(double r) {
    return r * std::cos(0.4 * M_PI) / std::cos(0.2 * M_PI);
}
double pentagram_area(double r) {
    return 5 * r * pentagram_inner(r) * std::sin(0.2 * M_PI);
}
double pentagon_area(double r) {
    return 2.5 * r * r * std::sin(0.4 * M_PI);
}

// The exact outline in source units, cubics densely sampled; `starts` gets each subpath's first
// index and, last, the total count.
std::vector<PaintPoint> sampled_outline(const PaintCommand& command, std::vector<std::size_t>& starts) {
    std::vector<PaintPoint> outline;
    std::size_t cursor = 0;
    for (PathVerb verb : command.path_verbs) {
        const PaintPoint* p = command.path_points.data() + cursor;
        cursor += pointsPerVerb(verb);
        if (verb == PathVerb::move_to)
            starts.push_back(outline.size());
        if (verb == PathVerb::move_to || verb == PathVerb::line_to)
            outline.push_back(p[0]);
        const PaintPoint a = outline.back();
        for (int i = 1; verb == PathVerb::cubic_to && i <= 400; ++i) {
            const double t = i / 400.0, u = 1 - t, w[4] = {u * u * u, 3 * u * u * t, 3 * u * t * t, t * t * t};
            outline.push_back({w[0] * a.x + w[1] * p[0].x + w[2] * p[1].x + w[3] * p[2].x,
                               w[0] * a.y + w[1] * p[0].y + w[2] * p[1].y + w[3] * p[2].y});
        }
    }
    const PaintMatrix& m = command.matrix;
    for (PaintPoint& p : outline)
        p = {m[0] * p.x + m[2] * p.y + m[4], m[1] * p.x + m[3] * p.y + m[5]};
    starts.push_back(outline.size());
    return outline;
}

double sampled_area(const PaintCommand& command) {
    std::vector<std::size_t> starts;
    const std::vector<PaintPoint> outline = sampled_outline(command, starts);
    double sum = 0.0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const PaintPoint a = outline[i], b = outline[(i + 1) % outline.size()];
        sum += a.x * b.y - b.x * a.y;
    }
    return std::fabs(sum) / 2;
}

class FillCoverage : public testing::TestWithParam<CoverageCase> {};

// Against the exact outline: the area within perimeter x bound, every vertex within the bound
// of a dense sampling of the outline.
TEST_P(FillCoverage, MatchesTheExactOutlineWithinTheErrorBound) {
    const CoverageCase& c = GetParam();
    Grid grid;
    const PreparedNormalization prepared = grid.prepare(c.path);
    ASSERT_TRUE(prepared.fragments.empty()) << c.why;
    const double bound = prepared.lowering_error_bound;
    EXPECT_LT(bound, 0.02) << c.why;
    double area = 0.0;
    for (const auto& ring : prepared.geometry)
        area += ring_area(ring) * 1e-4;
    EXPECT_NEAR(std::fabs(area), c.area, c.perimeter * bound) << c.why;

    std::vector<std::size_t> starts;
    const std::vector<PaintPoint> outline = sampled_outline(c.path.command, starts);
    for (const auto& ring : prepared.geometry) {
        for (const auto& vertex : ring) {
            const PaintPoint v{vertex.x * 0.01, vertex.y * 0.01};
            double nearest = INFINITY;
            for (std::size_t s = 0; s + 1 < starts.size(); ++s) {
                for (std::size_t i = starts[s]; i < starts[s + 1]; ++i) {
                    const std::size_t next = i + 1 == starts[s + 1] ? starts[s] : i + 1;
                    nearest = std::min(nearest, point_segment_distance(v, outline[i], outline[next]));
                }
            }
            ASSERT_LE(nearest, bound) << c.why << " at " << v.x << ", " << v.y;
        }
    }
}

double circle_area(double r) {
    return sampled_area(Path{}.circle(0, 0, r).command);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, FillCoverage, testing::Values(
    CoverageCase{"rectangle", Path{}.rect(1, 2, 11, 10), 80.0, 36.0},
    CoverageCase{"circle", Path{}.circle(20, 20, 5), circle_area(5), 10 * M_PI},
    CoverageCase{"sheared circle", Path{}.circle(0, 0, 3).matrix({2, 0.5, 0.7, 1.5, 40, 40}), circle_area(3) * 2.65, 13.2 * M_PI},
    CoverageCase{"opposite hole, nonzero", Path{}.rect(0, 0, 10, 10).move(3, 3).line(3, 7).line(7, 7).line(7, 3), 84.0, 56.0},
    CoverageCase{"same-way hole, evenodd", Path{}.rect(0, 0, 10, 10).rect(3, 3, 7, 7).evenodd(), 84.0, 56.0},
    CoverageCase{"round hole, evenodd", Path{}.circle(10, 10, 6).circle(10, 10, 2).evenodd(), circle_area(6) - circle_area(2), 16 * M_PI},
    CoverageCase{"star, nonzero", Path{}.star(10, 10, 8), pentagram_area(8), 76.1},
    CoverageCase{"star, evenodd", Path{}.star(10, 10, 8).evenodd(), pentagram_area(8) - pentagon_area(pentagram_inner(8)), 76.1}));
// clang-format on

TEST(FillLowering, TinyCircleIsFlattenedAgainAndKeepsItsArea) {
    // Two half-circle cubics within the coarse tolerance of their chords flatten to a line; the
    // forced re-flatten recovers the disc on the fine grid.
    const double r = 0.5, k = 4.0 / 3.0 * r;
    Grid grid(0.001, 1.0);
    const Path circle = Path{}.move(r, 0).cubic({r, k}, {-r, k}, {-r, 0}).cubic({-r, -k}, {r, -k}, {r, 0});
    const PreparedNormalization prepared = grid.prepare(circle);
    ASSERT_TRUE(prepared.fragments.empty());
    ASSERT_EQ(prepared.geometry.size(), 1u);
    EXPECT_GE(prepared.geometry[0].size(), 32u);
    EXPECT_NEAR(std::fabs(ring_area(prepared.geometry[0])) * 1e-6, sampled_area(circle.command),
                2 * M_PI * r * prepared.lowering_error_bound);
}

TEST(FillLowering, Failures) {
    Grid grid;
    EXPECT_THROW(grid.prepare(Path{}.rect(0, 0, 1e14, 1)), std::range_error) << "beyond 1e15 grid units";
    Grid deep(1e-12, 1e-30);
    EXPECT_THROW(deep.prepare(Path{}.circle(0, 0, 100)), ComplexityLimitError);
    EXPECT_LT(deep.budget.lowered_points, 1000u) << "refused before the pieces were made";
    Path truncated = Path{}.rect(0, 0, 1, 1);
    truncated.command.path_points.pop_back();
    EXPECT_THROW(grid.prepare(truncated), std::out_of_range);
    grid.params.budget = nullptr;
    EXPECT_THROW(grid.prepare(Path{}.rect(0, 0, 1, 1)), std::logic_error);
}

TEST(FillLowering, ChargesTheBudgetAndRecordsEveryEdge) {
    Grid grid;
    const PreparedNormalization prepared = grid.prepare(Path{}.rect(0, 0, 2, 2));
    EXPECT_EQ(grid.budget.lowered_points, 8u) << "walked, then quantized";
    EXPECT_EQ(grid.budget.lowered_rings, 1u);
    EXPECT_EQ(grid.budget.clipper_input_points, 4u);
    EXPECT_EQ(grid.budget.clipper_output_paths, 1u);
    EXPECT_EQ(grid.records.size(), 4u);
    EXPECT_NEAR(prepared.lowering_error_bound, 0.01 / std::sqrt(2.0), 1e-5)
        << "half a grid diagonal and float envelopes";
}

}  // namespace
}  // namespace pavrix_svg_core
