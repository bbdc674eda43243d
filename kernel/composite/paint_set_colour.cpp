#include "kernel/composite/paint_set_colour.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <stdexcept>
#include <utility>

#include "kernel/composite/alpha_composite_over.h"
#include "kernel/composite/paint_program_walk.h"

namespace pavrix_svg_core {
namespace {

struct VisitFrame {
    std::uint64_t node = 0;
    std::size_t next_child = 0;
    bool shows = true;  // every group around it has an opacity above 0
};

}  // namespace

PaintSetColours::PaintSetColours(const std::vector<ReplayRegion>& regions,
                                 const std::vector<PaintProgramNode>& program)
    : regions_(regions), program_(program), first_leaf_(program.size(), 0), end_leaf_(program.size(), 0) {
    std::vector<std::uint8_t> visited(program.size(), 0);
    std::vector<VisitFrame> stack;
    const auto enter = [&](std::uint64_t node, bool shows) {
        if (node >= program.size() || visited[node] != 0)
            throw std::runtime_error("invalid_paint_program");
        visited[node] = 1;
        const PaintProgramNode& current = program[node];
        if (leaf_regions_.size() >= std::numeric_limits<std::uint32_t>::max())
            throw ComplexityLimitError("size_sum_overflow");
        first_leaf_[node] = static_cast<std::uint32_t>(leaf_regions_.size());
        if (current.is_group != 0) {
            stack.push_back({node, 0, shows && current.opacity > 0.0});
            return;
        }
        if (current.index >= regions.size())
            throw std::runtime_error("invalid_paint_program");
        const ReplayRegion& region = regions[current.index];
        const bool painted = !region.paths.empty() && !region.exported_components.empty() && region.color[3] > 0.0;
        leaf_regions_.push_back(current.index);
        leaf_shows_.push_back(shows && painted ? 1 : 0);
        end_leaf_[node] = static_cast<std::uint32_t>(leaf_regions_.size());
    };
    if (program.empty())
        throw std::runtime_error("invalid_paint_program");
    enter(0, true);
    while (!stack.empty()) {
        VisitFrame& frame = stack.back();
        const std::vector<std::uint64_t>& children = program[frame.node].children;
        if (frame.next_child == children.size()) {
            end_leaf_[frame.node] = static_cast<std::uint32_t>(leaf_regions_.size());
            stack.pop_back();
            continue;
        }
        const std::uint64_t child = children[frame.next_child++];
        enter(child, frame.shows);
    }
}

AlphaComponent PaintSetColours::colour(const std::vector<std::uint32_t>& positions) const {
    std::optional<AlphaComponent> value = walk_paint_program<std::optional<AlphaComponent>>(
        program_, 0, [&](const PaintProgramNode& leaf) { return paint_template(regions_[leaf.index]); },
        [&](std::uint64_t first, std::uint64_t last) {
            const auto it = std::lower_bound(positions.begin(), positions.end(), first_leaf_[first]);
            return it == positions.end() || *it >= end_leaf_[last];
        },
        [](std::optional<AlphaComponent> below, std::optional<AlphaComponent> above) {
            if (!below)
                return above;
            if (!above)
                return below;
            return std::optional<AlphaComponent>(blend_over(*below, *above));
        },
        [](std::optional<AlphaComponent>& faded, double opacity) {
            if (faded && !apply_opacity(*faded, opacity))
                faded.reset();
        });
    if (!value)
        throw std::logic_error("paint_set_without_colour");
    return std::move(*value);
}

bool paint_set_before(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) noexcept {
    const auto [ia, ib] = std::mismatch(a.begin(), a.end(), b.begin(), b.end());
    if (ia == a.end())
        return false;  // a equals b or is its prefix
    if (ib == b.end())
        return true;
    return *ia < *ib;
}

}  // namespace pavrix_svg_core
