#pragma once

// The device-space box of a stroke's exact outline, found from the extremes of its offset curves, caps
// and joins on the true tangents instead of by outlining it.

#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/lowering/stroke_flattening.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Box of the pieces stroked with `style` in path units and mapped through `matrix`; the empty box when
// nothing is painted (butt caps of point pieces, or no piece). Joins and caps are those the outliner
// builds: miters within wedge_miter_cosine, square and round caps, axis-aligned squares and discs for
// point pieces.
DoubleBox exact_stroke_bounds(const std::vector<ExactPiece>& pieces, const PaintStrokeStyle& style,
                              const PaintMatrix& matrix);

}  // namespace pavrix_svg_core
