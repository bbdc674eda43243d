#pragma once

// Translucent paint composited tile by tile on the workers: every face of the arrangement of the
// painted leaves, labelled with the leaves that cover it and coloured through the paint program.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/composite/alpha_component.h"
#include "kernel/composite/paint_set_colour.h"
#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

// A tile is composited as it is once its partly covering leaves hold at most this many points:
// the label compositing inside it then meets few pieces per boolean, while every cut adds the
// crossing points of the leaves it meets. Chosen by timing overlapping discs and traced art.
inline constexpr std::uint64_t kAlphaTilePoints = 256;

// All pieces of the page covered by exactly the leaves `positions` (ascending).
struct PaintSetFaces {
    std::vector<std::uint32_t> positions;
    std::uint64_t hash = 0;    // of the positions
    AlphaComponent component;  // the set's colour and contributors, with all of its pieces
};

struct AlphaTileOutput {
    // In the order first met, tile by tile in page order (within a tile as the piece compositor
    // orders its pieces), so the same for every worker count.
    std::vector<PaintSetFaces> faces;
    Clipper2Lib::Paths64 coverage;  // union of every leaf that shows
    // Grid units by which cuts into tiles may have moved an edge (0 without cuts).
    std::uint64_t displacement = 0;
};

// `leaf_paths[p]` is the area of leaf position p (empty for leaves that do not show). Tiles are
// cut from the page alike for every worker count and joined in page order, so the output does
// not depend on `workers`. ComplexityLimitError "alpha_contributor_limit" when the colours of the
// sets found hold more than kAlphaContributorCap contributor entries.
AlphaTileOutput alpha_tile_faces(const PaintSetColours& colours, const std::vector<Clipper2Lib::Paths64>& leaf_paths,
                                 std::uint32_t workers, ComplexityBudget& budget,
                                 std::uint64_t tile_points = kAlphaTilePoints);

}  // namespace pavrix_svg_core
