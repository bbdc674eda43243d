#pragma once

// The paint program evaluated bottom up: a group splits its children into balanced halves,
// composites the lower half's value under the upper's and applies its opacity.

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

// Evaluates node `root`. Groups nest as deep as the document does, so the walk keeps its own
// stack of steps and of values instead of recursing. `leaf(node)` gives a leaf's value,
// `combine(below, above)` joins two halves, `fade(value, opacity)` applies a group's opacity, and
// `skip(first, last)` may declare the nodes first..last (siblings, in order) to hold nothing,
// which then evaluate to Value{} unvisited. std::runtime_error "invalid_paint_program" for a node
// index out of range or more evaluations than nodes (shared or cyclic children).
template <typename Value, typename Leaf, typename Skip, typename Combine, typename Fade>
Value walk_paint_program(const std::vector<PaintProgramNode>& program, std::uint64_t root, Leaf&& leaf, Skip&& skip,
                         Combine&& combine, Fade&& fade) {
    struct Step {
        enum class Kind { node, child_range, combine, group_opacity } kind = Kind::node;
        std::uint64_t node = 0;   // the node, or the group whose children form the range
        std::uint64_t first = 0;  // child range [first, end)
        std::uint64_t end = 0;
    };
    using Kind = typename Step::Kind;
    std::vector<Step> steps;
    std::vector<Value> values;
    steps.push_back({Kind::node, root, 0, 0});
    std::uint64_t evaluated_nodes = 0;
    while (!steps.empty()) {
        const Step step = steps.back();
        steps.pop_back();
        switch (step.kind) {
        case Kind::node: {
            if (step.node >= program.size() || ++evaluated_nodes > program.size())
                throw std::runtime_error("invalid_paint_program");
            const PaintProgramNode& current = program[step.node];
            if (skip(step.node, step.node)) {
                values.emplace_back();
            } else if (current.is_group != 0) {
                steps.push_back({Kind::group_opacity, step.node, 0, 0});
                steps.push_back({Kind::child_range, step.node, 0, current.children.size()});
            } else {
                values.push_back(leaf(current));
            }
            break;
        }
        case Kind::child_range: {
            const std::vector<std::uint64_t>& children = program[step.node].children;
            const std::uint64_t count = step.end - step.first;
            if (count == 0 || skip(children[step.first], children[step.end - 1])) {
                values.emplace_back();
            } else if (count == 1) {
                steps.push_back({Kind::node, children[step.first], 0, 0});
            } else {
                // Balanced halves keep each combination between values of similar size.
                const std::uint64_t mid = step.first + count / 2;
                steps.push_back({Kind::combine, 0, 0, 0});
                steps.push_back({Kind::child_range, step.node, mid, step.end});
                steps.push_back({Kind::child_range, step.node, step.first, mid});
            }
            break;
        }
        case Kind::combine: {
            Value above = std::move(values.back());
            values.pop_back();
            Value below = std::move(values.back());
            values.back() = combine(std::move(below), std::move(above));
            break;
        }
        case Kind::group_opacity:
            fade(values.back(), program[step.node].opacity);
            break;
        }
    }
    return std::move(values.back());
}

}  // namespace pavrix_svg_core
