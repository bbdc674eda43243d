#pragma once

// Exact device-space bounds of a command's path, the viewport clip of a box, and the bounds of
// replay output in source units.

#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/commands/replay_params.h"
#include "kernel/commands/replay_region.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Clamps the box to the viewport (x, y, w, h) unless w or h is not positive finite. The result
// may be empty.
void clip_box_to_viewport(DoubleBox& box, const PaintBox& viewport) noexcept;

// Bounds of the transformed path with cubic extrema solved. Fill and clip commands count only
// subpaths that enclose area; strokes count every subpath. Other kinds: the empty box.
DoubleBox exact_path_bounds(const PaintCommand& command);

// Parameters in (0, 1) where a cubic with these control values in one axis has a zero derivative;
// returns their count (at most 2).
int cubic_axis_extrema(double p0, double p1, double p2, double p3, double roots[2]) noexcept;

// Union of the valid region boxes mapped back to source units; empty when none is valid.
DoubleBox replay_output_bounds(const std::vector<ReplayRegion>& regions, const ReplayParams& params) noexcept;

}  // namespace pavrix_svg_core
