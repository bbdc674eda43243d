#include "kernel/composite/alpha_tiles.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <unordered_map>
#include <utility>

#include "kernel/composite/alpha_boolean_polygons.h"
#include "kernel/composite/alpha_composite_over.h"
#include "kernel/composite/composite_tiles.h"
#include "kernel/composite/tile_cutting.h"
#include "kernel/composite/opaque_composite.h"
#include "kernel/common/parallel_tasks.h"

namespace pavrix_svg_core {
namespace {

// Tiles handed to the workers, cut breadth first from the page whatever the worker count, so
// that the tiles and the order of their results never depend on it; enough for 16 workers to
// balance uneven tiles.
constexpr std::size_t kParallelAlphaTiles = 64;

// Leaves the tiles' sets may hold together before the colours are counted exactly. A set met in
// several tiles counts once per tile, so this guards memory at a few times the contributor cap.
constexpr std::uint64_t kAlphaTileSetEntries = 4 * kAlphaContributorCap;

using LeafSet = std::vector<std::uint32_t>;

// A tile with the leaves that cover all of it taken out of its items: they cannot add an edge
// inside it, only their colour.
struct AlphaTile {
    CompositeTile tile;
    LeafSet covers;  // ascending
};

std::uint64_t leaf_set_hash(const LeafSet& set) noexcept {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const std::uint32_t position : set) {
        hash ^= position;
        hash *= 0x100000001b3ull;
    }
    return hash;
}

// Sets by hash, each hash listing the positions of its sets in `faces`.
class LeafSetIndex {
public:
    // The position of `set` in `faces`, appending it (without pieces) when new.
    std::size_t find_or_add(LeafSet&& set, std::uint64_t hash, std::vector<PaintSetFaces>& faces, bool& added) {
        const auto [first, last] = index_.equal_range(hash);
        for (auto it = first; it != last; ++it) {
            if (faces[it->second].positions == set) {
                added = false;
                return it->second;
            }
        }
        added = true;
        index_.emplace(hash, faces.size());
        faces.push_back({std::move(set), hash, {}});
        return faces.size() - 1;
    }

private:
    std::unordered_multimap<std::uint64_t, std::size_t> index_;
};

// What one worker's tile (and the tiles cut from it) gives: the leaf sets in the order first met,
// each with its pieces (colours come once all tiles are joined), the tile's coverage and the work
// charged.
struct AlphaTaskOutput {
    std::vector<PaintSetFaces> faces;
    LeafSetIndex set_index;
    Clipper2Lib::Paths64 coverage;
    ComplexityBudget budget;
    bool cut = false;
};

void include_box(IntBox& into, const IntBox& add) noexcept {
    if (add.valid) {
        grow_int_box(into, {add.xmin, add.ymin});
        grow_int_box(into, {add.xmax, add.ymax});
    }
}

void lift_covers(AlphaTile& tile) {
    LeafSet lifted;
    std::vector<TileItem> partial;
    for (TileItem& item : tile.tile.items) {
        if (paths_cover_rect(item.paths, tile.tile.rect))
            lifted.push_back(static_cast<std::uint32_t>(item.region));
        else
            partial.push_back(std::move(item));
    }
    tile.tile.items = std::move(partial);
    if (lifted.empty())
        return;
    LeafSet covers;
    covers.reserve(tile.covers.size() + lifted.size());
    std::merge(tile.covers.begin(), tile.covers.end(), lifted.begin(), lifted.end(), std::back_inserter(covers));
    tile.covers = std::move(covers);
}

bool worth_cutting(const AlphaTile& tile, std::uint64_t tile_points) {
    return tile.tile.items.size() > 1 && tile_point_count(tile.tile) > tile_points;
}

bool split_alpha_tile(AlphaTile& tile, const std::vector<const Clipper2Lib::Paths64*>& leaf_paths, AlphaTile& low,
                      AlphaTile& high) {
    if (!split_tile(tile.tile, leaf_paths, low.tile, high.tile))
        return false;
    low.covers = tile.covers;
    high.covers = std::move(tile.covers);
    return true;
}

Clipper2Lib::Paths64 rect_paths(const IntBox& rect) {
    return {{{rect.xmin, rect.ymin}, {rect.xmax, rect.ymin}, {rect.xmax, rect.ymax}, {rect.xmin, rect.ymax}}};
}

Clipper2Lib::Paths64 nonzero_union(const Clipper2Lib::Paths64& paths, ComplexityBudget& budget) {
    charge_clipper_input(budget, paths, nullptr);
    Clipper2Lib::Paths64 joined = clipper_boolean(Clipper2Lib::ClipType::Union, Clipper2Lib::FillRule::NonZero, paths);
    charge_clipper_output(budget, joined);
    return joined;
}

// The pieces of `paths`, labelled with `label` (none for the tile's own rectangle). A label
// component has alpha 0, so compositing over it keeps every label and joins them below first.
void append_labelled(AlphaComponentList& lists, Clipper2Lib::Paths64 paths, const std::uint32_t* label,
                     ComplexityBudget& budget) {
    AlphaComponent labelled;
    if (label != nullptr)
        labelled.contributors.push_back({*label, -1, 0, 1.0});
    tile_component(labelled, std::move(paths), 0, lists, budget);
}

// The leaves of a piece: the tile's covers and the piece's labels, ascending.
LeafSet piece_leaves(const LeafSet& covers, const AlphaComponent& piece) {
    LeafSet labels;
    labels.reserve(piece.contributors.size());
    for (const Contributor& contributor : piece.contributors)
        labels.push_back(contributor.draw_index);
    std::sort(labels.begin(), labels.end());
    LeafSet leaves;
    leaves.reserve(covers.size() + labels.size());
    std::merge(covers.begin(), covers.end(), labels.begin(), labels.end(), std::back_inserter(leaves));
    return leaves;
}

Clipper2Lib::Paths64 all_item_paths(const std::vector<TileItem>& items) {
    Clipper2Lib::Paths64 all;
    for (const TileItem& item : items)
        all.insert(all.end(), item.paths.begin(), item.paths.end());
    return all;
}

class AlphaLeafCompositor {
public:
    explicit AlphaLeafCompositor(std::atomic<std::uint64_t>& set_entries) : set_entries_(set_entries) {}

