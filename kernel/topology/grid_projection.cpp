#include "kernel/topology/grid_projection.h"

#include <cmath>
#include <stdexcept>
#include <utility>

#include "kernel/topology/box_tree.h"
#include "kernel/topology/canonical_faces.h"
#include "kernel/exact/face_arithmetic.h"
#include "kernel/topology/face_nesting.h"
#include "kernel/topology/original_grid_routing.h"

namespace pavrix_svg_core {

namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;
using Clipper2Lib::Point64;

[[noreturn]] void throw_out_of_range() {
    throw std::invalid_argument("Projection exceeds exact downstream integer coordinates");
}

std::int64_t grid_value(double scaled, GridReadMode mode) {
    if (mode == GridReadMode::canonical) {
        if (std::trunc(scaled) != scaled) {
            throw std::invalid_argument("Canonical grid coordinates must be exact integers");
        }
        return static_cast<std::int64_t>(scaled);
    }
    // llround rounds halves away from zero; |scaled| <= 2^52 keeps it in range.
    return std::llround(scaled);
}

// The faces under `root` in output order: a node's exterior children first, each with its
// hole children, then the faces below each child in children order (islands in holes follow
// their enclosing exterior). Walked with a stack because face trees nest as deep as the input.
// The rings are moved out of the tree.
std::vector<GridFace> faces_of_tree(FaceNode& root) {
    std::vector<GridFace> faces;
    std::vector<FaceNode*> stack{&root};
    while (!stack.empty()) {
        FaceNode* node = stack.back();
        stack.pop_back();
        for (const auto& child : node->children) {
            if (child->is_hole || child->polygon.empty()) {
                continue;
            }
            GridFace face;
            face.exterior = std::move(child->polygon);
            for (const auto& grandchild : child->children) {
                if (grandchild->is_hole && !grandchild->polygon.empty()) {
                    face.holes.push_back(std::move(grandchild->polygon));
                }
            }
            faces.push_back(std::move(face));
        }
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child) {
            stack.push_back(child->get());
        }
    }
    return faces;
}

std::vector<GridFace> faces_of_rings(const Paths64& routed, CoverageRule rule) {
    FaceNode root;
    nest_faces(extract_canonical_faces(routed, rule), root);
    return faces_of_tree(root);
}

Paths64 region_rings(const Paths64& rings, std::pair<std::size_t, std::size_t> range) {
    return Paths64(rings.begin() + static_cast<std::ptrdiff_t>(range.first),
                   rings.begin() + static_cast<std::ptrdiff_t>(range.second));
}

}  // namespace

void check_target_grid_scale(double units_per_coordinate) {
    if (!std::isfinite(units_per_coordinate) || units_per_coordinate <= 0.0) {
        throw std::invalid_argument("Target-grid scale must be positive and finite");
    }
}

void begin_grid_region(ProjectedRings& projected) {
    const std::size_t first = projected.rings.size();
    projected.regions.emplace_back(first, first);
}

void append_grid_ring(ProjectedRings& projected, const double* xy, std::size_t rows, double scale, GridReadMode mode) {
    if (projected.regions.empty()) {
        begin_grid_region(projected);
    }
    Path64 ring;
    ring.reserve(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const double x = scale * xy[2 * row];
        if (!std::isfinite(x)) {
            throw_out_of_range();
        }
        const double y = scale * xy[2 * row + 1];
        if (!std::isfinite(y) || std::fabs(x) > kGridProjectionCoordinateLimit ||
            std::fabs(y) > kGridProjectionCoordinateLimit) {
            throw_out_of_range();
        }
        const Point64 point(grid_value(x, mode), grid_value(y, mode));
        if (ring.empty() || ring.back() != point) {
            ring.push_back(point);
        }
    }
    if (ring.size() >= 2 && ring.back() == ring.front()) {
        ring.pop_back();
    }
    projected.rings.push_back(std::move(ring));
    projected.regions.back().second = projected.rings.size();
}

Paths64 polytree_to_paths(const Clipper2Lib::PolyPath64& tree) {
    Paths64 paths;
    std::vector<const Clipper2Lib::PolyPath64*> stack{&tree};
    while (!stack.empty()) {
        const Clipper2Lib::PolyPath64* node = stack.back();
        stack.pop_back();
        if (!node->Polygon().empty()) {
            paths.push_back(node->Polygon());
        }
        for (std::size_t index = 0; index < node->Count(); ++index) {
            stack.push_back(node->Child(index));
        }
    }
    return paths;
}

