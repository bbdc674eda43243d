#pragma once

// Adaptive flattening of cubic Bezier segments into polyline points with a per-point error.

#include <cstdint>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Splitting stops here even when the piece is still too curved: 2^32 pieces of one cubic are
// far beyond any budget, and the larger error is recorded rather than hidden.
inline constexpr int kMaxCubicDepth = 32;
// A re-flatten splits unconditionally down to this depth (16 pieces per cubic), so that a small
// curve whose first flattening collapsed gets a second, finer chance to keep its area.
inline constexpr int kForcedCubicDepth = 4;

// Distance from p to the segment ab (to a when a equals b).
double point_segment_distance(const PaintPoint& p, const PaintPoint& a, const PaintPoint& b) noexcept;

// Flattens the cubic p0..p3 (p0 is not appended) within `tolerance` path units. Every leaf
// appends its end point to `points` and flatness x `stretch` (source units) to `errors`, and
// charges one lowered point. Before a split the full tree down to the next depth is checked
// against the budget, so hostile curves end as ComplexityLimitError before anything is allocated.
void subdivide_cubic(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                     double tolerance, double stretch, int depth, std::vector<PaintPoint>& points,
                     std::vector<double>& errors, ComplexityBudget& budget);

// As subdivide_cubic, but splits without looking at the flatness while depth < kForcedCubicDepth.
void subdivide_cubic_forced(const PaintPoint& p0, const PaintPoint& p1, const PaintPoint& p2, const PaintPoint& p3,
                            double tolerance, double stretch, int depth, std::vector<PaintPoint>& points,
                            std::vector<double>& errors, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
