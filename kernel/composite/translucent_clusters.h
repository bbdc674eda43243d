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
// exported components, else the paths). Regions without area join the run they fall in.
std::vector<RegionRun> independent_region_runs(const std::vector<ReplayRegion>& regions, ComplexityBudget& budget);

// The program restricted to the leaves of regions in `run`: every group's children are combined
// in the very same halves as over the whole program, with the halves that paint nothing in the
// run left out, so each composite over sees the same operands in the same order. Empty when the
// program is not a tree whose leaves follow region order (then it is composited whole).
std::vector<PaintProgramNode> run_program(const std::vector<PaintProgramNode>& program, std::size_t region_count,
                                          const RegionRun& run);

// The translucent composite of the whole program, run by run on the replay's workers, joined in
// run order: the same visible regions, in the same order, and the same coverage as one composite
// of everything, since runs never meet. The result does not depend on the worker count.
AlphaCompositeResult alpha_composite_by_runs(const std::vector<ReplayRegion>& regions,
                                             const std::vector<PaintProgramNode>& program, const ReplayParams& params);

}  // namespace pavrix_svg_core
