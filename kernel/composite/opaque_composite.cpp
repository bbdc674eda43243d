#include "kernel/composite/opaque_composite.h"

#include <algorithm>
#include <set>
#include <stdexcept>
#include <utility>

#include "kernel/composite/composite_tiles.h"
#include "kernel/composite/tile_cutting.h"
#include "kernel/common/parallel_tasks.h"
#include "kernel/composite/region_union_groups.h"
#include "kernel/replay/replay_workers.h"

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

OpaqueCompositeOutput composite_cover_stack(const std::vector<const Clipper2Lib::Paths64*>& items,
                                            ComplexityBudget& budget) {
    OpaqueCompositeOutput output;
    output.visible_paths.resize(items.size());
    std::vector<CoverBlock> stack;
    PathTotals totals;
    const auto geometry_less = [&items](std::size_t i, std::size_t j) {
        return region_geometry_less(*items[i], *items[j]);
    };
    std::set<std::size_t, decltype(geometry_less)> seen(geometry_less);

    for (std::size_t r = items.size(); r-- > 0;) {
        // A later item with the very same outline hides this one whole: no geometry work.
        if (!seen.insert(r).second)
            continue;
        Clipper2Lib::Paths64 visible;
        for (Clipper2Lib::Paths64& chunk : split_overlap_groups(*items[r], budget)) {
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
        // A wholly hidden item adds no cover: whatever hides it is on the stack already.
        if (shows)
            push_cover_block(stack, make_cover_block(*items[r]), budget);
    }

    for (CoverBlock& block : stack) {
        output.coverage = union_overlapping_groups(std::move(output.coverage), std::move(block.paths), budget);
    }
    add_path_totals(totals, output.coverage);
    return output;
}

namespace {

// Tiles handed to the workers: cut breadth first from the page until there are this many (or
// none can be cut), whatever the worker count, so that the tiles and the order in which their
// results are joined never depend on it. Enough for 16 workers to balance uneven tiles.
constexpr std::size_t kParallelTiles = 64;

// What one worker's tile (and the tiles cut from it) gives: visible pieces in tile order, the
// union of their coverage, and the work charged.
struct TileOutput {
    std::vector<TileItem> visible;
    Clipper2Lib::Paths64 coverage;
    ComplexityBudget budget;
    bool cut = false;
};

bool worth_cutting(const CompositeTile& tile, std::uint64_t tile_points) {
    return tile.items.size() > 1 && tile_point_count(tile) > tile_points;
}

void composite_leaf(CompositeTile& tile, TileOutput& output, std::vector<Clipper2Lib::Paths64>& coverage_pieces) {
    if (tile.items.size() == 1) {
        coverage_pieces.push_back(tile.items.front().paths);
        output.visible.push_back(std::move(tile.items.front()));
        return;
    }
    std::vector<const Clipper2Lib::Paths64*> items;
    items.reserve(tile.items.size());
    for (const TileItem& item : tile.items)
        items.push_back(&item.paths);
    OpaqueCompositeOutput composite = composite_cover_stack(items, output.budget);
    for (std::size_t i = 0; i < tile.items.size(); ++i) {
        if (!composite.visible_paths[i].empty())
            output.visible.push_back(
                {tile.items[i].region, std::move(composite.visible_paths[i]), {}, tile.items[i].cut});
    }
    coverage_pieces.push_back(std::move(composite.coverage));
}

// One NonZero union of pieces that meet along tile cuts; a single piece that no cut touched
// passes unchanged.
Clipper2Lib::Paths64 join_pieces(std::vector<Clipper2Lib::Paths64>& pieces, ComplexityBudget& budget,
                                 bool cut = false) {
    if (pieces.size() == 1 && !cut)
        return std::move(pieces.front());
    Clipper2Lib::Paths64 all;
    for (Clipper2Lib::Paths64& piece : pieces) {
        for (Clipper2Lib::Path64& path : piece)
            all.push_back(std::move(path));
    }
    pieces.clear();
    if (all.empty())
        return all;
    charge_clipper_input(budget, all, nullptr);
    Clipper2Lib::Paths64 joined = clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, all);
    charge_clipper_output(budget, joined);
    return joined;
}

}  // namespace

// True when some point of the ring lies on the border of `rect` (or outside it): only such rings
// can meet rings of the tiles beside it.
static bool reaches_border(const Clipper2Lib::Path64& ring, const IntBox& rect) noexcept {
    return std::any_of(ring.begin(), ring.end(), [&](const Clipper2Lib::Point64& point) {
        return point.x <= rect.xmin || point.x >= rect.xmax || point.y <= rect.ymin || point.y >= rect.ymax;
    });
}

Clipper2Lib::Paths64 join_tile_coverages(std::vector<Clipper2Lib::Paths64>& pieces, const std::vector<IntBox>& rects,
                                         ComplexityBudget& budget) {
    if (pieces.size() == 1)
        return std::move(pieces.front());
    Clipper2Lib::Paths64 border;
    Clipper2Lib::Paths64 inside;
    for (std::size_t t = 0; t < pieces.size(); ++t) {
        for (Clipper2Lib::Path64& ring : pieces[t])
            (reaches_border(ring, rects[t]) ? border : inside).push_back(std::move(ring));
    }
    pieces.clear();
    Clipper2Lib::Paths64 joined;
    if (!border.empty()) {
        charge_clipper_input(budget, border, nullptr);
        joined = clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, border);
        charge_clipper_output(budget, joined);
    }
    joined.reserve(checked_size_sum(joined.size(), inside.size()));
    for (Clipper2Lib::Path64& ring : inside)
        joined.push_back(std::move(ring));
    return joined;
}

