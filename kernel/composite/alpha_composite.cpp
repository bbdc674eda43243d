#include "kernel/composite/alpha_composite.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "kernel/composite/alpha_composite_over.h"
#include "kernel/composite/paint_program_walk.h"
#include "kernel/composite/region_union_groups.h"
#include "kernel/common/boolean_crossings.h"
#include "kernel/replay/replay_workers.h"

namespace pavrix_svg_core {
namespace {

void apply_group_opacity(AlphaComponentList& components, double opacity) {
    for (AlphaComponent& component : components) {
        if (!apply_opacity(component, opacity)) {
            components.clear();
            return;
        }
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

// Equal components become one region; fully transparent ones show nothing.
void append_visible_regions(AlphaComponentList components, AlphaCompositeResult& result, std::uint32_t workers = 1) {
    components = merge_equal_components(std::move(components), workers);
    for (AlphaComponent& component : components) {
        if (component.alpha > 0.0)
            result.regions.push_back(visible_region(component));
    }
}

}  // namespace

AlphaComponentList composite_program_node(const std::vector<ReplayRegion>& regions,
                                          const std::vector<PaintProgramNode>& program, std::uint64_t node,
                                          ComplexityBudget& budget) {
    return walk_paint_program<AlphaComponentList>(
        program, node,
        [&](const PaintProgramNode& leaf) {
            if (leaf.index >= regions.size())
                throw std::runtime_error("invalid_paint_program");
            return region_components(regions[leaf.index], budget);
        },
        [](std::uint64_t, std::uint64_t) { return false; },
        [&](AlphaComponentList below, AlphaComponentList above) {
            return composite_over(std::move(below), std::move(above), budget);
        },
        apply_group_opacity);
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

AlphaCompositeResult alpha_composite_by_pieces(const std::vector<ReplayRegion>& regions,
                                               const std::vector<PaintProgramNode>& program,
                                               const ReplayParams& params) {
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

    append_visible_regions(std::move(components), result);
    return result;
}

AlphaCompositeResult alpha_composite(const std::vector<ReplayRegion>& regions,
                                     const std::vector<PaintProgramNode>& program, const ReplayParams& params,
                                     std::uint64_t tile_points) {
    if (params.budget == nullptr || program.empty())
        throw std::logic_error("missing_alpha_compositor_state");
    ComplexityBudget& budget = *params.budget;
    const PaintSetColours colours(regions, program);

    std::vector<Clipper2Lib::Paths64> leaf_paths(colours.leaf_count());
    Clipper2Lib::Paths64 all_edges;
    for (std::uint32_t p = 0; p < leaf_paths.size(); ++p) {
        if (!colours.leaf_shows(p))
            continue;
        for (const Clipper2Lib::Paths64& polygon : regions[colours.leaf_region(p)].exported_components)
            leaf_paths[p].insert(leaf_paths[p].end(), polygon.begin(), polygon.end());
        all_edges.insert(all_edges.end(), leaf_paths[p].begin(), leaf_paths[p].end());
    }
    // The crossings foretell the faces: refused here, a crowd of overlaps costs one sweep.
    if (total_point_count(all_edges) > kSmallCrossingEdges &&
        crossings_may_pass(all_edges, nullptr, kAlphaCrossingCap) &&
        predicted_crossings(all_edges, nullptr, kAlphaCrossingCap) > kAlphaCrossingCap) {
        throw ComplexityLimitError("alpha_crossing_limit");
    }
    all_edges = Clipper2Lib::Paths64{};

    const std::uint32_t workers = replay_worker_budget(params.environment);
    AlphaTileOutput tiles = alpha_tile_faces(colours, leaf_paths, workers, budget, tile_points);
    AlphaCompositeResult result;
    result.coverage = std::move(tiles.coverage);
    result.displacement = tiles.displacement;
    AlphaComponentList components;
    components.reserve(tiles.faces.size());
    for (PaintSetFaces& faces : tiles.faces)
        components.push_back(std::move(faces.component));
    tiles.faces.clear();
    append_visible_regions(std::move(components), result, workers);
    return result;
}

}  // namespace pavrix_svg_core
