#pragma once

// Source-unit bounds of what a command paints, strokes included, and the clip-aware bounds of a
// whole recording.

#include <limits>
#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Exact path bounds for fills and clips; for strokes the box of the exact outline (only subpaths that
// draw count; empty when the stroke paints nothing). Dashed strokes charge the budget for their dashes.
DoubleBox command_bounds(const PaintCommand& command, ComplexityBudget& budget);

struct ClipAwareBounds {
    DoubleBox unclipped;                   // A: clip shapes, fills and strokes, unclipped
    DoubleBox clipped;                     // B: fills and strokes clipped by their enclosing clips
    std::vector<DoubleBox> command_boxes;  // one per fill or stroke command, clipped, in command order
    double min_side = std::numeric_limits<double>::infinity();  // of the non-empty clipped boxes
};

// `paint_boxes`, when given, holds command_bounds of every fill and stroke in command order, so that
// nothing is bounded twice.
ClipAwareBounds clip_aware_bounds(const std::vector<PaintCommand>& commands, ComplexityBudget& budget,
                                  const std::vector<DoubleBox>* paint_boxes = nullptr);

}  // namespace pavrix_svg_core
