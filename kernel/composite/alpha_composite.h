#pragma once

// Translucent compositing of the replay's regions over the paint program (group tree with
// opacities) into flat-colour visible regions and their coverage.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/composite/alpha_component.h"
#include "kernel/composite/alpha_tiles.h"
#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/commands/replay_params.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

// One entry of the coverage merge stack.
struct CoverageRun {
    Clipper2Lib::Paths64 paths;
    IntBox bbox;
    std::uint64_t count = 0;  // components merged into it
};

struct AlphaCompositeResult {
    std::vector<ReplayRegion> regions;  // visible, one flat colour each
    Clipper2Lib::Paths64 coverage;      // union of all visible area
    // Grid units by which cuts into tiles may have moved an edge; the driver adds it to the route
    // displacement behind max_quantization_error_mm.
    std::uint64_t displacement = 0;
};

// Crossings of the translucent leaves' edges allowed before compositing: every crossing makes a
// face of its own colour, with its own region to export, and faces deep in overlapping paint
// carry a contributor for every paint above them. 300 mutually overlapping discs cross 89,700
// times and composite in about a second; 1,000 cross 10^6 times and would need gigabytes.
inline constexpr std::uint64_t kAlphaCrossingCap = std::uint64_t{1} << 18;

// Evaluates node `node` of the paint program (leaves paint a region, groups composite their
// children in paint order and apply their opacity). Group nesting is walked with an explicit
// stack. std::runtime_error "invalid_paint_program" for a node or region index out of range.
AlphaComponentList composite_program_node(const std::vector<ReplayRegion>& regions,
                                          const std::vector<PaintProgramNode>& program, std::uint64_t node,
                                          ComplexityBudget& budget);

CoverageRun merge_coverage_runs(CoverageRun earlier, CoverageRun later, ComplexityBudget& budget);

// Every face of the arrangement of the translucent paint, coloured by the paints covering it,
// tile by tile on the replay's workers (the result does not depend on their count). Refused with
// ComplexityLimitError "alpha_crossing_limit" before any work when the leaves' edges cross more
// than kAlphaCrossingCap times. std::logic_error "missing_alpha_compositor_state" without a
// budget or without program nodes. `tile_points` is kAlphaTilePoints but in tests.
AlphaCompositeResult alpha_composite(const std::vector<ReplayRegion>& regions,
                                     const std::vector<PaintProgramNode>& program, const ReplayParams& params,
                                     std::uint64_t tile_points = kAlphaTilePoints);

// The same by cutting each paint against the pieces made so far: its cost grows with the pieces
// met, far past the arrangement's. Kept as the reference of the tiled road.
AlphaCompositeResult alpha_composite_by_pieces(const std::vector<ReplayRegion>& regions,
                                               const std::vector<PaintProgramNode>& program,
                                               const ReplayParams& params);

}  // namespace pavrix_svg_core
