#pragma once

// Face nesting: loops become a tree of exteriors, holes and islands by containment.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/box_tree.h"
#include "kernel/canonical_faces.h"

namespace pavrix_svg_core {

// A face-tree node. The root holds no ring and is not a hole; its children are the top-level
// exteriors. Exterior rings have positive area, hole rings negative area.
template <typename Scalar>
struct BasicFaceNode {
    std::vector<Clipper2Lib::Point<Scalar>> polygon;
    bool is_hole = false;
    std::vector<std::unique_ptr<BasicFaceNode>> children;

    BasicFaceNode() = default;
    BasicFaceNode(const BasicFaceNode&) = delete;
    BasicFaceNode& operator=(const BasicFaceNode&) = delete;
    BasicFaceNode(BasicFaceNode&&) noexcept = default;
    BasicFaceNode& operator=(BasicFaceNode&&) noexcept = default;
    // Nesting depth comes from the input, so the subtree is torn down with an explicit stack.
    ~BasicFaceNode();
};

using FaceNode = BasicFaceNode<std::int64_t>;

// +1 when `point` is inside `ring` (even-odd parity), -1 outside or for an empty ring, 0 on it.
template <typename Scalar>
int compare_ring_winding(const Clipper2Lib::Point<Scalar>& point,
                         const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept;

// Nests the loops by containment and appends the resulting nodes under `root`. A node is made
// only where the covered state changes, so loops that leave coverage as it is are dropped.
template <typename Scalar>
void nest_faces(std::vector<BasicFaceLoop<Scalar>> loops, BasicFaceNode<Scalar>& root);

// For rings that already are traced faces: each is split by split_face_ring, then all nested.
template <typename Scalar>
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings,
                     BasicFaceNode<Scalar>& root);

// ---- Definitions (templates; the int64 instantiation is compiled once in face_nesting.cpp).

template <typename Scalar>
BasicFaceNode<Scalar>::~BasicFaceNode() {
    std::vector<std::unique_ptr<BasicFaceNode>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<BasicFaceNode> node = std::move(pending.back());
        pending.pop_back();
        for (auto& child : node->children) {
            pending.push_back(std::move(child));
        }
        node->children.clear();
    }
}

template <typename Scalar>
int compare_ring_winding(const Clipper2Lib::Point<Scalar>& point,
                         const std::vector<Clipper2Lib::Point<Scalar>>& ring) noexcept {
    const std::size_t count = ring.size();
    if (count == 0) {
        return -1;
    }
    bool inside = false;
    for (std::size_t i = 0; i < count; ++i) {
        const auto& a = ring[i];
        const auto& b = ring[i + 1 == count ? 0 : i + 1];
        const int side = face_orientation(a, b, point);
        if (side == 0 && point.x >= std::min(a.x, b.x) && point.x <= std::max(a.x, b.x) &&
            point.y >= std::min(a.y, b.y) && point.y <= std::max(a.y, b.y)) {
            return 0;
        }
        if ((a.y > point.y) != (b.y > point.y)) {
            const bool upward = b.y > a.y;
            if ((upward && side > 0) || (!upward && side < 0)) {
                inside = !inside;
            }
        }
    }
    return inside ? 1 : -1;
}

// Whether loop `inner` lies inside ring `outer`: the first point of `inner` off `outer` decides;
// when all are on it, the rounded midpoints of its edges do; all on it means not inside.
template <typename Scalar>
bool loop_inside_ring(const std::vector<Clipper2Lib::Point<Scalar>>& inner,
                      const std::vector<Clipper2Lib::Point<Scalar>>& outer) noexcept {
    using Arithmetic = FaceArithmetic<Scalar>;
    for (const auto& point : inner) {
        const int winding = compare_ring_winding(point, outer);
        if (winding != 0) {
            return winding > 0;
        }
    }
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const auto& a = inner[i];
        const auto& b = inner[i + 1 == inner.size() ? 0 : i + 1];
        const Clipper2Lib::Point<Scalar> middle(Arithmetic::half_sum(a.x, b.x), Arithmetic::half_sum(a.y, b.y));
        const int winding = compare_ring_winding(middle, outer);
        if (winding != 0) {
            return winding > 0;
        }
    }
    return false;
}

