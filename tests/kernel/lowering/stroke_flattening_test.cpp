// Stroke path flattening: piece structure per subpath, cubic accuracy and refusals, end chords on the
// true tangent, and lengths.

#include "kernel/lowering/stroke_flattening.h"

#include <cmath>

#include <gtest/gtest.h>

#include "kernel/lowering/cubic_flattening.h"
#include "kernel/common/kernel_errors.h"
#include "tests/kernel/lowering/stroke_test_support.h"

namespace pavrix_svg_core {
namespace {

using stroke_test::stroke_path;

struct PieceCase {
    const char* name;
    const char* path;
    std::size_t pieces;
    std::size_t first_points;
    bool first_closed;
    std::int32_t last_index;
};

class FlattenPieces : public testing::TestWithParam<PieceCase> {};

TEST_P(FlattenPieces, Structure) {
    const PieceCase& c = GetParam();
    ComplexityBudget budget;
    const auto pieces = flatten_path(stroke_path(c.path), 0.01, INFINITY, budget);
    ASSERT_EQ(pieces.size(), c.pieces) << c.name;
    if (pieces.empty())
        return;
    EXPECT_EQ(pieces.front().points.size(), c.first_points) << c.name;
    EXPECT_EQ(pieces.front().closed != 0, c.first_closed) << c.name;
    EXPECT_EQ(pieces.back().subpath_index, c.last_index) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, FlattenPieces,
                         testing::Values(
                             // A lone move_to paints nothing.
                             PieceCase{"lone_move", "M 5 5", 0, 0, false, 0},
                             // A zero-length line is an open one-point piece (caps only).
                             PieceCase{"zero_line", "M 5 5 L 5 5", 1, 1, false, 0},
                             PieceCase{"move_close", "M 5 5 Z", 1, 1, true, 0},
                             // The explicit return to the start is dropped, so the closing corner gets its join.
                             PieceCase{"closed_with_return", "M 0 0 L 10 0 L 10 10 L 0 10 L 0 0 Z", 1, 4, true, 0},
                             // Kept as recorded: drawing after a close without a move_to carries index -1.
                             PieceCase{"after_close", "M 0 0 L 10 0 Z L 5 5", 2, 2, true, -1},
                             PieceCase{"two_subpaths", "M 0 0 L 1 0 M 5 5 L 6 6", 2, 2, false, 1}),
                         [](const testing::TestParamInfo<PieceCase>& info) { return std::string(info.param.name); });

// A line a rounding error long is dropped, in the middle of a subpath or closing it: the stretches still
// follow on without a gap (an edge of no direction would hide the corner from its join).
TEST(ExactPieces, DroppedLinesLeaveNoGapBetweenStretches) {
    for (const char* path : {"M 0 0 C 3 0 6 2 6 5 L 6.0000000000001 5 C 6 8 3 10 0 10",
                             "M 0 0 C 3 0 6 2 6 5 L 6 5.0000000000001 C 6 8 3 10 0.0000000000001 0 Z",
                             "M 0 0 L 10 0 C 10 5 5 10 0.0000000000001 0 Z"}) {
        const std::vector<ExactPiece> exact = exact_pieces(stroke_path(path));
        ASSERT_EQ(exact.size(), 1u) << path;
        const ExactPiece& piece = exact[0];
        EXPECT_EQ(piece.stretches.size(), 2u) << path;
        EXPECT_TRUE(piece.negligible_segment != 0) << path;
        EXPECT_EQ(piece.stretches.front().points[0], piece.start) << path;
        for (std::size_t i = 1; i < piece.stretches.size(); ++i) {
            EXPECT_EQ(piece.stretches[i].points[0], piece.stretches[i - 1].points[3]) << path;
        }
        if (piece.closed != 0) {
            EXPECT_EQ(piece.stretches.back().points[3], piece.start) << path;
        }
    }
}

TEST(FlattenCubic, PointsStayWithinToleranceOfTheCurve) {
    ComplexityBudget budget;
    const PaintPoint p0{0, 0}, p1{0, 50}, p2{100, 50}, p3{100, 0};
    std::vector<PaintPoint> points;
    flatten_cubic(p0, p1, p2, p3, 0.01, INFINITY, 0, points, budget);
    ASSERT_GT(points.size(), 8u);
    EXPECT_EQ(points.back(), p3);
    // Every chord midpoint lies within the tolerance of the curve, sampled densely.
    PaintPoint previous = p0;
    for (const PaintPoint& p : points) {
        const PaintPoint mid{(previous.x + p.x) / 2, (previous.y + p.y) / 2};
        double best = INFINITY;
        for (int i = 0; i <= 20000; ++i) {
            const double t = i / 20000.0, s = 1 - t;
            const double x = s * s * s * p0.x + 3 * s * s * t * p1.x + 3 * s * t * t * p2.x + t * t * t * p3.x;
            const double y = s * s * s * p0.y + 3 * s * s * t * p1.y + 3 * s * t * t * p2.y + t * t * t * p3.y;
            best = std::min(best, std::hypot(x - mid.x, y - mid.y));
        }
        EXPECT_LE(best, 0.0125);
        previous = p;
    }
}

TEST(FlattenCubic, RefusesCurvesItCannotResolve) {
    ComplexityBudget budget;
    std::vector<PaintPoint> points;
    // No arc budget left for a curved piece: splitting cannot help.
    EXPECT_THROW(flatten_cubic({0, 0}, {0, 1}, {1, 1}, {1, 0}, 1.0, 0.0, 0, points, budget), StrokeInputPrecisionError);
    // A tolerance far below the curve's size asks for 2^depth points: refused before they exist.
    EXPECT_THROW(flatten_cubic({0, 0}, {0, 1e6}, {1e6, 1e6}, {1e6, 0}, 1e-300, INFINITY, 0, points, budget),
                 ComplexityLimitError);
    EXPECT_LT(points.size(), 1u << 20);
}

// A quarter circle with a butt cap at its start and a corner at its end: the chords that carry them
// follow the true tangents (0, 1) and (-1, 0) within the error allowed, at the cost of a few points.
TEST(FlattenExactPiece, CapAndCornerChordsFollowTheTrueTangent) {
    ComplexityBudget budget;
    const std::vector<ExactPiece> exact = exact_pieces(stroke_path("M 10 0 C 10 5.5228 5.5228 10 0 10 L 0 20"));
    const StrokeEnds ends{2.0, LineCap::butt, LineJoin::bevel, 1e-4};
    const FlatPiece flat = flatten_exact_piece(exact[0], 0.01, INFINITY, &ends, budget);
    const std::vector<PaintPoint>& p = flat.points;
    const std::size_t corner = p.size() - 2;
    EXPECT_LE(2.0 * std::fabs(p[1].x - p[0].x) / std::hypot(p[1].x - p[0].x, p[1].y - p[0].y), 1e-4);
    EXPECT_LE(2.0 * std::fabs(p[corner].y - p[corner - 1].y) /
                  std::hypot(p[corner].x - p[corner - 1].x, p[corner].y - p[corner - 1].y),
              1e-4);
    const FlatPiece plain = flatten_exact_piece(exact[0], 0.01, INFINITY, nullptr, budget);
    EXPECT_GT(p.size(), plain.points.size());
    EXPECT_LT(p.size(), plain.points.size() + 40);
}

TEST(PathLength, CountsLinesControlPolygonsAndClosingLegs) {
    EXPECT_DOUBLE_EQ(path_length(stroke_path("M 0 0 L 3 4 Z")), 10.0);
    EXPECT_DOUBLE_EQ(path_length(stroke_path("M 0 0 C 0 1 1 1 1 0")), 3.0);
    EXPECT_THROW(path_length(stroke_path("M -1e308 0 L 1e308 0")), StrokeInputPrecisionError);
}

}  // namespace
}  // namespace pavrix_svg_core
