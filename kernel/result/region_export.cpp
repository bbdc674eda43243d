#include "kernel/result/region_export.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "kernel/topology/canonical_faces.h"
#include "kernel/result/collection_appends.h"
#include "kernel/topology/original_grid_routing.h"
#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {
namespace {

template <typename T>
void require_column_room(const std::vector<T>& column, std::uint64_t more) {
    const std::uint64_t size = column.size();
    if (size > column.max_size() || more > column.max_size() - size)
        throw ComplexityLimitError("counter_overflow");
}

bool printable_island(const FaceNode& node) noexcept {
    return !node.is_hole && node.polygon.size() >= 3;
}

// The exterior, its holes with the exterior's ring index as parent, and the polygon offset.
void append_polygon(GeometryCollection& collection, const FaceNode& exterior, ComplexityBudget& budget) {
    const auto exterior_ring = static_cast<std::int64_t>(collection.ring_offsets.size() - 1);
    append_collection_ring(collection, exterior.polygon, -1, budget);
    for (const auto& child : exterior.children) {
        if (child->is_hole && child->polygon.size() >= 3) {
            append_collection_ring(collection, child->polygon, exterior_ring, budget);
        }
    }
    require_column_room(collection.polygon_offsets, 1);
    collection.polygon_offsets.push_back(collection.ring_offsets.size() - 1);
}

// Pushes the islands inside the holes of `exterior` so that the first island of its first hole
// comes off the stack next.
void push_islands_of_holes(std::vector<const FaceNode*>& stack, const FaceNode& exterior) {
    for (auto hole = exterior.children.rbegin(); hole != exterior.children.rend(); ++hole) {
        if (!(*hole)->is_hole)
            continue;
        for (auto island = (*hole)->children.rbegin(); island != (*hole)->children.rend(); ++island) {
            if (printable_island(**island))
                stack.push_back(island->get());
        }
    }
}

// Polygons of every exterior in `stack` and, depth first, of the islands inside their holes.
void append_island_polygons(GeometryCollection& collection, std::vector<const FaceNode*>& stack,
                            ComplexityBudget& budget) {
    while (!stack.empty()) {
        const FaceNode* exterior = stack.back();
        stack.pop_back();
        append_polygon(collection, *exterior, budget);
        push_islands_of_holes(stack, *exterior);
    }
}

bool unit_interval(double value) noexcept {
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

}  // namespace

void append_face_polygons(GeometryCollection& collection, const FaceNode& face, ComplexityBudget& budget) {
    std::vector<const FaceNode*> stack;
    for (auto island = face.children.rbegin(); island != face.children.rend(); ++island) {
        if (printable_island(**island))
            stack.push_back(island->get());
    }
    append_island_polygons(collection, stack, budget);
}

PreparedRegionFaces prepare_region_faces(const Clipper2Lib::Paths64& paths, std::uint32_t workers) {
    PreparedRegionFaces faces;
    Clipper2Lib::Paths64 routed = route_original_grid(paths, &faces.simple, &faces.moved, workers);
    if (faces.simple) {
        nest_face_rings(routed, faces.root, workers);
    } else {
        nest_faces(extract_canonical_faces(routed, CoverageRule::positive, workers), faces.root, workers);
    }
    return faces;
}

std::vector<PreparedRegionFaces> prepare_regions_faces(std::span<const ReplayRegion> regions, std::uint32_t workers) {
    std::vector<PreparedRegionFaces> faces(regions.size());
    run_parallel_tasks(regions.size(), workers, [&](std::size_t i) {
        if (regions[i].paths.empty())
            return;
        try {
            faces[i] = prepare_region_faces(regions[i].paths);
        } catch (...) {
            faces[i].failure = std::current_exception();
        }
    });
    return faces;
}

void export_region_rings(GeometryCollection& collection, const Clipper2Lib::Paths64& paths, ComplexityBudget& budget,
                         std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons,
                         PreparedRegionFaces* prepared) {
    PreparedRegionFaces own;
    if (prepared == nullptr)
        own = prepare_region_faces(paths);
    PreparedRegionFaces& faces = prepared != nullptr ? *prepared : own;
    if (faces.failure)
        std::rethrow_exception(faces.failure);
    if (faces.moved)
        route_displacement = std::max<std::uint64_t>(route_displacement, 1);

    std::vector<const FaceNode*> stack;
    for (auto top = faces.root.children.rbegin(); top != faces.root.children.rend(); ++top) {
        if (printable_island(**top))
            stack.push_back(top->get());
    }
    append_island_polygons(collection, stack, budget);

    if (polygons != nullptr) {
        if (faces.simple) {
            *polygons = face_tree_polygons(faces.root);
        } else {
            polygons->assign(1, paths);
        }
    }
}

bool export_region(GeometryCollection& collection, const ReplayRegion& region, ComplexityBudget& budget,
                   std::uint64_t& route_displacement, std::vector<Clipper2Lib::Paths64>* polygons,
                   PreparedRegionFaces* prepared) {
    if (region.paths.empty())
        return false;
    const std::uint64_t polygons_before = collection.polygon_offsets.size();
    export_region_rings(collection, region.paths, budget, route_displacement, polygons, prepared);
    if (collection.polygon_offsets.size() == polygons_before)
        return false;

    const std::uint64_t contributors = region.contributors.size();
    require_column_room(collection.geometry_offsets, 1);
    require_column_room(collection.draw_indices, 1);
    require_column_room(collection.source_indices, 1);
    require_column_room(collection.source_kinds, 1);
    require_column_room(collection.contributor_offsets, 1);
    require_column_room(collection.rgba, 4);
    require_column_room(collection.rgba_f64, 4);
    require_column_room(collection.contributor_draw_indices, contributors);
    require_column_room(collection.contributor_source_indices, contributors);
    require_column_room(collection.contributor_source_kinds, contributors);
    require_column_room(collection.contributor_weights, contributors);

    // Values are checked before the geometry's columns grow, so they never fall out of step.
    for (const double channel : region.color) {
        if (!unit_interval(channel))
            throw std::runtime_error("invalid_geometry_rgba");
    }
    for (const Contributor& contributor : region.contributors) {
        if (!unit_interval(contributor.weight))
            throw std::runtime_error("invalid_contributor_weight");
    }

    collection.geometry_offsets.push_back(collection.polygon_offsets.size() - 1);
    for (const double channel : region.color) {
        collection.rgba_f64.push_back(channel);
        collection.rgba.push_back(
            static_cast<std::uint8_t>(std::lround(std::min(std::max(channel, 0.0), 1.0) * 255.0)));
    }
    collection.draw_indices.push_back(static_cast<std::int32_t>(region.draw_index));
    collection.source_indices.push_back(region.source_index);
    collection.source_kinds.push_back(static_cast<std::int32_t>(region.source_kind));
    for (const Contributor& contributor : region.contributors) {
        collection.contributor_draw_indices.push_back(static_cast<std::int32_t>(contributor.draw_index));
        collection.contributor_source_indices.push_back(contributor.source_index);
        collection.contributor_source_kinds.push_back(contributor.source_kind);
        collection.contributor_weights.push_back(contributor.weight);
    }
    collection.contributor_offsets.push_back(collection.contributor_draw_indices.size());
    return true;
}

std::vector<Clipper2Lib::Paths64> face_tree_polygons(FaceNode& root) {
    std::vector<Clipper2Lib::Paths64> output;
    std::vector<FaceNode*> stack;
    auto push = [&stack](FaceNode* node) {
        try {
            stack.push_back(node);
        } catch (const std::length_error&) {
            throw ComplexityLimitError("alpha_compositor_components");
        }
    };
    for (auto top = root.children.rbegin(); top != root.children.rend(); ++top)
        push(top->get());
    while (!stack.empty()) {
        FaceNode* node = stack.back();
        stack.pop_back();
        if (!printable_island(*node))
            continue;
        Clipper2Lib::Paths64 polygon;
        polygon.reserve(checked_size_sum(node->children.size(), 1));
        polygon.push_back(std::move(node->polygon));
        for (const auto& child : node->children) {
            if (child->is_hole && child->polygon.size() >= 3)
                polygon.push_back(std::move(child->polygon));
        }
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
            for (auto grandchild = (*child)->children.rbegin(); grandchild != (*child)->children.rend(); ++grandchild) {
                push(grandchild->get());
            }
        }
        output.push_back(std::move(polygon));
    }
    return output;
}

std::uint64_t charge_polytree_output(const Clipper2Lib::PolyPath64& tree, ComplexityBudget& budget) {
    std::uint64_t points = 0;
    std::uint64_t rings = 0;
    std::vector<const Clipper2Lib::PolyPath64*> stack{&tree};
    while (!stack.empty()) {
        const Clipper2Lib::PolyPath64* node = stack.back();
        stack.pop_back();
        for (std::size_t i = 0; i < node->Count(); ++i) {
            const Clipper2Lib::PolyPath64* child = node->Child(i);
            if (child->Polygon().size() >= 3) {
                points = checked_size_sum(points, child->Polygon().size());
                rings = checked_size_sum(rings, 1);
            }
            stack.push_back(child);
        }
    }
    charge_budget(budget, BudgetCounter::clipper_output_points, points);
    charge_budget(budget, BudgetCounter::clipper_output_paths, rings);
    return rings;
}

}  // namespace pavrix_svg_core
