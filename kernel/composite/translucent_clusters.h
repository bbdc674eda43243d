#pragma once

// Translucent compositing split into runs of paint that share no area with the rest (the icons
// of a sheet), each composited on its own on the workers and joined in paint order.

#include <cstddef>
#include <vector>

#include "kernel/commands/replay_params.h"
#include "kernel/commands/replay_region.h"
#include "kernel/composite/alpha_composite.h"

namespace pavrix_svg_core {

// Regions [first, end) in paint order.
struct RegionRun {
    std::size_t first = 0;
    std::size_t end = 0;
};

// The finest cut of the regions into runs of consecutive paint such that no region's area box
// touches the box of a region in another run (boxes of the polygons the compositor reads: the
// exported components, else the paths). Regions without area join the run they fall in. One run
// over everything when the boxes touch too often to be worth listing.
std::vector<RegionRun> independent_region_runs(const std::vector<ReplayRegion>& regions, ComplexityBudget& budget);

// The translucent composite of the whole program, run by run on the replay's workers, joined in
// run order. Each run is composited over the program restricted to its leaves, with every group's
// children combined in the very same halves as over the whole program (halves that paint nothing
// in the run left out), so each blend sees the same operands in the same order: the colours,
// contributors and areas of one composite of everything, since runs never meet. Programs that are
// not a tree whose leaves follow region order are composited whole. The result does not depend on
// the worker count.
AlphaCompositeResult alpha_composite_by_runs(const std::vector<ReplayRegion>& regions,
                                             const std::vector<PaintProgramNode>& program, const ReplayParams& params);

}  // namespace pavrix_svg_core
