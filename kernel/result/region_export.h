#pragma once

// Export of painted regions into a geometry collection as canonical polygons with holes, the
// flattening of a face tree into polygons, and the budget charge of a Clipper2 result tree.

#include <cstdint>
#include <exception>
#include <span>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/common/complexity_budget.h"
#include "kernel/topology/face_nesting.h"
#include "kernel/result/native_result.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

// Appends, below one hole face, every island as a polygon of its own (exterior, its holes), then
// the islands inside those holes, depth first. Walked with an explicit stack.
void append_face_polygons(GeometryCollection& collection, const FaceNode& face, ComplexityBudget& budget);

// A region's paths routed onto the original grid and nested into canonical faces: the costly half
// of an export, which touches no collection and no budget, so regions can be prepared at once.
struct PreparedRegionFaces {
    FaceNode root;
    bool simple = false;  // routing left simple rings, nested as they are
    bool moved = false;   // routing moved a vertex
    // What the preparation threw, rethrown when the region's turn to be appended comes, so that
    // failures surface in region order as they would one region at a time.
    std::exception_ptr failure;
};

// One region's faces; a large region (the silhouette) is routed and faced on up to `workers`
// threads, with the same result for every worker count.
PreparedRegionFaces prepare_region_faces(const Clipper2Lib::Paths64& paths, std::uint32_t workers = 1);

// The faces of every region (none for a region without paths), prepared on up to `workers`
// threads; the same for every worker count.
std::vector<PreparedRegionFaces> prepare_regions_faces(std::span<const ReplayRegion> regions, std::uint32_t workers);

// Routes `paths` onto the original grid, builds their canonical faces and appends them as polygons
// (or appends `prepared`, the faces of these paths, consuming them). `route_displacement` is
// raised to 1 when routing moved a vertex. When `polygons` is given it receives one path set per
// polygon (simple rings), or the input paths as one set.
void export_region_rings(GeometryCollection& collection, const Clipper2Lib::Paths64& paths, ComplexityBudget& budget,
                         std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons = nullptr,
                         PreparedRegionFaces* prepared = nullptr);

// Exports one region as one geometry with its colour and contributors (from `prepared` faces of
// its paths when given). False, with nothing appended, when the region has no paths or they yield
// no polygon. std::runtime_error "invalid_geometry_rgba" / "invalid_contributor_weight" for
// values outside [0, 1].
bool export_region(GeometryCollection& collection, const ReplayRegion& region, ComplexityBudget& budget,
                   std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons = nullptr,
                   PreparedRegionFaces* prepared = nullptr);

// The polygons of a face tree (the children of `root`), each its exterior then its holes, in
// depth-first order. The rings are moved out of the tree.
std::vector<Clipper2Lib::Paths64> face_tree_polygons(FaceNode& root);

// Charges the points and rings (polygons of at least 3 points) below the root of a Clipper2
// result tree to clipper_output_points and clipper_output_paths; returns the ring count.
std::uint64_t charge_polytree_output(const Clipper2Lib::PolyPath64& tree, ComplexityBudget& budget);

}  // namespace pavrix_svg_core