    void composite(AlphaTile& tile, AlphaTaskOutput& output, std::vector<Clipper2Lib::Paths64>& coverage_pieces) {
        // A cut ring may run along the cut, and a hole around the tile leaves two rings that cancel:
        // such items pass through a union before they are labelled.
        for (TileItem& item : tile.tile.items) {
            if (item.cut && item.paths.size() > 1)
                item.paths = nonzero_union(item.paths, output.budget);
        }
        std::erase_if(tile.tile.items, [](const TileItem& item) { return item.paths.empty(); });
        lift_covers(tile);
        const std::vector<TileItem>& items = tile.tile.items;
        if (items.empty() && tile.covers.empty())
            return;
        if (!tile.covers.empty())
            coverage_pieces.push_back(rect_paths(tile.tile.rect));
        else if (items.size() == 1)
            coverage_pieces.push_back(items.front().paths);
        else
            coverage_pieces.push_back(nonzero_union(all_item_paths(items), output.budget));

        // Neighbouring lists are composited pairwise, level by level: balanced, without recursion.
        std::vector<AlphaComponentList> lists;
        for (const TileItem& item : items) {
            const std::uint32_t label = static_cast<std::uint32_t>(item.region);
            lists.emplace_back();
            append_labelled(lists.back(), item.paths, &label, output.budget);
        }
        while (lists.size() > 1) {
            std::vector<AlphaComponentList> next;
            next.reserve((lists.size() + 1) / 2);
            for (std::size_t i = 0; i + 1 < lists.size(); i += 2)
                next.push_back(composite_over(std::move(lists[i]), std::move(lists[i + 1]), output.budget));
            if (lists.size() % 2 == 1)
                next.push_back(std::move(lists.back()));
            lists = std::move(next);
        }
        if (!lists.empty()) {
            for (AlphaComponent& piece : lists.front())
                add_piece(piece_leaves(tile.covers, piece), piece, output);
        }
        // Where no partial item reaches, only the covers paint.
        if (!tile.covers.empty()) {
            const Clipper2Lib::Paths64 rect = rect_paths(tile.tile.rect);
            AlphaComponentList rest;
            if (items.empty()) {
                append_labelled(rest, rect, nullptr, output.budget);
            } else {
                for (Clipper2Lib::Paths64& polygon :
                     boolean_to_polygons(Clipper2Lib::ClipType::Difference, rect, all_item_paths(items), output.budget))
                    append_labelled(rest, std::move(polygon), nullptr, output.budget);
            }
            for (AlphaComponent& piece : rest)
                add_piece(tile.covers, piece, output);
        }
    }

private:
    void add_piece(LeafSet leaves, AlphaComponent& piece, AlphaTaskOutput& output) {
        if (leaves.empty() || piece.paths.empty())
            return;
        const std::uint64_t entries = leaves.size();
        const std::uint64_t hash = leaf_set_hash(leaves);
        bool added = false;
        const std::size_t at = output.set_index.find_or_add(std::move(leaves), hash, output.faces, added);
        if (added && set_entries_.fetch_add(entries) + entries > kAlphaTileSetEntries)
            throw ComplexityLimitError("alpha_contributor_limit");
        AlphaComponent& target = output.faces[at].component;
        append_compositor_paths(target.paths, piece.paths);
        include_box(target.box, piece.box);
    }

private:
    std::atomic<std::uint64_t>& set_entries_;
};

// Cuts the tile depth first and composites every leaf tile in order.
void composite_alpha_tile_tree(AlphaTile tile, const std::vector<const Clipper2Lib::Paths64*>& leaf_paths,
                               std::uint64_t tile_points, AlphaLeafCompositor& compositor, AlphaTaskOutput& output) {
    std::vector<Clipper2Lib::Paths64> coverage_pieces;
    std::vector<IntBox> leaf_rects;
    const bool cut = cut_tiles_depth_first(
        std::move(tile), lift_covers,
        [&](AlphaTile& current, AlphaTile& low, AlphaTile& high) {
            return worth_cutting(current, tile_points) && split_alpha_tile(current, leaf_paths, low, high);
        },
        [&](AlphaTile& current) {
            const std::size_t before = coverage_pieces.size();
            compositor.composite(current, output, coverage_pieces);
            if (coverage_pieces.size() > before)
                leaf_rects.push_back(current.tile.rect);
        });
    output.cut = output.cut || cut;
    if (!coverage_pieces.empty())
        output.coverage = join_tile_coverages(coverage_pieces, leaf_rects, output.budget);
}

// Cuts breadth first until there are kParallelAlphaTiles tiles or none is worth cutting.
std::vector<AlphaTile> cut_alpha_page(AlphaTile page, const std::vector<const Clipper2Lib::Paths64*>& leaf_paths,
                                      std::uint64_t tile_points) {
    return cut_tiles_breadth_first(
        std::move(page), kParallelAlphaTiles, lift_covers, [&](AlphaTile& tile, AlphaTile& low, AlphaTile& high) {
            return worth_cutting(tile, tile_points) && split_alpha_tile(tile, leaf_paths, low, high);
        });
}

}  // namespace

