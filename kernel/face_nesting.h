#pragma once

// Face nesting: loops become a tree of exteriors, holes and islands by containment.

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

extern template struct BasicFaceNode<std::int64_t>;
extern template int compare_ring_winding<std::int64_t>(const Clipper2Lib::Point64&,
                                                       const Clipper2Lib::Path64&) noexcept;
extern template void nest_faces<std::int64_t>(std::vector<FaceLoop>, FaceNode&);
extern template void nest_face_rings<std::int64_t>(const Clipper2Lib::Paths64&, FaceNode&);

}  // namespace pavrix_svg_core
