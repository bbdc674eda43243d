#pragma once

// Export of painted regions into a geometry collection as canonical polygons with holes, the
// flattening of a face tree into polygons, and the budget charge of a Clipper2 result tree.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/complexity_budget.h"
#include "kernel/face_nesting.h"
#include "kernel/native_result.h"
#include "kernel/replay_region.h"

namespace pavrix_svg_core {

// Appends, below one hole face, every island as a polygon of its own (exterior, its holes), then
// the islands inside those holes, depth first. Walked with an explicit stack.
void append_face_polygons(GeometryCollection& collection, const FaceNode& face, ComplexityBudget& budget);

// Routes `paths` onto the original grid, builds their canonical faces and appends them as polygons.
// `route_displacement` is raised to 1 when routing moved a vertex. When `polygons` is given it
// receives one path set per polygon (simple rings), or the input paths as one set.
void export_region_rings(GeometryCollection& collection, const Clipper2Lib::Paths64& paths, ComplexityBudget& budget,
                         std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons = nullptr);

// Exports one region as one geometry with its colour and contributors. False, with nothing
// appended, when the region has no paths or they yield no polygon. std::runtime_error
// "invalid_geometry_rgba" / "invalid_contributor_weight" for values outside [0, 1].
bool export_region(GeometryCollection& collection, const ReplayRegion& region, ComplexityBudget& budget,
                   std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons = nullptr);

// The polygons of a face tree (the children of `root`), each its exterior then its holes, in
// depth-first order. The rings are moved out of the tree.
std::vector<Clipper2Lib::Paths64> face_tree_polygons(FaceNode& root);

// Charges the points and rings (polygons of at least 3 points) below the root of a Clipper2
// result tree to clipper_output_points and clipper_output_paths; returns the ring count.
std::uint64_t charge_polytree_output(const Clipper2Lib::PolyPath64& tree, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