template <typename Scalar>
void nest_faces(std::vector<BasicFaceLoop<Scalar>> loops, BasicFaceNode<Scalar>& root) {
    using Arithmetic = FaceArithmetic<Scalar>;
    constexpr std::size_t none = static_cast<std::size_t>(-1);
    const std::size_t count = loops.size();
    if (count == 0) {
        return;
    }
    std::vector<FaceBox<Scalar>> boxes(count);
    for (std::size_t i = 0; i < count; ++i) {
        boxes[i] = loops[i].box;
    }
    const BasicBoxTree<Scalar> tree = build_box_tree(boxes);
    auto smaller = [&](std::size_t a, std::size_t b) {
        return Arithmetic::compare_area_magnitude(loops[a].area, loops[b].area) < 0;
    };

    // Per tree node, the loops of smallest and largest area magnitude below it: a node with
    // nothing larger than the loop being placed, or nothing smaller than the best enclosing loop
    // found so far, cannot improve the answer. Children are numbered after their parent.
    const std::size_t node_count = tree.nodes.size();
    std::vector<std::size_t> node_smallest(node_count);
    std::vector<std::size_t> node_largest(node_count);
    for (std::size_t n = node_count; n-- > 0;) {
        const auto& node = tree.nodes[n];
        if (node.left < 0) {
            node_smallest[n] = node_largest[n] = tree.permutation[node.first];
            for (std::size_t position = node.first + 1; position < node.end; ++position) {
                const std::size_t item = tree.permutation[position];
                node_smallest[n] = smaller(item, node_smallest[n]) ? item : node_smallest[n];
                node_largest[n] = smaller(node_largest[n], item) ? item : node_largest[n];
            }
            continue;
        }
        const auto left = static_cast<std::size_t>(node.left);
        const auto right = static_cast<std::size_t>(node.right);
        node_smallest[n] = smaller(node_smallest[left], node_smallest[right]) ? node_smallest[left]
                                                                              : node_smallest[right];
        node_largest[n] = smaller(node_largest[left], node_largest[right]) ? node_largest[right]
                                                                           : node_largest[left];
    }

    // Enclosing loop of each loop: the one of least area magnitude, strictly larger than it,
    // whose box contains its box and whose ring contains it. The subtree with the smaller loops
    // is searched first, so the answer is usually met at once and prunes the rest.
    std::vector<std::size_t> enclosing(count, none);
    std::vector<std::size_t> stack;
    for (std::size_t c = 0; c < count; ++c) {
        std::size_t best = none;
        stack.assign(1, 0);
        while (!stack.empty()) {
            const std::size_t n = stack.back();
            stack.pop_back();
            const auto& node = tree.nodes[n];
            if (!face_box_contains(node.box, boxes[c]) || !smaller(c, node_largest[n]) ||
                (best != none && !smaller(node_smallest[n], best))) {
                continue;
            }
            if (node.left >= 0) {
                const auto left = static_cast<std::size_t>(node.left);
                const auto right = static_cast<std::size_t>(node.right);
                if (smaller(node_smallest[left], node_smallest[right])) {
                    stack.push_back(right);
                    stack.push_back(left);
                } else {
                    stack.push_back(left);
                    stack.push_back(right);
                }
                continue;
            }
            for (std::size_t position = node.first; position < node.end; ++position) {
                const std::size_t d = tree.permutation[position];
                if (d == c || !face_box_contains(boxes[d], boxes[c]) || !smaller(c, d) ||
                    (best != none && !smaller(d, best))) {
                    continue;
                }
                if (loop_inside_ring(loops[c].ring, loops[d].ring)) {
                    best = d;
                }
            }
        }
        enclosing[c] = best;
    }

    // Loops listed under their enclosing loop, in loop order.
    std::vector<std::size_t> listed_offsets(count + 2, 0);
    auto slot_of = [&](std::size_t c) { return enclosing[c] == none ? count : enclosing[c]; };
    for (std::size_t c = 0; c < count; ++c) {
        ++listed_offsets[slot_of(c) + 1];
    }
    for (std::size_t slot = 0; slot <= count; ++slot) {
        listed_offsets[slot + 1] += listed_offsets[slot];
    }
    std::vector<std::size_t> listed(count);
    {
        std::vector<std::size_t> fill(listed_offsets.begin(), listed_offsets.end() - 1);
        for (std::size_t c = 0; c < count; ++c) {
            listed[fill[slot_of(c)]++] = c;
        }
    }

    // Walk the containment forest with winding depth; a node is made where coverage changes.
    struct Work {
        std::size_t loop;
        BasicFaceNode<Scalar>* parent;  // not owning: nodes are owned by their parents
        std::int64_t depth;
    };
    std::vector<Work> work;
    for (std::size_t i = listed_offsets[count]; i < listed_offsets[count + 1]; ++i) {
        work.push_back({listed[i], &root, 0});
    }
    while (!work.empty()) {
        const Work item = work.back();
        work.pop_back();
        BasicFaceLoop<Scalar>& loop = loops[item.loop];
        const int area_sign = Arithmetic::area_sign(loop.area);
        const std::int64_t outside_depth = item.depth;
        const std::int64_t inside_depth = outside_depth + area_sign;
        BasicFaceNode<Scalar>* parent = item.parent;
        if ((outside_depth > 0) != (inside_depth > 0)) {
            auto node = std::make_unique<BasicFaceNode<Scalar>>();
            node->is_hole = inside_depth <= 0;
            if ((node->is_hole && area_sign > 0) || (!node->is_hole && area_sign <= 0)) {
                std::reverse(loop.ring.begin(), loop.ring.end());
            }
            node->polygon = std::move(loop.ring);
            parent->children.push_back(std::move(node));
            parent = parent->children.back().get();
        }
        for (std::size_t i = listed_offsets[item.loop]; i < listed_offsets[item.loop + 1]; ++i) {
            work.push_back({listed[i], parent, inside_depth});
        }
    }
}

template <typename Scalar>
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings,
                     BasicFaceNode<Scalar>& root) {
    std::vector<BasicFaceLoop<Scalar>> loops;
    for (const auto& ring : rings) {
        split_face_ring(ring, loops);
    }
    nest_faces(std::move(loops), root);
}

extern template struct BasicFaceNode<std::int64_t>;
extern template int compare_ring_winding<std::int64_t>(const Clipper2Lib::Point64&,
                                                       const Clipper2Lib::Path64&) noexcept;
extern template void nest_faces<std::int64_t>(std::vector<FaceLoop>, FaceNode&);
extern template void nest_face_rings<std::int64_t>(const Clipper2Lib::Paths64&, FaceNode&);

}  // namespace pavrix_svg_core