namespace {

// Cuts the tile depth first and composites every leaf in order.
void composite_tile_tree(CompositeTile tile, const std::vector<const Clipper2Lib::Paths64*>& region_paths,
                         std::uint64_t tile_points, TileOutput& output) {
    std::vector<Clipper2Lib::Paths64> coverage_pieces;
    std::vector<IntBox> leaf_rects;
    const bool cut = cut_tiles_depth_first(
        std::move(tile), drop_hidden_items,
        [&](CompositeTile& current, CompositeTile& low, CompositeTile& high) {
            return worth_cutting(current, tile_points) && split_tile(current, region_paths, low, high);
        },
        [&](CompositeTile& current) {
            leaf_rects.push_back(current.rect);
            composite_leaf(current, output, coverage_pieces);
        });
    output.cut = output.cut || cut;
    output.coverage = join_tile_coverages(coverage_pieces, leaf_rects, output.budget);
}

// Cuts breadth first until there are kParallelTiles tiles or none is worth cutting.
std::vector<CompositeTile> cut_page(CompositeTile page, const std::vector<const Clipper2Lib::Paths64*>& region_paths,
                                    std::uint64_t tile_points) {
    return cut_tiles_breadth_first(std::move(page), kParallelTiles, drop_hidden_items,
                                   [&](CompositeTile& tile, CompositeTile& low, CompositeTile& high) {
                                       return worth_cutting(tile, tile_points) &&
                                              split_tile(tile, region_paths, low, high);
                                   });
}

}  // namespace

OpaqueCompositeOutput opaque_composite(const std::vector<ReplayRegion>& regions, const ReplayParams& params,
                                       std::uint64_t tile_points) {
    if (params.budget == nullptr)
        throw std::logic_error("missing_opaque_compositor_state");
    ComplexityBudget& budget = *params.budget;

    // A later region with the very same outline hides a region whole: it never enters a tile.
    CompositeTile page;
    std::vector<const Clipper2Lib::Paths64*> region_paths(regions.size());
    for (std::size_t r = 0; r < regions.size(); ++r)
        region_paths[r] = &regions[r].paths;
    {
        const auto geometry_less = [&regions](std::size_t i, std::size_t j) {
            return region_geometry_less(regions[i].paths, regions[j].paths);
        };
        std::set<std::size_t, decltype(geometry_less)> seen(geometry_less);
        std::vector<bool> shown(regions.size(), false);
        for (std::size_t r = regions.size(); r-- > 0;)
            shown[r] = seen.insert(r).second && !regions[r].paths.empty();
        for (std::size_t r = 0; r < regions.size(); ++r) {
            if (!shown[r])
                continue;
            page.items.push_back(whole_region_item(r, regions[r].paths));
            const IntBox box = box_paths_bounds(regions[r].paths);
            if (box.valid) {
                grow_int_box(page.rect, {box.xmin, box.ymin});
                grow_int_box(page.rect, {box.xmax, box.ymax});
            }
        }
    }

    std::vector<CompositeTile> tiles = cut_page(std::move(page), region_paths, tile_points);
    std::vector<IntBox> tile_rects;
    for (const CompositeTile& tile : tiles)
        tile_rects.push_back(tile.rect);
    std::vector<TileOutput> outputs(tiles.size());
    const std::uint32_t workers = replay_worker_budget(params.environment);
    run_parallel_tasks(tiles.size(), workers, [&](std::size_t t) {
        composite_tile_tree(std::move(tiles[t]), region_paths, tile_points, outputs[t]);
    });

    // Joined in tile order, so the result is the same for every worker count.
    OpaqueCompositeOutput output;
    // A cut rounds crossing points to the grid: edges may move by half a unit.
    bool cut = tiles.size() > 1;
    std::vector<std::vector<Clipper2Lib::Paths64>> pieces(regions.size());
    std::vector<bool> region_cut(regions.size(), false);
    std::vector<Clipper2Lib::Paths64> coverage_pieces;
    for (TileOutput& tile_output : outputs) {
        merge_budget(budget, tile_output.budget);
        cut = cut || tile_output.cut;
        for (TileItem& item : tile_output.visible) {
            pieces[item.region].push_back(std::move(item.paths));
            region_cut[item.region] = region_cut[item.region] || item.cut;
        }
        coverage_pieces.push_back(std::move(tile_output.coverage));
    }
    output.displacement = cut ? 1 : 0;
    outputs.clear();

    std::vector<std::size_t> cut_regions;
    for (std::size_t r = 0; r < regions.size(); ++r) {
        if (pieces[r].size() > 1 || (pieces[r].size() == 1 && region_cut[r]))
            cut_regions.push_back(r);
    }
    std::vector<ComplexityBudget> join_budgets(cut_regions.size());
    output.visible_paths.resize(regions.size());
    run_parallel_tasks(cut_regions.size(), workers, [&](std::size_t i) {
        const std::size_t r = cut_regions[i];
        output.visible_paths[r] = join_pieces(pieces[r], join_budgets[i], true);
    });
    for (const ComplexityBudget& join_budget : join_budgets)
        merge_budget(budget, join_budget);

    PathTotals totals;
    for (std::size_t r = 0; r < regions.size(); ++r) {
        if (pieces[r].size() == 1 && !region_cut[r])
            output.visible_paths[r] = std::move(pieces[r].front());
        add_path_totals(totals, output.visible_paths[r]);
    }
    if (!coverage_pieces.empty())
        output.coverage = join_tile_coverages(coverage_pieces, tile_rects, budget);
    add_path_totals(totals, output.coverage);
    return output;
}

}  // namespace pavrix_svg_core
