#include "kernel/composite/alpha_boolean_polygons.h"

#include <stdexcept>
#include <utility>

#include "kernel/topology/face_nesting.h"
#include "kernel/topology/grid_projection.h"
#include "kernel/result/region_export.h"
#include "kernel/topology/segment_arrangement.h"

namespace pavrix_svg_core {

std::vector<Clipper2Lib::Paths64> boolean_to_polygons(Clipper2Lib::ClipType clip_type,
                                                      const Clipper2Lib::Paths64& subject,
                                                      const Clipper2Lib::Paths64& clip, ComplexityBudget& budget) {
    charge_clipper_input(budget, subject, &clip);
    // Taken flat: Clipper2's tree building can overflow the stack on hostile input.
    Clipper2Lib::Paths64 flat = clipper_boolean(clip_type, Clipper2Lib::FillRule::NonZero, subject, &clip);
    charge_clipper_output(budget, flat);
    Clipper2Lib::Paths64 rings = paths_in_tree_order(std::move(flat));
    std::vector<Clipper2Lib::Paths64> polygons;
    if (rings.empty())
        return polygons;
    if (rings.size() >= 2) {
        // Rings that touch only at isolated vertices nest cleanly into faces; anything more
        // tangled stays one path set, which the non-zero rule still reads correctly.
        SegmentArrangement arrangement = build_arrangement(rings);
        Clipper2Lib::Paths64 traced = extract_arrangement(arrangement);
        if (!arrangement.vertex_repeats_in_path && !arrangement.paths_share_two_vertices &&
            !arrangement.split_vertex_shared && !arrangement.degenerate_path) {
            FaceNode root;
            nest_face_rings(traced, root);
            return face_tree_polygons(root);
        }
    }
    polygons.push_back(std::move(rings));
    return polygons;
}

}  // namespace pavrix_svg_core
