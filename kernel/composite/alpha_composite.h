#pragma once

// Translucent compositing of the replay's regions over the paint program (group tree with
// opacities) into flat-colour visible regions and their coverage.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/composite/alpha_component.h"
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
};

// Evaluates node `node` of the paint program (leaves paint a region, groups composite their
// children in paint order and apply their opacity). Group nesting is walked with an explicit
// stack. std::runtime_error "invalid_paint_program" for a node or region index out of range.
AlphaComponentList composite_program_node(const std::vector<ReplayRegion>& regions,
                                          const std::vector<PaintProgramNode>& program, std::uint64_t node,
                                          ComplexityBudget& budget);

CoverageRun merge_coverage_runs(CoverageRun earlier, CoverageRun later, ComplexityBudget& budget);

// std::logic_error "missing_alpha_compositor_state" without a budget or without program nodes.
AlphaCompositeResult alpha_composite(const std::vector<ReplayRegion>& regions,
                                     const std::vector<PaintProgramNode>& program, const ReplayParams& params);

}  // namespace pavrix_svg_core
