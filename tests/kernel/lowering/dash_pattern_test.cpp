// Dash patterns: normal form, phase, cutting of open and closed pieces, progress on extreme scales and
// refusal of hostile patterns.

#include "kernel/lowering/dash_pattern.h"

#include <chrono>

#include <gtest/gtest.h>

#include "kernel/common/kernel_errors.h"
#include "kernel/lowering/stroke_outline.h"
#include "tests/kernel/lowering/stroke_test_support.h"

namespace pavrix_svg_core {
namespace {

using stroke_test::stroke_path;

struct NormalCase {
    std::vector<double> input;
    std::vector<double> pattern;
};

class NormalizeDash : public testing::TestWithParam<NormalCase> {};

TEST_P(NormalizeDash, Pattern) {
    EXPECT_EQ(normalize_dash_array(GetParam().input), GetParam().pattern);
}

INSTANTIATE_TEST_SUITE_P(Cases, NormalizeDash,
                         testing::Values(NormalCase{{}, {}}, NormalCase{{0, 0}, {}},  // sums to 0: solid
                                         NormalCase{{5}, {5, 5}},                     // odd count repeats
                                         NormalCase{{-1, 2, 3}, {1, 2, 3, 1, 2, 3}}));

FlatPiece piece(std::vector<PaintPoint> points, bool closed = false) {
    FlatPiece p;
    p.points = std::move(points);
    p.closed = closed ? 1 : 0;
    p.has_segment = 1;
    p.subpath_index = 3;
    return p;
}

struct CutCase {
    const char* name;
    FlatPiece source;
    std::vector<double> pattern;
    double offset;
    std::size_t count;
    PaintPoint first_start;
    PaintPoint first_end;
    std::size_t first_points;
    PaintPoint dot_direction{};  // a first piece that never leaves its point paints its caps this way
};

class DashCut : public testing::TestWithParam<CutCase> {};

TEST_P(DashCut, Pieces) {
    const CutCase& c = GetParam();
    ComplexityBudget budget;
    const auto dashes = dash_piece(c.source, c.pattern, c.offset, budget);
    ASSERT_EQ(dashes.size(), c.count) << c.name;
    const FlatPiece& first = dashes.front();
    EXPECT_NEAR(first.points.front().x, c.first_start.x, 1e-9) << c.name;
    EXPECT_NEAR(first.points.front().y, c.first_start.y, 1e-9) << c.name;
    EXPECT_NEAR(first.points.back().x, c.first_end.x, 1e-9) << c.name;
    EXPECT_NEAR(first.points.back().y, c.first_end.y, 1e-9) << c.name;
    EXPECT_EQ(first.points.size(), c.first_points) << c.name;
    if (first.points.front() == first.points.back()) {
        EXPECT_EQ(first.direction, c.dot_direction) << c.name;
    }
    for (const FlatPiece& d : dashes)
        EXPECT_EQ(d.subpath_index, 3);

    // Cut on the path's exact stretches by their lengths, the same path gives the same dashes.
    PaintCommand command = stroke_path("");
    for (const PaintPoint& p : c.source.points) {
        command.path_verbs.push_back(command.path_points.empty() ? PathVerb::move_to : PathVerb::line_to);
        command.path_points.push_back(p);
    }
    if (c.source.closed != 0)
        command.path_verbs.push_back(PathVerb::close);
    command.stroke.dash_offset = c.offset;
    const auto exact = dash_exact_pieces(command, exact_pieces(command), c.pattern, budget);
    ASSERT_EQ(exact.size(), c.count) << c.name;
    const ExactPiece& piece = exact.front();
    // A closed polyline leaves its closing edge implicit; the exact piece has it as its last stretch.
    const PaintPoint end = piece.stretches.empty() ? piece.start
                           : piece.closed != 0     ? piece.stretches.back().points[0]
                                                   : piece.stretches.back().points[3];
    EXPECT_NEAR(piece.start.x, c.first_start.x, 1e-9) << c.name;
    EXPECT_NEAR(piece.start.y, c.first_start.y, 1e-9) << c.name;
    EXPECT_NEAR(end.x, c.first_end.x, 1e-9) << c.name;
    EXPECT_NEAR(end.y, c.first_end.y, 1e-9) << c.name;
    EXPECT_EQ(piece.closed, c.name == std::string("closed_whole") ? 1 : 0) << c.name;
    if (piece.stretches.empty()) {
        EXPECT_EQ(piece.direction, c.dot_direction) << c.name;
    }
}

const FlatPiece kLine = piece({{0, 0}, {100, 0}});
const FlatPiece kSlope = piece({{0, 0}, {30, 40}});
const FlatPiece kSquare = piece({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true);

INSTANTIATE_TEST_SUITE_P(
    Cases, DashCut,
    testing::Values(CutCase{"plain", kLine, {10, 5}, 0, 7, {0, 0}, {10, 0}, 2},
                    // -5 is the phase 10: the first dash is used up at the start and leaves its dot.
                    CutCase{"negative_offset", kLine, {10, 5}, -5, 8, {0, 0}, {0, 0}, 1, {1, 0}},
                    // Starting inside a gap: the first dash begins where the gap ends.
                    CutCase{"start_in_gap", kLine, {10, 5}, 12, 7, {3, 0}, {13, 0}, 2},
                    // Landing exactly on the end of a dash still paints that dash's caps at the start.
                    CutCase{"offset_on_dash_end", kLine, {10, 5}, 10, 8, {0, 0}, {0, 0}, 1, {1, 0}},
                    CutCase{"dot_along_a_slope", kSlope, {10, 5}, 10, 4, {0, 0}, {0, 0}, 1, {0.6, 0.8}},
                    // A dash too short to leave its point is a dot turned along the path.
                    CutCase{"dash_below_resolution", kSlope, {1e-30, 20}, 0, 3, {0, 0}, {0, 0}, 2, {0.6, 0.8}},
                    // The dash across the first corner is one piece, running through the corner.
                    CutCase{"closed_join_across_start", kSquare, {6, 2}, 4, 5, {0, 4}, {2, 0}, 3},
                    // A dash longer than the ring leaves it whole and closed.
                    CutCase{"closed_whole", kSquare, {200, 10}, 0, 1, {0, 0}, {0, 10}, 4},
                    // A segment far below the coordinates' resolution inside a long dash is no progress fault.
                    CutCase{
                        "tiny_segment", piece({{0, 0}, {1e-20, 0}, {100, 0}}), {200, 10}, 0, 1, {0, 0}, {100, 0}, 3}),
    [](const testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(DashCut, ClosedWholeRingIsClosed) {
    ComplexityBudget budget;
    const auto dashes = dash_piece(kSquare, {200, 10}, 0, budget);
    ASSERT_EQ(dashes.size(), 1u);
    EXPECT_EQ(dashes[0].closed, 1);
}

TEST(DashCut, HostilePatternIsRefusedBeforeAnyPieceIsMade) {
    PaintCommand command = stroke_path("M 0 0 L 100 0", 1.0);
    command.stroke.dash_array = {1e-12, 1e-12};
    ComplexityBudget budget;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(stroke_command(command, 0.01, 0.001, budget), ComplexityLimitError);
    EXPECT_EQ(budget.lowered_rings, 0u);
    // Not a timing test: a generous bound only shows no piece walk happened.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(DashCut, ShortDashBesideLongGapIsNotRefused) {
    PaintCommand command = stroke_path("M 0 0 L 100 0", 1.0);
    command.stroke.dash_array = {1e-9, 30};
    command.stroke.line_cap = LineCap::round;
    ComplexityBudget budget;
    const StrokeOutline outline = stroke_command(command, 0.01, 0.001, budget);
    EXPECT_EQ(outline.rings.size(), 4u);  // dots at 0, 30, 60 and 90
}

}  // namespace
}  // namespace pavrix_svg_core
