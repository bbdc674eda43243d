#include "kernel/composite/alpha_composite_over.h"

#include <utility>

#include "kernel/composite/alpha_boolean_polygons.h"
#include "kernel/bounds/packed_grid_bounds_index.h"

namespace pavrix_svg_core {
namespace {

void append_copies(Clipper2Lib::Paths64& target, const Clipper2Lib::Paths64& source) {
    target.reserve(checked_size_sum(target.size(), source.size()));
    target.insert(target.end(), source.begin(), source.end());
}

// What is left of `component` outside `cover`, tiled with the component's own colour.
void append_uncovered_rest(const AlphaComponent& component, const Clipper2Lib::Paths64& cover, AlphaComponentList& out,
                           ComplexityBudget& budget) {
    for (Clipper2Lib::Paths64& polygon :
         boolean_to_polygons(Clipper2Lib::ClipType::Difference, component.paths, cover, budget)) {
        tile_component(component, std::move(polygon), 0, out, budget);
    }
}

}  // namespace

AlphaComponent blend_over(const AlphaComponent& below, const AlphaComponent& above) {
    AlphaComponent blended;
    const double rest = 1.0 - above.alpha;
    blended.alpha = over_channel(rest, below.alpha, above.alpha);
    blended.r = over_channel(rest, below.r, above.r);
    blended.g = over_channel(rest, below.g, above.g);
    blended.b = over_channel(rest, below.b, above.b);
    blended.contributors.reserve(checked_size_sum(below.contributors.size(), above.contributors.size()));
    if (rest > 0.0) {
        for (Contributor contributor : below.contributors) {
            contributor.weight *= rest;
            if (contributor.weight > 0.0)
                blended.contributors.push_back(contributor);
        }
    }
    for (const Contributor& contributor : above.contributors) {
        if (contributor.weight > 0.0)
            blended.contributors.push_back(contributor);
    }
    return blended;
}

AlphaComponentList composite_over(AlphaComponentList below, AlphaComponentList above, ComplexityBudget& budget) {
    if (above.empty())
        return below;
    if (below.empty())
        return above;

    std::vector<IntBox> above_boxes;
    above_boxes.reserve(above.size());
    for (const AlphaComponent& component : above)
        above_boxes.push_back(component.box);
    const PackedGridBoundsIndex above_index(std::move(above_boxes));
    std::vector<Clipper2Lib::Paths64> above_cover(above.size());
    AlphaComponentList result;
    result.reserve(checked_size_sum(below.size(), above.size()));

    // Counted as the result grows, so that the refusal comes before the memory is spent.
    std::size_t counted = 0;
    std::uint64_t contributor_entries = 0;
    const auto require_contributor_room = [&] {
        for (; counted < result.size(); ++counted)
            contributor_entries = checked_size_sum(contributor_entries, result[counted].contributors.size());
        if (contributor_entries > kAlphaContributorCap)
            throw ComplexityLimitError("alpha_contributor_limit");
    };
    // One buffer per operand: both near-sets are alive while their intersection runs.
    Clipper2Lib::Paths64 below_scratch;
    Clipper2Lib::Paths64 above_scratch;
    for (AlphaComponent& lower : below) {
        Clipper2Lib::Paths64 lower_cover;
        bool overlapped = false;
        for (const std::uint64_t k : above_index.query(lower.box, budget)) {
            AlphaComponent& upper = above.at(k);
            const Clipper2Lib::Paths64& lower_near = paths_near_box(lower, upper.box, budget, below_scratch);
            const Clipper2Lib::Paths64& upper_near = paths_near_box(upper, lower.box, budget, above_scratch);
            std::vector<Clipper2Lib::Paths64> overlap =
                boolean_to_polygons(Clipper2Lib::ClipType::Intersection, lower_near, upper_near, budget);
            if (overlap.empty())
                continue;
            overlapped = true;
            append_copies(lower_cover, upper.paths);
            append_copies(above_cover[k], lower.paths);
            const AlphaComponent blended = blend_over(lower, upper);
            for (Clipper2Lib::Paths64& polygon : overlap)
                tile_component(blended, std::move(polygon), 0, result, budget);
            require_contributor_room();
        }
        if (overlapped) {
            append_uncovered_rest(lower, lower_cover, result, budget);
        } else {
            result.push_back(std::move(lower));
        }
    }
    for (std::size_t k = 0; k < above.size(); ++k) {
        if (above_cover[k].empty()) {
            result.push_back(std::move(above[k]));
        } else {
            append_uncovered_rest(above[k], above_cover[k], result, budget);
        }
    }
    require_contributor_room();
    return result;
}

}  // namespace pavrix_svg_core
