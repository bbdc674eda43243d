#pragma once

// Clipping of flattened rings, in source units, to a rectangle around the viewport before they
// reach the grid.

#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Paint is clipped to the viewport grown by this many grid units: far enough that the replay's
// exact clip on the grid never sees the cut edges, close enough that off-page paint cannot push
// grid coordinates out of range or widen the print.
inline constexpr double kViewportClipMarginGridUnits = 4.0;

// The viewport of `params` grown by the margin; the empty box when there is no viewport clip.
DoubleBox viewport_clip_rect(const ReplayParams& params) noexcept;

// True when every point lies inside `rect` (boundary included), so clipping would change nothing.
bool ring_inside_rect(const std::vector<PaintPoint>& points, const DoubleBox& rect) noexcept;

// Sutherland-Hodgman against the rectangle, in place. The winding number of every point inside
// the rectangle is kept, so both fill rules give the same coverage there. `errors` (one per point)
// follows the points: a cut point inherits the error of the edge it cuts (its end point's).
// The ring comes back empty when nothing of it lies inside.
void clip_ring_to_rect(std::vector<PaintPoint>& points, std::vector<double>& errors, const DoubleBox& rect);

}  // namespace pavrix_svg_core
