#include "kernel/opaque_composite.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

#include "kernel/region_union_groups.h"

namespace pavrix_svg_core {

void add_path_totals(PathTotals& totals, const Clipper2Lib::Paths64& paths) {
    totals.points = checked_size_sum(totals.points, total_point_count(paths));
    totals.paths = checked_size_sum(totals.paths, paths.size());
}

bool region_geometry_less(const Clipper2Lib::Paths64& a, const Clipper2Lib::Paths64& b) noexcept {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t p = 0; p < common; ++p) {
        const Clipper2Lib::Path64& pa = a[p];
        const Clipper2Lib::Path64& pb = b[p];
        const std::size_t points = std::min(pa.size(), pb.size());
        for (std::size_t i = 0; i < points; ++i) {
            if (pa[i].x != pb[i].x)
                return pa[i].x < pb[i].x;
            if (pa[i].y != pb[i].y)
                return pa[i].y < pb[i].y;
        }
        if (pa.size() != pb.size())
            return pa.size() < pb.size();
    }
    return a.size() < b.size();
}

CoverBlock make_cover_block(Clipper2Lib::Paths64 paths) {
    CoverBlock block;
    block.paths = std::move(paths);
    block.index = std::make_unique<PackedGridBoundsIndex>(per_path_bounds(block.paths));
    block.box = box_paths_bounds(block.paths);
    block.region_count = 1;
    return block;
}

CoverBlock merge_cover_blocks(ComplexityBudget& budget, CoverBlock older, CoverBlock newer) {
    CoverBlock merged;
    if (older.box.valid && newer.box.valid && int_boxes_overlap(older.box, newer.box)) {
        merged.paths = union_overlapping_groups(std::move(older.paths), std::move(newer.paths), budget);
    } else {
        merged.paths = std::move(older.paths);
        merged.paths.reserve(checked_size_sum(merged.paths.size(), newer.paths.size()));
        for (auto& path : newer.paths)
            merged.paths.push_back(std::move(path));
    }
    merged.region_count = checked_size_sum(older.region_count, newer.region_count);
    older.index.reset();
    newer.index.reset();
    merged.index = std::make_unique<PackedGridBoundsIndex>(per_path_bounds(merged.paths));
    merged.box = older.box;
    if (newer.box.valid) {
        grow_int_box(merged.box, {newer.box.xmin, newer.box.ymin});
        grow_int_box(merged.box, {newer.box.xmax, newer.box.ymax});
    }
    return merged;
}

void push_cover_block(std::vector<CoverBlock>& stack, CoverBlock block, ComplexityBudget& budget) {
    while (!stack.empty() && stack.back().region_count == block.region_count) {
        CoverBlock top = std::move(stack.back());
        stack.pop_back();
        block = merge_cover_blocks(budget, std::move(top), std::move(block));
    }
    stack.push_back(std::move(block));
}

namespace {

// The paths of every cover block that may hide part of `chunk_box`, bottom block first.
Clipper2Lib::Paths64 collect_cover(const std::vector<CoverBlock>& stack, const IntBox& chunk_box,
                                   ComplexityBudget& budget) {
    Clipper2Lib::Paths64 clip;
    if (!chunk_box.valid)
        return clip;
    for (const CoverBlock& block : stack) {
        if (!block.box.valid || !int_boxes_overlap(block.box, chunk_box) || block.index->nodes.empty())
            continue;
        for (const std::uint64_t hit : block.index->query(chunk_box, budget))
            clip.push_back(block.paths.at(hit));
    }
    return clip;
}

}  // namespace

OpaqueCompositeOutput opaque_composite(const std::vector<ReplayRegion>& regions, const ReplayParams& params) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_opaque_compositor_state");
    ComplexityBudget& budget = *params.budget;

    OpaqueCompositeOutput output;
    output.visible_paths.resize(regions.size());
    std::vector<CoverBlock> stack;
    PathTotals totals;
    const auto geometry_less = [&regions](std::size_t i, std::size_t j) {
        return region_geometry_less(regions[i].paths, regions[j].paths);
    };
    std::set<std::size_t, decltype(geometry_less)> seen(geometry_less);

    for (std::size_t r = regions.size(); r-- > 0;) {
        // A later region with the very same outline hides this one whole: no geometry work.
        if (!seen.insert(r).second)
            continue;
        Clipper2Lib::Paths64 visible;
        for (Clipper2Lib::Paths64& chunk : split_overlap_groups(regions[r].paths, budget)) {
            const Clipper2Lib::Paths64 clip = collect_cover(stack, box_paths_bounds(chunk), budget);
            if (!clip.empty()) {
                charge_clipper_input(budget, chunk, &clip);
                chunk =
                    clipper_boolean(Clipper2Lib::ClipType::Difference, Clipper2Lib::FillRule::NonZero, chunk, &clip);
                charge_clipper_output(budget, chunk);
            }
            for (auto& path : chunk)
                visible.push_back(std::move(path));
        }
        add_path_totals(totals, visible);
        const bool shows = !visible.empty();
        output.visible_paths[r] = std::move(visible);
        // A wholly hidden region adds no cover: whatever hides it is on the stack already.
        if (shows)
            push_cover_block(stack, make_cover_block(regions[r].paths), budget);
    }

    for (CoverBlock& block : stack) {
        output.coverage = union_overlapping_groups(std::move(output.coverage), std::move(block.paths), budget);
    }
    add_path_totals(totals, output.coverage);
    return output;
}

}  // namespace pavrix_svg_core
