#pragma once

// PackedGridBoundsIndex: a static box tree over integer boxes, queried for the items that
// overlap a box.

#include <cstdint>
#include <vector>

#include "kernel/commands/boxes.h"
#include "kernel/common/complexity_budget.h"

namespace pavrix_svg_core {

struct PackedIndexNode {
    IntBox box;               // union of the node's items
    std::uint64_t first = 0;  // positions in `order`
    std::uint64_t end = 0;
    std::uint64_t left = 0;  // child node indexes, inner nodes only
    std::uint64_t right = 0;
    bool leaf = true;
};

class PackedGridBoundsIndex {
public:
    // Most items in a leaf.
    static constexpr std::uint64_t kLeafCapacity = 16;

    PackedGridBoundsIndex() = default;
    explicit PackedGridBoundsIndex(std::vector<IntBox> items);

    // Indexes of the valid items whose boxes overlap `box` (inclusive), in tree order. Every leaf
    // candidate is charged to `bounds_index_visits`.
    std::vector<std::uint64_t> query(const IntBox& box, ComplexityBudget& budget) const;

    std::vector<IntBox> items;
    std::vector<std::uint64_t> order;
    std::vector<PackedIndexNode> nodes;  // node 0 is the root; none when no item is valid
};

}  // namespace pavrix_svg_core
