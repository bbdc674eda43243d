#pragma once

// Bounding-box tree over a caller's vector of boxes, for candidate searches among segments,
// loops and hot pixels.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "kernel/face_arithmetic.h"

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

template <typename Scalar>
BasicBoxTree<Scalar> build_box_tree(const std::vector<FaceBox<Scalar>>& boxes) {
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
    tree.nodes.reserve(2 * (count / kBoxTreeLeafSize) + 1);
    struct Pending {
        std::size_t first;
        std::size_t end;
        std::ptrdiff_t parent;
        bool is_right;
    };
    // Pre-order numbering: the left range is popped (and numbered) before the right one.
    std::vector<Pending> stack{{0, count, -1, false}};
    while (!stack.empty()) {
        const Pending pending = stack.back();
        stack.pop_back();
        const std::size_t index = tree.nodes.size();
        if (pending.parent >= 0) {
            auto& parent = tree.nodes[static_cast<std::size_t>(pending.parent)];
            (pending.is_right ? parent.right : parent.left) = static_cast<std::ptrdiff_t>(index);
        }
        typename BasicBoxTree<Scalar>::Node node;
        node.first = pending.first;
        node.end = pending.end;
        node.box = boxes[tree.permutation[pending.first]];
        for (std::size_t position = pending.first + 1; position < pending.end; ++position) {
            const auto& box = boxes[tree.permutation[position]];
            node.box.xmin = std::min(node.box.xmin, box.xmin);
            node.box.ymin = std::min(node.box.ymin, box.ymin);
            node.box.xmax = std::max(node.box.xmax, box.xmax);
            node.box.ymax = std::max(node.box.ymax, box.ymax);
        }
        const auto begin = tree.permutation.begin() + static_cast<std::ptrdiff_t>(pending.first);
        const auto finish = tree.permutation.begin() + static_cast<std::ptrdiff_t>(pending.end);
        if (pending.end - pending.first <= kBoxTreeLeafSize) {
            // Leaf items in index order, so walks see them in the same order on every library.
            std::sort(begin, finish);
            tree.nodes.push_back(node);
            continue;
        }
        const bool split_x = node.box.xmax - node.box.xmin >= node.box.ymax - node.box.ymin;
        // Median of the centre key; ties by extent and then index make the split the same on
        // every standard library and keep nested boxes with one centre apart by size.
        auto less = [&](std::size_t a, std::size_t b) {
            const auto& p = boxes[a];
            const auto& q = boxes[b];
            const Scalar key_p = split_x ? p.xmin + p.xmax : p.ymin + p.ymax;
            const Scalar key_q = split_x ? q.xmin + q.xmax : q.ymin + q.ymax;
            if (key_p != key_q) {
                return key_p < key_q;
            }
            const Scalar extent_p = split_x ? p.xmax - p.xmin : p.ymax - p.ymin;
            const Scalar extent_q = split_x ? q.xmax - q.xmin : q.ymax - q.ymin;
            if (extent_p != extent_q) {
                return extent_p < extent_q;
            }
            return a < b;
        };
        const std::size_t mid = pending.first + (pending.end - pending.first) / 2;
        std::nth_element(begin, tree.permutation.begin() + static_cast<std::ptrdiff_t>(mid), finish, less);
        tree.nodes.push_back(node);
        stack.push_back({mid, pending.end, static_cast<std::ptrdiff_t>(index), true});
        stack.push_back({pending.first, mid, static_cast<std::ptrdiff_t>(index), false});
    }
    return tree;
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