Paths64 paths_in_tree_order(Paths64 paths) {
    using Arithmetic = FaceArithmetic<std::int64_t>;
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    const std::size_t count = paths.size();
    if (count < 2) {
        return paths;
    }
    std::vector<FaceBox<std::int64_t>> boxes(count);
    std::vector<Arithmetic::Area> areas(count);
    for (std::size_t i = 0; i < count; ++i) {
        boxes[i] = ring_box(paths[i]);
        areas[i] = Arithmetic::doubled_area(paths[i]);
    }
    const BoxTree tree = build_box_tree(boxes);
    auto smaller = [&](std::size_t a, std::size_t b) {
        return Arithmetic::compare_area_magnitude(areas[a], areas[b]) < 0;
    };
    std::vector<std::size_t> node_smallest;
    std::vector<std::size_t> node_largest;
    rank_box_tree_nodes(tree, smaller, node_smallest, node_largest);
    std::vector<std::size_t> parent(count, none);
    std::vector<std::size_t> stack;
    for (std::size_t c = 0; c < count; ++c) {
        parent[c] = find_smallest_enclosing(
            tree, node_smallest, node_largest, boxes[c], c, smaller,
            [&](std::size_t d) { return loop_inside_ring(paths[c], paths[d]); }, stack);
    }
    // Children listed under their parent in result order (the root in slot `count`), then the
    // same stack walk as polytree_to_paths: the last child comes out first.
    std::vector<std::size_t> offsets(count + 2, 0);
    auto slot_of = [&](std::size_t c) { return parent[c] == none ? count : parent[c]; };
    for (std::size_t c = 0; c < count; ++c) {
        ++offsets[slot_of(c) + 1];
    }
    for (std::size_t slot = 0; slot <= count; ++slot) {
        offsets[slot + 1] += offsets[slot];
    }
    std::vector<std::size_t> listed(count);
    {
        std::vector<std::size_t> fill(offsets.begin(), offsets.end() - 1);
        for (std::size_t c = 0; c < count; ++c) {
            listed[fill[slot_of(c)]++] = c;
        }
    }
    Paths64 ordered;
    ordered.reserve(count);
    stack.assign(listed.begin() + static_cast<std::ptrdiff_t>(offsets[count]),
                 listed.begin() + static_cast<std::ptrdiff_t>(offsets[count + 1]));
    while (!stack.empty()) {
        const std::size_t c = stack.back();
        stack.pop_back();
        ordered.push_back(std::move(paths[c]));
        stack.insert(stack.end(), listed.begin() + static_cast<std::ptrdiff_t>(offsets[c]),
                     listed.begin() + static_cast<std::ptrdiff_t>(offsets[c + 1]));
    }
    return ordered;
}

Paths64 union_in_tree_order(const Paths64& rings, const char* failure_message) {
    Clipper2Lib::Clipper64 clipper;
    clipper.AddSubject(rings);
    Paths64 united;
    if (!clipper.Execute(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, united)) {
        throw std::runtime_error(failure_message);
    }
    return paths_in_tree_order(std::move(united));
}

RegionFaces project_rings_to_grid(const ProjectedRings& projected) {
    // Routed rings meet only at shared vertices, so the faces of their arrangement are the non-zero
    // union already. A Clipper2 union would drop thin triangles of any length whose short side is
    // below two units, together with the coverage or the hole they stand for.
    const Paths64 routed = route_original_grid(projected.rings);
    RegionFaces faces;
    faces.reserve(projected.regions.size());
    for (const auto& range : projected.regions) {
        faces.push_back(faces_of_rings(region_rings(routed, range), CoverageRule::non_zero));
    }
    return faces;
}

RegionFaces canonicalize_grid_rings(const ProjectedRings& projected) {
    RegionFaces faces;
    faces.reserve(projected.regions.size());
    for (const auto& range : projected.regions) {
        faces.push_back(
            faces_of_rings(route_original_grid(region_rings(projected.rings, range)), CoverageRule::positive));
    }
    return faces;
}

}  // namespace pavrix_svg_core
