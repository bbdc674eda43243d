#pragma once

// Unions and splits of grid path sets that only run Clipper2 on clusters of paths whose
// bounding boxes touch.

#include <vector>

#include <clipper2/clipper.h>

#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

// A path set whose non-zero coverage is the union of `a` and `b`. Both inputs must be free of
// overlaps among their own rings (holes nested in their outer rings allowed), as Clipper2
// results and earlier results of this function are. Paths of `a` and `b` whose boxes touch
// nothing of the other set pass through unchanged.
Clipper2Lib::Paths64 union_overlapping_groups(Clipper2Lib::Paths64 a, Clipper2Lib::Paths64 b, ComplexityBudget& budget);

// The bounding-box overlap groups of `paths`, numbered by first appearance, each keeping path
// order. A ring and the holes inside it always share a group.
std::vector<Clipper2Lib::Paths64> split_overlap_groups(Clipper2Lib::Paths64 paths, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
