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

PaintSetColours::PaintSetColours(const std::vector<ReplayRegion>& regions, const std::vector<PaintProgramNode>& program)
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
    // The contributors of the set's leaves in one array, in paint order; a value of the walk owns
    // the run [first, end) of it (halves are neighbours, so runs join end to start).
    std::vector<Contributor> entries;
    std::vector<std::uint32_t> entry_start;
    entry_start.reserve(positions.size() + 1);
    for (const std::uint32_t position : positions) {
        entry_start.push_back(static_cast<std::uint32_t>(entries.size()));
        const std::vector<Contributor>& own = regions_[leaf_regions_[position]].contributors;
        entries.insert(entries.end(), own.begin(), own.end());
    }
    entry_start.push_back(static_cast<std::uint32_t>(entries.size()));
    std::vector<std::uint8_t> dropped(entries.size(), 0);
    const auto drop_unless_positive = [&](std::uint32_t first, std::uint32_t end) {
        for (std::uint32_t k = first; k < end; ++k)
            dropped[k] = dropped[k] != 0 || !(entries[k].weight > 0.0) ? 1 : 0;
    };
    struct Blend {
        bool present = false;
        double r = 0.0, g = 0.0, b = 0.0, alpha = 0.0;
        std::uint32_t first = 0, end = 0;
    };
    const Blend value = walk_paint_program<Blend>(
        program_, 0,
        [&](const PaintProgramNode& leaf) {
            const std::uint32_t position = first_leaf_[static_cast<std::size_t>(&leaf - program_.data())];
            const std::size_t k = static_cast<std::size_t>(
                std::lower_bound(positions.begin(), positions.end(), position) - positions.begin());
            const ReplayRegion& region = regions_[leaf.index];
            const double opacity = region.color[3];
            return Blend{true,
                         region.color[0] * opacity,
                         region.color[1] * opacity,
                         region.color[2] * opacity,
                         opacity,
                         entry_start[k],
                         entry_start[k + 1]};
        },
        [&](std::uint64_t first, std::uint64_t last) {
            const auto it = std::lower_bound(positions.begin(), positions.end(), first_leaf_[first]);
            return it == positions.end() || *it >= end_leaf_[last];
        },
        [&](Blend below, Blend above) {
            if (!below.present)
                return above;
            if (!above.present)
                return below;
            // As blend_over: the lower contributors fade by the rest and leave at weight 0.
            const double rest = 1.0 - above.alpha;
            if (rest > 0.0) {
                for (std::uint32_t k = below.first; k < below.end; ++k)
                    entries[k].weight *= rest;
                drop_unless_positive(below.first, below.end);
            } else {
                std::fill(dropped.begin() + below.first, dropped.begin() + below.end, 1);
            }
            drop_unless_positive(above.first, above.end);
            return Blend{true,
                         over_channel(rest, below.r, above.r),
                         over_channel(rest, below.g, above.g),
                         over_channel(rest, below.b, above.b),
                         over_channel(rest, below.alpha, above.alpha),
                         below.first,
                         above.end};
        },
        [&](Blend& faded, double opacity) {
            if (!faded.present || opacity == 1.0)
                return;
            if (!(opacity > 0.0)) {
                std::fill(dropped.begin() + faded.first, dropped.begin() + faded.end, 1);
                faded.present = false;
                return;
            }
            faded.r *= opacity;
            faded.g *= opacity;
            faded.b *= opacity;
            faded.alpha *= opacity;
            for (std::uint32_t k = faded.first; k < faded.end; ++k)
                entries[k].weight *= opacity;
        });
    if (!value.present)
        throw std::logic_error("paint_set_without_colour");
    AlphaComponent component;
    component.r = value.r;
    component.g = value.g;
    component.b = value.b;
    component.alpha = value.alpha;
    for (std::uint32_t k = value.first; k < value.end; ++k) {
        if (dropped[k] == 0)
            component.contributors.push_back(entries[k]);
    }
    return component;
}

}  // namespace pavrix_svg_core
