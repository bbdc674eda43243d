#pragma once

// A grid path set with its overall box and, once it is large, a bounds index over its paths, so
// that callers can fetch just the paths near a box.

#include <cstddef>
#include <memory>

#include <clipper2/clipper.h>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"
#include "kernel/bounds/packed_grid_bounds_index.h"

namespace pavrix_svg_core {

// Up to this many paths a linear scan is cheaper than building and querying an index, and
// one index leaf holds as many items anyway.
inline constexpr std::size_t kIndexedPathSetLinearLimit = 16;

struct IndexedPathSet {
    Clipper2Lib::Paths64 paths;
    IntBox box;                                          // over all points of `paths`
    std::shared_ptr<const PackedGridBoundsIndex> index;  // only above kIndexedPathSetLinearLimit paths
};

// Moves `paths` into the set and rebuilds its box and index.
void set_indexed_paths(IndexedPathSet& set, Clipper2Lib::Paths64 paths);

// The paths of `set` whose boxes meet `box`: the set's own paths when it has no index or the
// query returns all of them, else copies in ascending path order written into `scratch`
// (cleared first). Two near-sets in use at the same time need two scratch buffers.
const Clipper2Lib::Paths64& paths_near_box(const IndexedPathSet& set, const IntBox& box, ComplexityBudget& budget,
                                           Clipper2Lib::Paths64& scratch);

}  // namespace pavrix_svg_core
