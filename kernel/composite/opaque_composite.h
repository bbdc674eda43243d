#pragma once

// Painter's-order compositing of opaque regions: what shows of each region and the coverage
// of all of them.

#include <cstdint>
#include <memory>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/bounds/packed_grid_bounds_index.h"
#include "kernel/commands/replay_params.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

struct OpaqueCompositeOutput {
    std::vector<Clipper2Lib::Paths64> visible_paths;  // one per input region, empty when hidden
    Clipper2Lib::Paths64 coverage;                    // union of every region that shows
    // Grid units by which the cuts into tiles may have moved an edge (0 without cuts); the driver
    // adds it to the route displacement behind max_quantization_error_mm.
    std::uint64_t displacement = 0;
};

// A tile is composited as it is once it holds at most this many points: the cover stack's sweeps
// then stay short, while cutting further would mostly add crossing points. Chosen by instruction
// counts on stacked traced art and icon sheets.
inline constexpr std::uint64_t kOpaqueTilePoints = 1024;

// Regions already composited that hide what lies below them. Blocks form a binary counter
// (region counts are powers of two, strictly decreasing bottom to top), so a region is
// differenced against O(log n) indexes instead of every later region.
struct CoverBlock {
    Clipper2Lib::Paths64 paths;
    std::unique_ptr<PackedGridBoundsIndex> index;  // over per_path_bounds(paths)
    IntBox box;                                    // over all of `paths`
    std::uint64_t region_count = 0;
};

// Running totals of output points and paths; both are checked for "size_sum_overflow".
struct PathTotals {
    std::uint64_t points = 0;
    std::uint64_t paths = 0;
};

void add_path_totals(PathTotals& totals, const Clipper2Lib::Paths64& paths);

// Lexicographic order of two regions' geometry: path by path, point by point (x, then y), a
// proper prefix first; equal common paths order the set with fewer paths first.
bool region_geometry_less(const Clipper2Lib::Paths64& a, const Clipper2Lib::Paths64& b) noexcept;

CoverBlock make_cover_block(Clipper2Lib::Paths64 paths);
CoverBlock merge_cover_blocks(ComplexityBudget& budget, CoverBlock older, CoverBlock newer);
// Pushes a block of one region, merging equal counts from the top like a binary counter.
void push_cover_block(std::vector<CoverBlock>& stack, CoverBlock block, ComplexityBudget& budget);

// What shows of each of `items` (paint order) and their coverage, with a cover stack: each item
// is differenced only against the cover paths whose boxes touch it. The compositor runs it in
// every tile; over a whole page it is the compositor without tiles.
OpaqueCompositeOutput composite_cover_stack(const std::vector<const Clipper2Lib::Paths64*>& items,
                                            ComplexityBudget& budget);

// The coverage of tiles that meet along cuts (pieces[t] lies in rects[t]): one NonZero union of
// the rings that reach a tile's border, followed by the other rings unchanged, tile by tile. A
// ring inside its tile meets no ring of another tile, and within its tile it only nests in the
// others, so the union need not read it: on stacked art nearly all the page's holes are such.
Clipper2Lib::Paths64 join_tile_coverages(std::vector<Clipper2Lib::Paths64>& pieces, const std::vector<IntBox>& rects,
                                         ComplexityBudget& budget);

// The page is cut into tiles (kd halving) until each holds few points, regions that a later
// region hides whole inside a tile are dropped there, and every tile is composited with the
// cover stack on the replay's worker threads; each region's pieces and the tiles' coverage are
// then joined again. Crossing points of the cuts are rounded once, so a visible part may differ
// from the exact difference by half a grid unit at a cut. The result does not depend on the
// worker count. Throws std::logic_error "missing_opaque_compositor_state" when `params` has no
// budget. `tile_points` is kOpaqueTilePoints but in tests, which cut small stacks finely.
OpaqueCompositeOutput opaque_composite(const std::vector<ReplayRegion>& regions, const ReplayParams& params,
                                       std::uint64_t tile_points = kOpaqueTilePoints);

}  // namespace pavrix_svg_core
