#include "kernel/composite/alpha_composite.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "kernel/composite/alpha_composite_over.h"
#include "kernel/composite/region_union_groups.h"

namespace pavrix_svg_core {
namespace {

// One step of the paint-program walk. Groups nest as deep as the document does, so the walk
// keeps its own stack of steps and of evaluated component lists instead of recursing.
struct WalkStep {
    enum class Kind { node, child_range, combine, group_opacity } kind = Kind::node;
    std::uint64_t node = 0;   // the node, or the group whose children form the range
    std::uint64_t first = 0;  // child range [first, end)
    std::uint64_t end = 0;
};

void apply_group_opacity(AlphaComponentList& components, double opacity) {
    if (opacity == 1.0)
        return;
    if (!(opacity > 0.0)) {
        components.clear();
        return;
    }
    for (AlphaComponent& component : components) {
        component.r *= opacity;
        component.g *= opacity;
        component.b *= opacity;
        component.alpha *= opacity;
        for (Contributor& contributor : component.contributors)
            contributor.weight *= opacity;
    }
}

double unit_clamp(double value) {
    return std::clamp(value, 0.0, 1.0);
}

std::uint8_t colour_byte(double value) {
    return static_cast<std::uint8_t>(std::lround(unit_clamp(value) * 255.0));
}

ReplayRegion visible_region(AlphaComponent& component) {
    ReplayRegion region = init_replay_region();
    const double alpha = component.alpha;
    region.color = {unit_clamp(component.r / alpha), unit_clamp(component.g / alpha), unit_clamp(component.b / alpha),
                    alpha};
    region.rgba = {colour_byte(region.color[0]), colour_byte(region.color[1]), colour_byte(region.color[2]),
                   colour_byte(alpha)};
    region.paths = std::move(component.paths);
    region.bbox = component.box;
    region.contributors = std::move(component.contributors);
    if (region.contributors.size() == 1) {
        const Contributor& only = region.contributors.front();
        region.draw_index = only.draw_index;
        region.source_index = only.source_index;
        region.source_kind = static_cast<std::uint32_t>(only.source_kind);
    } else {
        // Several paints blend here: no single command owns the region.
        region.draw_index = 0xFFFFFFFFu;
        region.source_index = -1;
        region.source_kind = 3;
    }
    return region;
}

}  // namespace

AlphaComponentList composite_program_node(const std::vector<ReplayRegion>& regions,
                                          const std::vector<PaintProgramNode>& program, std::uint64_t node,
                                          ComplexityBudget& budget) {
    using Kind = WalkStep::Kind;
    std::vector<WalkStep> steps;
    std::vector<AlphaComponentList> values;
    steps.push_back({Kind::node, node, 0, 0});
    // In a tree every node is evaluated once; more evaluations mean shared or cyclic children,
    // which would otherwise repeat work without end.
    std::uint64_t evaluated_nodes = 0;
    while (!steps.empty()) {
        const WalkStep step = steps.back();
        steps.pop_back();
        switch (step.kind) {
        case Kind::node: {
            if (step.node >= program.size() || ++evaluated_nodes > program.size()) {
                throw std::runtime_error("invalid_paint_program");
            }
            const PaintProgramNode& current = program[step.node];
            if (current.is_group != 0) {
                steps.push_back({Kind::group_opacity, step.node, 0, 0});
                steps.push_back({Kind::child_range, step.node, 0, current.children.size()});
            } else {
                if (current.index >= regions.size())
                    throw std::runtime_error("invalid_paint_program");
                values.push_back(region_components(regions[current.index], budget));
            }
            break;
        }
        case Kind::child_range: {
            const std::vector<std::uint64_t>& children = program[step.node].children;
            const std::uint64_t count = step.end - step.first;
            if (count == 0) {
                values.emplace_back();
            } else if (count == 1) {
                steps.push_back({Kind::node, children[step.first], 0, 0});
            } else {
                // Balanced halves keep each composite_over between lists of similar size.
                const std::uint64_t mid = step.first + count / 2;
                steps.push_back({Kind::combine, 0, 0, 0});
                steps.push_back({Kind::child_range, step.node, mid, step.end});
                steps.push_back({Kind::child_range, step.node, step.first, mid});
            }
            break;
        }
        case Kind::combine: {
            AlphaComponentList above = std::move(values.back());
            values.pop_back();
            AlphaComponentList below = std::move(values.back());
            values.pop_back();
            values.push_back(composite_over(std::move(below), std::move(above), budget));
            break;
        }
        case Kind::group_opacity:
            apply_group_opacity(values.back(), program[step.node].opacity);
            break;
        }
    }
    return std::move(values.back());
}

CoverageRun merge_coverage_runs(CoverageRun earlier, CoverageRun later, ComplexityBudget& budget) {
    CoverageRun merged;
    if (earlier.bbox.valid && later.bbox.valid && int_boxes_overlap(earlier.bbox, later.bbox)) {
        merged.paths = union_overlapping_groups(std::move(earlier.paths), std::move(later.paths), budget);
    } else {
        merged.paths = std::move(earlier.paths);
        append_compositor_paths(merged.paths, later.paths);
    }
    merged.bbox = earlier.bbox;
    if (later.bbox.valid) {
        grow_int_box(merged.bbox, {later.bbox.xmin, later.bbox.ymin});
        grow_int_box(merged.bbox, {later.bbox.xmax, later.bbox.ymax});
    }
    merged.count = checked_size_sum(earlier.count, later.count);
    return merged;
}

AlphaCompositeResult alpha_composite(const std::vector<ReplayRegion>& regions,
                                     const std::vector<PaintProgramNode>& program, const ReplayParams& params) {
    if (params.budget == nullptr || program.empty())
        throw std::logic_error("missing_alpha_compositor_state");
    ComplexityBudget& budget = *params.budget;
    AlphaComponentList components = composite_program_node(regions, program, 0, budget);

    // Equal-sized runs merge pairwise like a binary counter, so each union sees balanced inputs.
    std::vector<CoverageRun> runs;
    for (const AlphaComponent& component : components) {
        CoverageRun current{component.paths, component.box, 1};
        while (!runs.empty() && runs.back().count == current.count) {
            CoverageRun top = std::move(runs.back());
            runs.pop_back();
            current = merge_coverage_runs(std::move(top), std::move(current), budget);
        }
        runs.push_back(std::move(current));
    }
    AlphaCompositeResult result;
    for (CoverageRun& run : runs) {
        result.coverage = union_overlapping_groups(std::move(result.coverage), std::move(run.paths), budget);
    }

    components = merge_equal_components(std::move(components));
    for (AlphaComponent& component : components) {
        if (component.alpha > 0.0)
            result.regions.push_back(visible_region(component));
    }
    return result;
}

}  // namespace pavrix_svg_core
