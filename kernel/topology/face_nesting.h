#pragma once

// Face nesting: loops become a tree of exteriors, holes and islands by containment.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/topology/box_tree.h"
#include "kernel/topology/canonical_faces.h"
#include "kernel/topology/ring_parity.h"

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
// only where the covered state changes, so loops that leave coverage as it is are dropped. The
// enclosing loops of many loops are searched on up to `workers` threads, with the same result.
template <typename Scalar>
void nest_faces(std::vector<BasicFaceLoop<Scalar>> loops, BasicFaceNode<Scalar>& root, std::uint32_t workers = 1);

// For rings that already are traced faces: each is split by split_face_ring, then all nested.
template <typename Scalar>
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, BasicFaceNode<Scalar>& root,
                     std::uint32_t workers = 1);

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
    return ring_winding_parity(point, ring.data(), ring.size());
}

// Whether loop `inner` lies inside a ring whose parity `winding_of(point)` gives: the first point
// of `inner` off the ring decides; when all are on it, the rounded midpoints of its edges do; all
// on it means not inside.
template <typename Scalar, typename Winding>
bool loop_inside(const std::vector<Clipper2Lib::Point<Scalar>>& inner, Winding&& winding_of) {
    using Arithmetic = FaceArithmetic<Scalar>;
    for (const auto& point : inner) {
        const int winding = winding_of(point);
        if (winding != 0) {
            return winding > 0;
        }
    }
    for (std::size_t i = 0; i < inner.size(); ++i) {
        const auto& a = inner[i];
        const auto& b = inner[i + 1 == inner.size() ? 0 : i + 1];
        const Clipper2Lib::Point<Scalar> middle(Arithmetic::half_sum(a.x, b.x), Arithmetic::half_sum(a.y, b.y));
        const int winding = winding_of(middle);
        if (winding != 0) {
            return winding > 0;
        }
    }
    return false;
}

// Whether loop `inner` lies inside ring `outer` (see loop_inside).
template <typename Scalar>
bool loop_inside_ring(const std::vector<Clipper2Lib::Point<Scalar>>& inner,
                      const std::vector<Clipper2Lib::Point<Scalar>>& outer) noexcept {
    return loop_inside(inner,
                       [&](const Clipper2Lib::Point<Scalar>& point) { return compare_ring_winding(point, outer); });
}

template <typename Scalar>
void nest_faces(std::vector<BasicFaceLoop<Scalar>> loops, BasicFaceNode<Scalar>& root, std::uint32_t workers) {
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
    const BasicBoxTree<Scalar> tree = build_box_tree(boxes, workers);
    const std::vector<std::size_t> area_rank = dense_ranks(count, [&](std::size_t a, std::size_t b) {
        return Arithmetic::compare_area_magnitude(loops[a].area, loops[b].area) < 0;
    });
    auto smaller = [&](std::size_t a, std::size_t b) { return area_rank[a] < area_rank[b]; };

    // Enclosing loop of each loop: the one of least area magnitude, strictly larger than it,
    // whose box contains its box and whose ring contains it.
    std::vector<std::size_t> node_smallest;
    std::vector<std::size_t> node_largest;
    rank_box_tree_nodes(tree, smaller, node_smallest, node_largest);
    std::vector<std::size_t> enclosing(count, none);
    std::vector<RingParityTest<Scalar>> parity_tests = make_ring_parity_tests<Scalar>(
        count, [&](std::size_t i) { return std::pair{loops[i].ring.data(), loops[i].ring.size()}; }, workers > 1);
    run_parallel_ranges(count, workers, [&](std::size_t first, std::size_t end) {
        std::vector<std::size_t> stack;
        for (std::size_t c = first; c < end; ++c) {
            enclosing[c] = find_smallest_enclosing(
                tree, node_smallest, node_largest, boxes[c], c, smaller,
                [&](std::size_t d) {
                    return loop_inside(loops[c].ring, [&](const Clipper2Lib::Point<Scalar>& point) {
                        return parity_tests[d].parity(point);
                    });
                },
                stack);
        }
    });
    parity_tests.clear();  // they refer to the rings, which move into the nodes below

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
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, BasicFaceNode<Scalar>& root,
                     std::uint32_t workers) {
    std::vector<BasicFaceLoop<Scalar>> loops;
    for (const auto& ring : rings) {
        split_face_ring(ring, loops);
    }
    nest_faces(std::move(loops), root, workers);
}

extern template struct BasicFaceNode<std::int64_t>;
extern template int compare_ring_winding<std::int64_t>(const Clipper2Lib::Point64&,
                                                       const Clipper2Lib::Path64&) noexcept;
extern template void nest_faces<std::int64_t>(std::vector<FaceLoop>, FaceNode&, std::uint32_t);
extern template void nest_face_rings<std::int64_t>(const Clipper2Lib::Paths64&, FaceNode&, std::uint32_t);

}  // namespace pavrix_svg_core
