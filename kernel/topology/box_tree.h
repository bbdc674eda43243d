#pragma once

// Bounding-box tree over a caller's vector of boxes, for candidate searches among segments,
// loops and hot pixels.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "kernel/exact/face_arithmetic.h"
#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {

// Ranges of at most this many items stay leaves: below it a linear scan is cheaper than a split.
inline constexpr std::size_t kBoxTreeLeafSize = 8;
// Pending nodes of a walk: one per level of a tree over at most 2^64 items, plus the two
// children pushed last.
inline constexpr std::size_t kBoxTreeMaxPending = 72;

template <typename Scalar>
struct BasicBoxTree {
    struct Node {
        FaceBox<Scalar> box;
        std::size_t first = 0;
        std::size_t end = 0;
        std::ptrdiff_t left = -1;  // -1 for a leaf
        std::ptrdiff_t right = -1;
    };

    const std::vector<FaceBox<Scalar>>* boxes = nullptr;  // the caller's; must outlive the tree
    std::vector<std::size_t> permutation;
    std::vector<Node> nodes;  // node 0 is the root; empty over zero items

    // Depth-first walk (right subtree first). `enter(node box)` decides whether a node is
    // opened; `visit(item index)` sees every item of an opened leaf, in permutation order.
    template <typename Enter, typename Visit>
    void walk(Enter&& enter, Visit&& visit) const {
        if (nodes.empty()) {
            return;
        }
        // Ranges are halved at every level, so the depth stays below 64 and the pending nodes
        // (at most one per level plus one) fit in a fixed array: no allocation per query.
        std::array<std::size_t, kBoxTreeMaxPending> stack;
        std::size_t pending = 0;
        stack[pending++] = 0;
        while (pending > 0) {
            const Node& node = nodes[stack[--pending]];
            if (!enter(node.box)) {
                continue;
            }
            if (node.left < 0) {
                for (std::size_t position = node.first; position < node.end; ++position) {
                    visit(permutation[position]);
                }
                continue;
            }
            stack[pending++] = static_cast<std::size_t>(node.left);
            stack[pending++] = static_cast<std::size_t>(node.right);
        }
    }

    // Every item whose box meets `query` (inclusive on all sides).
    template <typename Visit>
    void query(const FaceBox<Scalar>& query_box, Visit&& visit) const {
        walk([&](const FaceBox<Scalar>& box) { return face_boxes_meet(box, query_box); },
             [&](std::size_t item) {
                 if (face_boxes_meet((*boxes)[item], query_box)) {
                     visit(item);
                 }
             });
    }
};

using BoxTree = BasicBoxTree<std::int64_t>;

// Nodes of the tree over `items` items: the tree's shape depends on the count alone, which lets
// subtrees be built apart at known node numbers.
inline std::size_t box_tree_node_count(std::size_t items) noexcept {
    // The ranges of one level differ by at most one item, so a level is two sizes and their counts.
    std::size_t total = 0;
    std::size_t size = items;
    std::size_t small_count = items == 0 ? 0 : 1;  // ranges of `size` items
    std::size_t large_count = 0;                   // ranges of `size + 1` items
    while (small_count + large_count > 0) {
        total += small_count + large_count;
        const std::size_t half = size / 2;
        std::size_t next_small = 0;
        std::size_t next_large = 0;
        // A range of s items splits into s / 2 and s - s / 2; both are half or half + 1.
        const auto split = [&](std::size_t range, std::size_t ranges) {
            if (range <= kBoxTreeLeafSize) {
                return;
            }
            for (const std::size_t part : {range / 2, range - range / 2}) {
                (part == half ? next_small : next_large) += ranges;
            }
        };
        split(size, small_count);
        split(size + 1, large_count);
        size = half;
        small_count = next_small;
        large_count = next_large;
    }
    return total;
}

// Ranges above this many items are cut into subtrees built on worker threads.
inline constexpr std::size_t kParallelBoxTreeItems = std::size_t{1} << 14;

