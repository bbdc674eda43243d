#include "kernel/bounds/packed_grid_bounds_index.h"

#include <algorithm>
#include <array>
#include <utility>

namespace pavrix_svg_core {
namespace {

// Every split halves its range, so a tree over at most 2^64 items is at most 64 levels deep and
// a depth-first walk holds at most one pending sibling per level (plus the node in hand).
constexpr std::size_t kMaxPendingNodes = 66;

double axis_key(const IntBox& box, bool x_axis) noexcept {
    return x_axis ? static_cast<double>(box.xmin) + static_cast<double>(box.xmax)
                  : static_cast<double>(box.ymin) + static_cast<double>(box.ymax);
}

}  // namespace

PackedGridBoundsIndex::PackedGridBoundsIndex(std::vector<IntBox> boxes) : items(std::move(boxes)) {
    for (std::uint64_t i = 0; i < items.size(); ++i)
        if (items[i].valid)
            order.push_back(i);
    if (order.empty())
        return;

    struct Pending {
        std::uint64_t node;
        std::uint64_t first;
        std::uint64_t end;
    };
    std::vector<Pending> pending{{0, 0, order.size()}};
    std::vector<std::pair<double, std::uint64_t>> keyed;  // reused by every split
    nodes.push_back(PackedIndexNode{});
    while (!pending.empty()) {
        const Pending range = pending.back();
        pending.pop_back();
        IntBox box;
        for (std::uint64_t position = range.first; position < range.end; ++position) {
            const IntBox& item = items[order[position]];
            grow_int_box(box, Clipper2Lib::Point64{item.xmin, item.ymin});
            grow_int_box(box, Clipper2Lib::Point64{item.xmax, item.ymax});
        }
        PackedIndexNode& node = nodes[range.node];
        node.box = box;
        node.first = range.first;
        node.end = range.end;
        if (range.end - range.first <= kLeafCapacity)
            continue;

        const bool x_axis = static_cast<double>(box.xmax) - static_cast<double>(box.xmin) >=
                            static_cast<double>(box.ymax) - static_cast<double>(box.ymin);
        // Ties go by item index, so the tree never depends on the order a range arrived in.
        keyed.clear();
        for (std::uint64_t position = range.first; position < range.end; ++position)
            keyed.emplace_back(axis_key(items[order[position]], x_axis), order[position]);
        std::sort(keyed.begin(), keyed.end());
        for (std::uint64_t k = 0; k < keyed.size(); ++k)
            order[range.first + k] = keyed[k].second;

        const std::uint64_t mid = range.first + (range.end - range.first) / 2;
        const std::uint64_t left = nodes.size();
        nodes[range.node].leaf = false;
        nodes[range.node].left = left;
        nodes[range.node].right = left + 1;
        nodes.push_back(PackedIndexNode{});
        nodes.push_back(PackedIndexNode{});
        pending.push_back({left + 1, mid, range.end});
        pending.push_back({left, range.first, mid});
    }
}

std::vector<std::uint64_t> PackedGridBoundsIndex::query(const IntBox& box, ComplexityBudget& budget) const {
    std::vector<std::uint64_t> found;
    if (nodes.empty() || !box.valid)
        return found;
    std::array<std::uint64_t, kMaxPendingNodes> pending;
    std::size_t depth = 0;
    pending[depth++] = 0;
    while (depth > 0) {
        const PackedIndexNode& node = nodes[pending[--depth]];
        if (!int_boxes_overlap(node.box, box))
            continue;
        if (node.leaf) {
            // Charged per leaf before the scan: the same total and the same failing leaf as one
            // by one, without a checked addition per candidate.
            charge_budget(budget, BudgetCounter::bounds_index_visits, node.end - node.first);
            for (std::uint64_t position = node.first; position < node.end; ++position) {
                const std::uint64_t item = order[position];
                if (int_boxes_overlap(items[item], box))
                    found.push_back(item);
            }
            continue;
        }
        pending[depth++] = node.right;  // left is searched first
        pending[depth++] = node.left;
    }
    return found;
}

}  // namespace pavrix_svg_core
