#pragma once

// Projection of labelled rings onto one integer grid and canonicalization of grid coverage, as
// plain values: rings in, one list of (exterior, holes) faces per region out.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <clipper2/clipper.h>

namespace pavrix_svg_core {

// Largest scaled coordinate magnitude accepted: every grid value up to 2^52 is an exact double,
// so rounding and the later exact integer predicates see the value the caller meant.
inline constexpr double kGridProjectionCoordinateLimit = 4503599627370496.0;  // 2^52

enum class GridReadMode {
    project,    // scale, then round to nearest with halves away from zero
    canonical,  // coordinates must already be integers
};

// All rings of all regions in input order, with each region's [first, end) ring range.
struct ProjectedRings {
    Clipper2Lib::Paths64 rings;
    std::vector<std::pair<std::size_t, std::size_t>> regions;
};

// One face of a region's coverage: a counter-clockwise exterior and its clockwise holes,
// rings not closed.
struct GridFace {
    Clipper2Lib::Path64 exterior;
    std::vector<Clipper2Lib::Path64> holes;
};

// Faces of every region, in region order.
using RegionFaces = std::vector<std::vector<GridFace>>;

// Throws std::invalid_argument "Target-grid scale must be positive and finite".
void check_target_grid_scale(double units_per_coordinate);

// Opens a new region; the rings appended next belong to it until the next call.
void begin_grid_region(ProjectedRings& projected);

// Appends one ring of `rows` (x, y) rows (row-major doubles) to the last region. Throws
// std::invalid_argument for coordinates outside the grid's range or, in canonical mode, with
// a fractional part. Consecutive repeats and a repeated closing point are dropped.
void append_grid_ring(ProjectedRings& projected, const double* xy, std::size_t rows, double scale, GridReadMode mode);

// Routes all regions jointly and builds the faces of each region's non-zero coverage.
RegionFaces project_rings_to_grid(const ProjectedRings& projected);

// Routes each region by itself and builds its faces from the rings' own winding.
RegionFaces canonicalize_grid_rings(const ProjectedRings& projected);

// The non-empty rings of a Clipper2 tree, depth first, orientations as Clipper2 gave them.
Clipper2Lib::Paths64 polytree_to_paths(const Clipper2Lib::PolyPath64& tree);

// The rings of a Clipper2 result taken as plain paths, reordered into the listing
// polytree_to_paths gives of the same result as a tree: each ring under the smallest ring that
// contains it. Clipper2's own tree building recurses along chains of split rings and overflows
// the stack on hostile input, so results are taken flat and nested here with a box tree.
Clipper2Lib::Paths64 paths_in_tree_order(Clipper2Lib::Paths64 paths);

// Non-zero union of `rings` into paths, listed as paths_in_tree_order gives them. Throws
// runtime_error `failure_message` when Clipper2 reports a failure.
Clipper2Lib::Paths64 union_in_tree_order(const Clipper2Lib::Paths64& rings, const char* failure_message);

}  // namespace pavrix_svg_core