namespace box_tree_detail {

template <typename Scalar>
struct SplitKey {
    Scalar centre;  // twice the centre along the split axis
    Scalar extent;
    std::size_t item;
};

// Builds node `index` over permutation[first, end): its box, and for a range above the leaf size
// the median split, whose halves it returns as {mid, true}; leaves sort their items.
template <typename Scalar>
std::pair<std::size_t, bool> build_box_tree_node(BasicBoxTree<Scalar>& tree, std::vector<SplitKey<Scalar>>& keys,
                                                 std::size_t first, std::size_t end, std::size_t index) {
    const std::vector<FaceBox<Scalar>>& boxes = *tree.boxes;
    auto& node = tree.nodes[index];
    node.first = first;
    node.end = end;
    node.box = boxes[tree.permutation[first]];
    for (std::size_t position = first + 1; position < end; ++position) {
        const auto& box = boxes[tree.permutation[position]];
        node.box.xmin = std::min(node.box.xmin, box.xmin);
        node.box.ymin = std::min(node.box.ymin, box.ymin);
        node.box.xmax = std::max(node.box.xmax, box.xmax);
        node.box.ymax = std::max(node.box.ymax, box.ymax);
    }
    if (end - first <= kBoxTreeLeafSize) {
        // Leaf items in index order, so walks see them in the same order on every library.
        std::sort(tree.permutation.begin() + static_cast<std::ptrdiff_t>(first),
                  tree.permutation.begin() + static_cast<std::ptrdiff_t>(end));
        return {end, false};
    }
    const bool split_x = node.box.xmax - node.box.xmin >= node.box.ymax - node.box.ymin;
    // Median of the centre key; ties by extent and then index make the split the same on every
    // standard library and keep nested boxes with one centre apart by size. The order is total,
    // so the halves (and, leaves being sorted, the whole tree) do not depend on how the
    // selection arranges them; keys are gathered first so comparisons stay cheap.
    for (std::size_t position = first; position < end; ++position) {
        const std::size_t item = tree.permutation[position];
        const auto& box = boxes[item];
        keys[position] = split_x ? SplitKey<Scalar>{box.xmin + box.xmax, box.xmax - box.xmin, item}
                                 : SplitKey<Scalar>{box.ymin + box.ymax, box.ymax - box.ymin, item};
    }
    const std::size_t mid = first + (end - first) / 2;
    std::nth_element(keys.begin() + static_cast<std::ptrdiff_t>(first), keys.begin() + static_cast<std::ptrdiff_t>(mid),
                     keys.begin() + static_cast<std::ptrdiff_t>(end),
                     [](const SplitKey<Scalar>& p, const SplitKey<Scalar>& q) {
                         if (p.centre != q.centre) {
                             return p.centre < q.centre;
                         }
                         if (p.extent != q.extent) {
                             return p.extent < q.extent;
                         }
                         return p.item < q.item;
                     });
    for (std::size_t position = first; position < end; ++position) {
        tree.permutation[position] = keys[position].item;
    }
    // Pre-order numbering: the left subtree follows its parent, the right one follows the left.
    node.left = static_cast<std::ptrdiff_t>(index + 1);
    node.right = static_cast<std::ptrdiff_t>(index + 1 + box_tree_node_count(mid - first));
    return {mid, true};
}

struct PendingSubtree {
    std::size_t first;
    std::size_t end;
    std::size_t index;
};

template <typename Scalar>
void build_box_subtree(BasicBoxTree<Scalar>& tree, std::vector<SplitKey<Scalar>>& keys, PendingSubtree root) {
    std::vector<PendingSubtree> stack{root};
    while (!stack.empty()) {
        const PendingSubtree pending = stack.back();
        stack.pop_back();
        const auto [mid, split] = build_box_tree_node(tree, keys, pending.first, pending.end, pending.index);
        if (split) {
            const auto& node = tree.nodes[pending.index];
            stack.push_back({mid, pending.end, static_cast<std::size_t>(node.right)});
            stack.push_back({pending.first, mid, static_cast<std::size_t>(node.left)});
        }
    }
}

}  // namespace box_tree_detail

