#pragma once

// Face nesting: loops become a tree of exteriors, holes and islands by containment.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
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
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, BasicFaceNode<Scalar>& root);

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

// Rings with at least this many points get their edges sorted into bands when other loops are
// tested against them: a coverage with tens of thousands of holes tests every hole against its
// outer ring, and a pass over all of that ring's points per hole grows quadratically.
inline constexpr std::size_t kBandedRingPoints = 256;

// Band entries allowed per ring point: beyond this the ring's edges span most bands (spikes, long
// slanted edges) and the bands would cost more memory than the tests they save.
inline constexpr std::size_t kBandEntriesPerPoint = 16;

// The edges of one large ring sorted into horizontal bands of equal height, so that the parity of
// a point reads only the edges spanning the band of its height: edges that do not reach the
// point's height never change ring_winding_parity's answer.
template <typename Scalar>
class RingBands {
public:
    explicit RingBands(const std::vector<Clipper2Lib::Point<Scalar>>& ring) : ring_(ring) {
        const std::size_t count = ring.size();
        if (count < kBandedRingPoints)
            return;
        low_ = high_ = ring.front().y;
        for (const auto& point : ring) {
            low_ = std::min(low_, point.y);
            high_ = std::max(high_, point.y);
        }
        bands_ = count / 8;
        // Entries per band, counted through differences: +1 at an edge's first band, -1 past its last.
        std::vector<std::ptrdiff_t> starts(bands_ + 1, 0);
        std::size_t entries = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const auto [first, last] = edge_bands(i);
            entries += last - first + 1;
            if (entries > kBandEntriesPerPoint * count) {
                bands_ = 0;
                return;
            }
            ++starts[first];
            --starts[last + 1];
        }
        offsets_.assign(bands_ + 1, 0);
        std::ptrdiff_t running = 0;
        for (std::size_t band = 0; band < bands_; ++band) {
            running += starts[band];
            offsets_[band + 1] = offsets_[band] + static_cast<std::size_t>(running);
        }
        edges_.resize(offsets_[bands_]);
        std::vector<std::size_t> fill(offsets_.begin(), offsets_.end() - 1);
        for (std::size_t i = 0; i < count; ++i) {
            const auto [first, last] = edge_bands(i);
            for (std::size_t band = first; band <= last; ++band)
                edges_[fill[band]++] = i;
        }
    }

    bool usable() const noexcept { return bands_ > 0; }

    // ring_winding_parity(point, ring) through the bands.
    int parity(const Clipper2Lib::Point<Scalar>& point) const noexcept {
        if (point.y < low_ || point.y > high_)
            return -1;
        const std::size_t band = band_of(point.y);
        bool inside = false;
        for (std::size_t k = offsets_[band]; k < offsets_[band + 1]; ++k) {
            const std::size_t i = edges_[k];
            if (parity_edge_step(point, ring_[i], ring_[i + 1 == ring_.size() ? 0 : i + 1], inside))
                return 0;
        }
        return inside ? 1 : -1;
    }

private:
    // Monotone in y, so an edge spanning a height is listed in that height's band.
    std::size_t band_of(Scalar y) const noexcept {
        const double span = static_cast<double>(high_) - static_cast<double>(low_);
        if (!(span > 0.0))
            return 0;
        const double place = (static_cast<double>(y) - static_cast<double>(low_)) / span * static_cast<double>(bands_);
        return std::min(bands_ - 1, static_cast<std::size_t>(std::max(0.0, place)));
    }

    std::pair<std::size_t, std::size_t> edge_bands(std::size_t i) const noexcept {
        const Scalar a = ring_[i].y;
        const Scalar b = ring_[i + 1 == ring_.size() ? 0 : i + 1].y;
        return {band_of(std::min(a, b)), band_of(std::max(a, b))};
    }

    const std::vector<Clipper2Lib::Point<Scalar>>& ring_;
    Scalar low_{};
    Scalar high_{};
    std::size_t bands_ = 0;
    std::vector<std::size_t> offsets_;
    std::vector<std::size_t> edges_;
};

// Whether loop `inner` lies inside ring `outer`: the first point of `inner` off `outer` decides;
// when all are on it, the rounded midpoints of its edges do; all on it means not inside.
// `bands`, when given and usable, are those of `outer`.
template <typename Scalar>
bool loop_inside_ring(const std::vector<Clipper2Lib::Point<Scalar>>& inner,
                      const std::vector<Clipper2Lib::Point<Scalar>>& outer,
                      const RingBands<Scalar>* bands = nullptr) noexcept {
    using Arithmetic = FaceArithmetic<Scalar>;
    const auto winding_of = [&](const Clipper2Lib::Point<Scalar>& point) {
        return bands != nullptr && bands->usable() ? bands->parity(point) : compare_ring_winding(point, outer);
    };
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

    // Enclosing loop of each loop: the one of least area magnitude, strictly larger than it,
    // whose box contains its box and whose ring contains it.
    std::vector<std::size_t> node_smallest;
    std::vector<std::size_t> node_largest;
    rank_box_tree_nodes(tree, smaller, node_smallest, node_largest);
    std::vector<std::size_t> enclosing(count, none);
    std::vector<std::size_t> stack;
    std::vector<std::unique_ptr<RingBands<Scalar>>> bands(count);  // built on a large ring's first test
    const auto bands_of = [&](std::size_t d) -> const RingBands<Scalar>* {
        if (loops[d].ring.size() < kBandedRingPoints)
            return nullptr;
        if (!bands[d])
            bands[d] = std::make_unique<RingBands<Scalar>>(loops[d].ring);
        return bands[d].get();
    };
    for (std::size_t c = 0; c < count; ++c) {
        enclosing[c] = find_smallest_enclosing(
            tree, node_smallest, node_largest, boxes[c], c, smaller,
            [&](std::size_t d) { return loop_inside_ring(loops[c].ring, loops[d].ring, bands_of(d)); }, stack);
    }
    bands.clear();  // they refer to the rings, which move into the nodes below

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
void nest_face_rings(const std::vector<std::vector<Clipper2Lib::Point<Scalar>>>& rings, BasicFaceNode<Scalar>& root) {
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
