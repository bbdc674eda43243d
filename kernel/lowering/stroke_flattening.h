#pragma once

// Flattening of a stroke's path into polyline pieces in path units, with the curves' true tangents kept
// at caps and corners, and the path's length.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Splitting a cubic stops here; a curve that still misses the tolerance fails rather than
// recording a larger error, because dash boundaries along it would move unnoticed.
inline constexpr int kMaxStrokeCubicDepth = 32;

// One smooth stretch of a stroke path in path units: a cubic, or a line from points[0] to points[3].
struct StrokeStretch {
    std::array<PaintPoint, 4> points;
    bool cubic = false;
};

// A drawing subpath (or a dash of one) as its exact stretches; without stretches it is a point.
struct ExactPiece {
    std::vector<StrokeStretch> stretches;  // none of zero length
    PaintPoint start;
    // A point (a dash too short to leave it) paints its caps along the path's unit tangent there;
    // (0, 0) for a zero-length subpath, whose square cap stays axis-aligned.
    PaintPoint direction;
    std::uint8_t closed = 0;
    std::int32_t subpath_index = -1;
    // A line too short to keep was left out: a piece left without stretches paints nothing with a butt
    // cap and is reported collapsed, as it was when the line was offset.
    std::uint8_t negligible_segment = 0;
};

// A flattened vertex where a curve meets a curve or a line at a corner, with the unit tangents on both
// sides: its join is built from these, not from the neighbouring chords.
struct ExactCorner {
    std::size_t index = 0;
    PaintPoint incoming;
    PaintPoint outgoing;
};

// One flattened or dashed piece of a stroke path.
struct FlatPiece {
    std::vector<PaintPoint> points;  // path units; a closed piece never repeats its first point at the end
    std::uint8_t closed = 0;
    // The piece received a line, cubic or close, or it is a dash piece started at a dash boundary
    // or joined across the start of a closed path.
    std::uint8_t has_segment = 0;
    // Ordinal of the piece's move_to; -1 for geometry drawn after a close without a new move_to.
    std::int32_t subpath_index = -1;
    std::vector<ExactCorner> corners;
    PaintPoint direction;                 // as ExactPiece's, for a piece whose points all coincide
    std::uint8_t negligible_segment = 0;  // as ExactPiece's
    // Unit tangents where the piece starts and ends ((0, 0) where its end chords give them): an open
    // piece's caps stand on them.
    PaintPoint start_tangent, end_tangent;
    // The piece's open ends lie inside the pen's own sweep (stroke_sweep): they are offset flat.
    std::uint8_t cut_ends = 0;
    // 1-based ordinal of the swept piece this part belongs to (0: none); its collapse is reported once.
    std::uint32_t group = 0;
};

// How closely a curve's end chords must follow its true tangent where a cap or a corner (other than a
// round one) is built on them: a chord tilted by a from the tangent moves the outline's corner by about
// half_width x sin(a) (sqrt 2 times that for square caps), which must stay within `error`.
struct StrokeEnds {
    double half_width = 0.0;
    LineCap cap = LineCap::butt;
    LineJoin join = LineJoin::miter;
    double error = 0.0;  // path units
    // How far a chord's offset may stray from the curve's offset where chords meet (path units).
    double offset_error = 0.0;
};

// The exact pieces of a stroke path, one per subpath that draws; zero-length segments are left out.
// std::out_of_range when a verb's points are missing.
std::vector<ExactPiece> exact_pieces(const PaintCommand& command);

// Flattens one exact piece within `tolerance` (cubics as flatten_cubic). With `ends`, cubic chords at
// caps and corners are refined until they follow the true tangent, and corners touching a curve are
// listed for a miter join.
FlatPiece flatten_exact_piece(const ExactPiece& piece, double tolerance, double arc_budget, const StrokeEnds* ends,
                              ComplexityBudget& budget);

// The length of a stretch (a cubic's by adaptive Gauss-Legendre quadrature, to about 1e-11 of it), and
// the parameter `length` further along it from parameter `from`, from which `remaining` is left to its end
// (1 when length reaches it).
double stretch_length(const StrokeStretch& stretch) noexcept;
double stretch_parameter_after(const StrokeStretch& stretch, double from, double length, double remaining) noexcept;

// The point at u on the segment from a to b (a and b themselves at 0 and 1), and on a cubic.
PaintPoint point_along(const PaintPoint& a, const PaintPoint& b, double u) noexcept;
PaintPoint cubic_point_at(const std::array<PaintPoint, 4>& cubic, double u) noexcept;

// The part of a stretch between parameters u0 <= u1 (exact at 0 and 1), and whether a stretch is a point.
StrokeStretch sub_stretch(const StrokeStretch& stretch, double u0, double u1) noexcept;
bool stretch_is_point(const StrokeStretch& stretch) noexcept;

// Unit tangent of a stretch where it starts or ends: toward the nearest control point distinct from
// the end point. (0, 0) for a stretch that is a point.
PaintPoint stretch_start_tangent(const StrokeStretch& stretch) noexcept;
PaintPoint stretch_end_tangent(const StrokeStretch& stretch) noexcept;
// Unit direction of travel at parameter u (the end tangents at 0 and 1; at a cusp, from the second
// derivative). (0, 0) for a stretch that is a point.
PaintPoint stretch_tangent_at(const StrokeStretch& stretch, double u) noexcept;

// One piece per drawing subpath; every appended point is charged as lowered.
// StrokeInputPrecisionError from the cubic flattening; std::out_of_range when a verb's points are
// missing.
std::vector<FlatPiece> flatten_path(const PaintCommand& command, double tolerance, double arc_budget,
                                    ComplexityBudget& budget);

// Appends the flattened cubic p0..p3 (without p0) to `points`, splitting at t = 1/2 until both control
// points lie within `tolerance` of the chord and the control polygon exceeds the chord by at most
// `arc_budget` (halved with every split). StrokeInputPrecisionError "cubic_flattening_depth" past
// kMaxStrokeCubicDepth, "nonfinite_cubic_arc_length" for an unmeasurable curve.
void flatten_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                   double tolerance, double arc_budget, int depth, std::vector<PaintPoint>& points,
                   ComplexityBudget& budget);

// Length of lines, control polygons of cubics and closing legs. StrokeInputPrecisionError
// "nonfinite_path_length" when the sum is not finite.
double path_length(const PaintCommand& command);

}  // namespace pavrix_svg_core
