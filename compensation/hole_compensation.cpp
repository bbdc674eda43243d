#include "compensation/hole_compensation.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "kernel/topology/canonical_faces.h"
#include "kernel/topology/face_nesting.h"
#include "kernel/exact/exact_integer.h"
#include "kernel/exact/face_arithmetic.h"
#include "kernel/topology/grid_projection.h"
#include "kernel/topology/segment_arrangement.h"

namespace pavrix_svg_core {

namespace {

using Clipper2Lib::Path64;
using Clipper2Lib::Paths64;

// A hole of the coverage, or a part of one: rings stay owned by their face trees.
struct HoleFace {
    const Path64* shell = nullptr;
    std::vector<const Path64*> interiors;
};

// ---- Exact doubled areas -------------------------------------------------------------------

Int192 add_192(const Int192& a, const Int192& b) noexcept {
    Int192 sum;
    sum.w0 = a.w0 + b.w0;
    const std::uint64_t carry0 = sum.w0 < a.w0 ? 1 : 0;
    const std::uint64_t middle = a.w1 + b.w1;
    const std::uint64_t carry1 = middle < a.w1 ? 1 : 0;
    sum.w1 = middle + carry0;
    const std::uint64_t carry2 = carry1 + (sum.w1 < middle ? 1 : 0);
    sum.w2 = static_cast<std::int64_t>(static_cast<std::uint64_t>(a.w2) + static_cast<std::uint64_t>(b.w2) + carry2);
    return sum;
}

Int192 negate_192(const Int192& value) noexcept {
    Int192 inverted{~value.w0, ~value.w1, static_cast<std::int64_t>(~static_cast<std::uint64_t>(value.w2))};
    return add_192(inverted, Int192{1, 0, 0});
}

Int192 magnitude_192(const Int192& value) noexcept {
    return value.w2 < 0 ? negate_192(value) : value;
}

// Within a few units in the last place, far finer than the thresholds resolve; the sign is exact,
// and values below 2^64 (every area up to 1,800 m²) convert exactly rounded.
double int192_to_double(const Int192& value) noexcept {
    const bool negative = value.w2 < 0;
    const Int192 magnitude = magnitude_192(value);
    const double result = std::ldexp(static_cast<double>(static_cast<std::uint64_t>(magnitude.w2)), 128) +
                          std::ldexp(static_cast<double>(magnitude.w1), 64) + static_cast<double>(magnitude.w0);
    return negative ? -result : result;
}

bool counter_clockwise(const Path64& ring) noexcept {
    return sign_192(doubled_area_192(ring)) > 0;
}

Path64 oriented_copy(const Path64& ring, bool want_counter_clockwise) {
    Path64 copy = ring;
    if (counter_clockwise(copy) != want_counter_clockwise) {
        std::reverse(copy.begin(), copy.end());
    }
    return copy;
}

double ring_perimeter(const Path64& ring) noexcept {
    double perimeter = 0.0;
    for (std::size_t index = 0; index < ring.size(); ++index) {
        const auto& from = ring[index];
        const auto& to = ring[(index + 1) % ring.size()];
        perimeter += std::hypot(static_cast<double>(to.x - from.x), static_cast<double>(to.y - from.y));
    }
    return perimeter;
}

// ---- Face trees ----------------------------------------------------------------------------

// Every non-hole node with a ring, its direct children as interiors; stack walk.
std::vector<HoleFace> faces_from_tree(const FaceNode& root) {
    std::vector<HoleFace> faces;
    std::vector<const FaceNode*> stack{&root};
    while (!stack.empty()) {
        const FaceNode* node = stack.back();
        stack.pop_back();
        if (node != &root && !node->is_hole && !node->polygon.empty()) {
            HoleFace face{&node->polygon, {}};
            for (const auto& child : node->children) {
                face.interiors.push_back(&child->polygon);
            }
            faces.push_back(std::move(face));
        }
        for (const auto& child : node->children) {
            stack.push_back(child.get());
        }
    }
    return faces;
}

// The union's rings get shared vertices wherever they touch (crossings rounded to the grid),
// are cut at repeated vertices and nested by containment.
void build_coverage_face_tree(const Paths64& union_rings, FaceNode& root) {
    SegmentArrangement arrangement = build_arrangement(union_rings);
    nest_face_rings(extract_arrangement(arrangement), root);
}

// Holes at every depth. A hole with islands is rebuilt as faces of the hole minus its islands,
// in a small tree kept alive in `extra_trees` until the output is built.
std::vector<HoleFace> collect_hole_faces(const FaceNode& root, std::vector<std::unique_ptr<FaceNode>>& extra_trees) {
    std::vector<HoleFace> holes;
    std::vector<const FaceNode*> stack{&root};
    while (!stack.empty()) {
        const FaceNode* node = stack.back();
        stack.pop_back();
        for (const auto& child : node->children) {
            stack.push_back(child.get());
        }
        if (!node->is_hole) {
            continue;
        }
        if (node->children.empty()) {
            holes.push_back(HoleFace{&node->polygon, {}});
            continue;
        }
        Paths64 rings;
        rings.reserve(node->children.size() + 1);
        rings.push_back(oriented_copy(node->polygon, true));
        for (const auto& island : node->children) {
            rings.push_back(oriented_copy(island->polygon, false));
        }
        auto tree = std::make_unique<FaceNode>();
        nest_faces(extract_canonical_faces(rings), *tree);
        for (HoleFace& face : faces_from_tree(*tree)) {
            holes.push_back(std::move(face));
        }
        extra_trees.push_back(std::move(tree));
    }
    return holes;
}

bool hole_qualifies(const HoleFace& face, double max_hole_area_mm2, double max_hole_width_mm) {
    // The area is summed exactly and rounded once.
    Int192 doubled = magnitude_192(doubled_area_192(*face.shell));
    double perimeter = ring_perimeter(*face.shell);
    for (const Path64* interior : face.interiors) {
        doubled = add_192(doubled, negate_192(magnitude_192(doubled_area_192(*interior))));
        perimeter += ring_perimeter(*interior);
    }
    constexpr double square_units_per_mm2 = kCompensationUnitsPerMillimetre * kCompensationUnitsPerMillimetre;
    const double area_mm2 = 0.5 * int192_to_double(doubled) / square_units_per_mm2;
    const double perimeter_mm = perimeter / kCompensationUnitsPerMillimetre;
    if (!(area_mm2 > 0.0)) {
        return false;
    }
    if (max_hole_area_mm2 > 0.0 && max_hole_area_mm2 >= area_mm2) {
        return true;
    }
    return max_hole_width_mm > 0.0 && perimeter_mm > 0.0 && max_hole_width_mm >= area_mm2 / (perimeter_mm * 0.5);
}

CompensationFace output_face(const HoleFace& face) {
    CompensationFace output;
    output.shell = oriented_copy(*face.shell, true);
    output.interiors.reserve(face.interiors.size());
    for (const Path64* interior : face.interiors) {
        output.interiors.push_back(oriented_copy(*interior, false));
    }
    return output;
}

}  // namespace

double check_compensation_setting(double value, const char* name) {
    if (!std::isfinite(value) || value < 0.0) {
        throw std::invalid_argument(std::string(name) + " must be finite and nonnegative");
    }
    return value;
}

std::int64_t compensation_grid_value(double millimetres) {
    const double grid = millimetres * kCompensationUnitsPerMillimetre;
    if (!std::isfinite(grid) || std::fabs(grid) >= kCompensationCoordinateLimit) {
        throw std::invalid_argument("SVG compensation coordinate is non-finite or outside the native range");
    }
    return std::llround(grid);
}

void append_compensation_ring(Paths64& rings, const double* xy, std::size_t rows) {
    Path64 ring;
    ring.reserve(rows);
    for (std::size_t row = 0; row < rows; ++row) {
        const std::int64_t y = compensation_grid_value(xy[2 * row + 1]);
        const std::int64_t x = compensation_grid_value(xy[2 * row]);
        ring.emplace_back(x, y);
    }
    // Fewer than three points enclose nothing.
    if (ring.size() >= 3) {
        rings.push_back(std::move(ring));
    }
}

HoleCompensation find_holes(const Paths64& rings, double max_hole_area_mm2, double max_hole_width_mm) {
    HoleCompensation result;
    FaceNode coverage;
    build_coverage_face_tree(union_in_tree_order(rings, "SVG compensation coverage union failed"), coverage);

    std::vector<std::unique_ptr<FaceNode>> extra_trees;
    const std::vector<HoleFace> hole_faces = collect_hole_faces(coverage, extra_trees);

    // Holes that stay are subtracted again from the top-level shells; islands inside them return.
    Paths64 kept;
    kept.reserve(coverage.children.size());
    for (const auto& shell : coverage.children) {
        kept.push_back(shell->polygon);
    }
    for (const HoleFace& face : hole_faces) {
        if (hole_qualifies(face, max_hole_area_mm2, max_hole_width_mm)) {
            result.holes.push_back(output_face(face));
            continue;
        }
        kept.push_back(oriented_copy(*face.shell, false));
        for (const Path64* interior : face.interiors) {
            kept.push_back(oriented_copy(*interior, true));
        }
    }
    FaceNode filled;
    nest_faces(extract_canonical_faces(kept), filled);
    for (const HoleFace& face : faces_from_tree(filled)) {
        result.filled_coverage.push_back(output_face(face));
    }
    return result;
}

}  // namespace pavrix_svg_core
