#pragma once

// The pen's own sweep where offsetting is not enough: stretches bending tighter than the pen and sharp
// corners on curves (and then the piece's caps) are covered by rings between neighbouring pen positions,
// with exact joins and caps, and the rest of the piece is handed back for the offsetter.

#include <cstdint>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "kernel/lowering/stroke_flattening.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// A stretch is swept where its radius of curvature falls below this many half widths: below one the
// offset folds; a little above it the inner offset's chords still meet at steep corners.
inline constexpr double kSweepRadiusShare = 1.25;
// Bisections of a stretch's parameter interval before a sweep step is taken as it stands (a cusp
// turns the direction of travel at a point; the pen itself does not turn there).
inline constexpr int kMaxSweepDepth = 24;

struct SweptPiece {
    // The piece's stretches left to the offsetter: open runs whose ends lie inside the rings below and are
    // offset flat; a piece without swept parts comes back whole.
    std::vector<ExactPiece> bodies;
    std::vector<std::vector<PaintPoint>> rings;  // path units, all turning the same way (positive area)
    bool split = false;                          // false: `bodies` holds the piece itself
};

// Splits `piece` (at least one stretch) between the offsetter and the pen's sweep. `error` bounds the
// sweep's chords (path units), `arc_error` round joins' and caps', `margin` how far swept ends reach
// over the offset ones (more than the offsetter's own end moves).
SweptPiece sweep_piece(const ExactPiece& piece, const PaintStrokeStyle& style, double error, double arc_error,
                       double margin, ComplexityBudget& budget);

// Appends the parameters where the stretch's radius of curvature passes `radius` (there an offset by
// `radius` has its cusps, and the pen's sweep its extremes besides the centre line's).
void radius_crossings(const StrokeStretch& stretch, double radius, std::vector<double>& parameters);

// Whether the stretch's radius of curvature falls below `radius` anywhere (a vanishing derivative counts
// as radius 0).
bool stretch_bends_tighter(const StrokeStretch& stretch, double radius) noexcept;

}  // namespace pavrix_svg_core
