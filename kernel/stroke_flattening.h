#pragma once

// Flattening of a stroke's path into polyline pieces in path units, the path's length, and the
// simplification of pieces that run along curves.

#include <cstdint>
#include <vector>

#include "kernel/complexity_budget.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Splitting a cubic stops here; a curve that still misses the tolerance fails rather than
// recording a larger error, because dash boundaries along it would move unnoticed.
inline constexpr int kMaxStrokeCubicDepth = 32;

// One flattened or dashed piece of a stroke path.
struct FlatPiece {
    std::vector<PaintPoint> points;  // path units; a closed piece never repeats its first point at the end
    std::uint8_t closed = 0;
    // The piece received a line, cubic or close, or it is a dash piece started at a dash boundary
    // or joined across the start of a closed path.
    std::uint8_t has_segment = 0;
    // Ordinal of the piece's move_to; -1 for geometry drawn after a close without a new move_to.
    std::int32_t subpath_index = -1;
};

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

// Ramer-Douglas-Peucker in place, with an explicit stack; keeps the first and last point.
void simplify_piece(std::vector<PaintPoint>& points, double epsilon, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
