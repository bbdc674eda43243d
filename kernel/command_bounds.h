#pragma once

// Source-unit bounds of what a command paints, strokes included, and the clip-aware bounds of a
// whole recording.

#include <limits>
#include <vector>

#include "kernel/boxes.h"
#include "kernel/complexity_budget.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Exact path bounds for fills and clips; for strokes the bounds of the outline (only subpaths that
// draw count). Charges the budget for the outline.
DoubleBox command_bounds(const PaintCommand& command, ComplexityBudget& budget);

struct ClipAwareBounds {
    DoubleBox unclipped;                   // A: clip shapes, fills and strokes, unclipped
    DoubleBox clipped;                     // B: fills and strokes clipped by their enclosing clips
    std::vector<DoubleBox> command_boxes;  // one per fill or stroke command, clipped, in command order
    double min_side = std::numeric_limits<double>::infinity();  // of the non-empty clipped boxes
};

ClipAwareBounds clip_aware_bounds(const std::vector<PaintCommand>& commands, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