AlphaTileOutput alpha_tile_faces(const PaintSetColours& colours, const std::vector<Clipper2Lib::Paths64>& leaf_paths,
                                 std::uint32_t workers, ComplexityBudget& budget, std::uint64_t tile_points) {
    AlphaTile page;
    std::vector<const Clipper2Lib::Paths64*> leaf_geometry(leaf_paths.size());
    for (std::size_t p = 0; p < leaf_paths.size(); ++p) {
        leaf_geometry[p] = &leaf_paths[p];
        if (leaf_paths[p].empty())
            continue;
        page.tile.items.push_back(whole_region_item(p, leaf_paths[p]));
        include_box(page.tile.rect, box_paths_bounds(leaf_paths[p]));
    }
    AlphaTileOutput output;
    if (page.tile.items.empty())
        return output;

    std::vector<AlphaTile> tiles = cut_alpha_page(std::move(page), leaf_geometry, tile_points);
    std::vector<IntBox> tile_rects;
    for (const AlphaTile& tile : tiles)
        tile_rects.push_back(tile.tile.rect);
    std::vector<AlphaTaskOutput> outputs(tiles.size());
    std::atomic<std::uint64_t> set_entries{0};
    run_parallel_tasks(tiles.size(), workers, [&](std::size_t t) {
        AlphaLeafCompositor compositor(set_entries);
        composite_alpha_tile_tree(std::move(tiles[t]), leaf_geometry, tile_points, compositor, outputs[t]);
    });

    // Joined in tile order, so the result is the same for every worker count.
    bool cut = tiles.size() > 1;
    LeafSetIndex set_index;
    std::vector<Clipper2Lib::Paths64> coverage_pieces;
    for (AlphaTaskOutput& task : outputs) {
        merge_budget(budget, task.budget);
        cut = cut || task.cut;
        task.set_index = LeafSetIndex{};
        for (PaintSetFaces& faces : task.faces) {
            bool added = false;
            const std::size_t at = set_index.find_or_add(std::move(faces.positions), faces.hash, output.faces, added);
            AlphaComponent& target = output.faces[at].component;
            append_compositor_paths(target.paths, faces.component.paths);
            include_box(target.box, faces.component.box);
        }
        coverage_pieces.push_back(std::move(task.coverage));
    }
    outputs.clear();

    // Each set's colour once, on the workers; the pieces stay where they are.
    run_parallel_ranges(output.faces.size(), workers, [&](std::size_t first, std::size_t end) {
        for (std::size_t i = first; i < end; ++i) {
            AlphaComponent& component = output.faces[i].component;
            AlphaComponent coloured = colours.colour(output.faces[i].positions);
            coloured.paths = std::move(component.paths);
            coloured.box = component.box;
            component = std::move(coloured);
        }
    });
    std::uint64_t contributor_entries = 0;
    for (const PaintSetFaces& faces : output.faces)
        contributor_entries = checked_size_sum(contributor_entries, faces.component.contributors.size());
    if (contributor_entries > kAlphaContributorCap)
        throw ComplexityLimitError("alpha_contributor_limit");
    output.coverage = join_tile_coverages(coverage_pieces, tile_rects, budget);
    output.displacement = cut ? 1 : 0;
    return output;
}

}  // namespace pavrix_svg_core
