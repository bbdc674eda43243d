#pragma once

// The colour, alpha and contributors that the paint program gives a point covered by a known set
// of painted regions, blended exactly as compositing their pieces list by list would.

#include <cstdint>
#include <vector>

#include "kernel/composite/alpha_component.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

class PaintSetColours {
public:
    // Walks the program once (explicit stack). std::runtime_error "invalid_paint_program" for a
    // node or region index out of range or a node reached twice.
    PaintSetColours(const std::vector<ReplayRegion>& regions, const std::vector<PaintProgramNode>& program);

    // Leaves in paint order; a position is an index into this order.
    std::size_t leaf_count() const noexcept { return leaf_regions_.size(); }
    std::uint64_t leaf_region(std::uint32_t position) const { return leaf_regions_.at(position); }
    // Whether the leaf shows anywhere: painted area, opacity above 0 and every enclosing group's
    // opacity above 0. A point covered only by other leaves gets no colour from it.
    bool leaf_shows(std::uint32_t position) const { return leaf_shows_.at(position) != 0; }

    // The blend at a point covered by exactly the leaves `positions` (ascending, all showing, at
    // least one), as a component without paths. The groups split their children into the same
    // halves as composite_program_node, so every rounding step is the same.
    AlphaComponent colour(const std::vector<std::uint32_t>& positions) const;

private:
    const std::vector<ReplayRegion>& regions_;
    const std::vector<PaintProgramNode>& program_;
    std::vector<std::uint64_t> leaf_regions_;
    std::vector<std::uint8_t> leaf_shows_;
    // Per node, the leaf positions [first_leaf, end_leaf) beneath it.
    std::vector<std::uint32_t> first_leaf_;
    std::vector<std::uint32_t> end_leaf_;
};

}  // namespace pavrix_svg_core
