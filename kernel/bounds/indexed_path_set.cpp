#include "kernel/bounds/indexed_path_set.h"

#include <algorithm>
#include <utility>

namespace pavrix_svg_core {

void set_indexed_paths(IndexedPathSet& set, Clipper2Lib::Paths64 paths) {
    set.paths = std::move(paths);
    set.box = box_paths_bounds(set.paths);
    if (set.paths.size() > kIndexedPathSetLinearLimit) {
        set.index = std::make_shared<const PackedGridBoundsIndex>(per_path_bounds(set.paths));
    } else {
        set.index.reset();
    }
}

const Clipper2Lib::Paths64& paths_near_box(const IndexedPathSet& set, const IntBox& box, ComplexityBudget& budget,
                                           Clipper2Lib::Paths64& scratch) {
    // Cleared on every call: a buffer reused across calls must never carry paths of an earlier
    // query into this one.
    scratch.clear();
    if (!set.index)
        return set.paths;
    std::vector<std::uint64_t> hits = set.index->query(box, budget);
    if (hits.size() == set.paths.size())
        return set.paths;
    std::sort(hits.begin(), hits.end());
    scratch.reserve(hits.size());
    for (const std::uint64_t hit : hits)
        scratch.push_back(set.paths.at(hit));
    return scratch;
}

}  // namespace pavrix_svg_core