// The tree over `boxes`; large trees are built on up to `workers` threads (counting the caller),
// with the same result for every worker count.
template <typename Scalar>
BasicBoxTree<Scalar> build_box_tree(const std::vector<FaceBox<Scalar>>& boxes, std::uint32_t workers = 1) {
    using namespace box_tree_detail;
    BasicBoxTree<Scalar> tree;
    tree.boxes = &boxes;
    const std::size_t count = boxes.size();
    tree.permutation.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        tree.permutation[i] = i;
    }
    if (count == 0) {
        return tree;
    }
    tree.nodes.resize(box_tree_node_count(count));
    std::vector<SplitKey<Scalar>> keys(count);
    if (workers < 2 || count <= kParallelBoxTreeItems) {
        build_box_subtree(tree, keys, {0, count, 0});
        return tree;
    }
    // The top of the tree level by level (the nodes of a level side by side) until there are
    // enough subtrees to share out; each node and subtree touches only its own nodes,
    // permutation range and keys.
    std::vector<PendingSubtree> subtrees{{0, count, 0}};
    const std::size_t wanted = 4 * static_cast<std::size_t>(workers);
    while (subtrees.size() < wanted) {
        std::vector<PendingSubtree> large;
        std::vector<PendingSubtree> next;
        for (const PendingSubtree& pending : subtrees) {
            (pending.end - pending.first <= kParallelBoxTreeItems ? next : large).push_back(pending);
        }
        if (large.empty()) {
            break;
        }
        std::vector<std::size_t> mids(large.size());
        run_parallel_tasks(large.size(), workers, [&](std::size_t i) {
            mids[i] = build_box_tree_node(tree, keys, large[i].first, large[i].end, large[i].index).first;
        });
        for (std::size_t i = 0; i < large.size(); ++i) {
            const auto& node = tree.nodes[large[i].index];
            next.push_back({large[i].first, mids[i], static_cast<std::size_t>(node.left)});
            next.push_back({mids[i], large[i].end, static_cast<std::size_t>(node.right)});
        }
        subtrees = std::move(next);
    }
    run_parallel_tasks(subtrees.size(), workers, [&](std::size_t i) { build_box_subtree(tree, keys, subtrees[i]); });
    return tree;
}

// Dense ranks of `count` items under the strict weak order `less`: items that neither precedes
// share a rank. Comparing ranks then answers `less` with one integer comparison, which pays where
// the same items are compared many times (wide areas in the enclosing searches below).
template <typename Less>
std::vector<std::size_t> dense_ranks(std::size_t count, Less&& less) {
    std::vector<std::size_t> order(count);
    for (std::size_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), less);
    std::vector<std::size_t> ranks(count, 0);
    for (std::size_t k = 1; k < count; ++k) {
        ranks[order[k]] = ranks[order[k - 1]] + (less(order[k - 1], order[k]) ? 1 : 0);
    }
    return ranks;
}

// For each node, its smallest and largest item under `smaller` (children are numbered after
// their parent, so one backward pass suffices).
template <typename Scalar, typename Smaller>
void rank_box_tree_nodes(const BasicBoxTree<Scalar>& tree, Smaller&& smaller, std::vector<std::size_t>& node_smallest,
                         std::vector<std::size_t>& node_largest) {
    const std::size_t node_count = tree.nodes.size();
    node_smallest.assign(node_count, 0);
    node_largest.assign(node_count, 0);
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
        node_smallest[n] =
            smaller(node_smallest[right], node_smallest[left]) ? node_smallest[right] : node_smallest[left];
        node_largest[n] = smaller(node_largest[left], node_largest[right]) ? node_largest[right] : node_largest[left];
    }
}

// The smallest item under `smaller` whose box contains `target`, that is strictly larger than
// `floor` (unless floor is npos) and that `accept`s; npos when none. Subtrees that cannot hold a
// better item are skipped, and the one with the smaller items is searched first, so nested
// shapes find their nearest container without scanning all the outer ones.
template <typename Scalar, typename Smaller, typename Accept>
std::size_t find_smallest_enclosing(const BasicBoxTree<Scalar>& tree, const std::vector<std::size_t>& node_smallest,
                                    const std::vector<std::size_t>& node_largest, const FaceBox<Scalar>& target,
                                    std::size_t floor, Smaller&& smaller, Accept&& accept,
                                    std::vector<std::size_t>& stack) {
    constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t best = npos;
    if (tree.nodes.empty()) {
        return best;
    }
    auto can_improve = [&](std::size_t smallest, std::size_t largest) {
        return (floor == npos || smaller(floor, largest)) && (best == npos || smaller(smallest, best));
    };
    stack.assign(1, 0);
    while (!stack.empty()) {
        const std::size_t n = stack.back();
        stack.pop_back();
        const auto& node = tree.nodes[n];
        if (!face_box_contains(node.box, target) || !can_improve(node_smallest[n], node_largest[n])) {
            continue;
        }
        if (node.left >= 0) {
            const auto left = static_cast<std::size_t>(node.left);
            const auto right = static_cast<std::size_t>(node.right);
            const bool left_first = !smaller(node_smallest[right], node_smallest[left]);
            stack.push_back(left_first ? right : left);
            stack.push_back(left_first ? left : right);
            continue;
        }
        for (std::size_t position = node.first; position < node.end; ++position) {
            const std::size_t item = tree.permutation[position];
            if (face_box_contains((*tree.boxes)[item], target) && can_improve(item, item) && accept(item)) {
                best = item;
            }
        }
    }
    return best;
}

}  // namespace pavrix_svg_core
