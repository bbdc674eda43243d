#pragma once

// Tiles of the page for compositing: region geometry cut along grid lines into rectangles, with
// the regions that a later region hides whole inside a tile dropped from it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/boxes.h"

namespace pavrix_svg_core {

// Marks an edge that runs along an earlier cut instead of along an edge of the region.
inline constexpr std::uint64_t kCutEdge = ~std::uint64_t{0};

// The part of one region inside a tile. For every point, `edge_sources` names the region edge
// that the edge leaving the point lies on (path index << 32 | point index), so that every cut
// computes its crossing from the region's own edge: cuts never build on rounded points.
struct TileItem {
    std::size_t region = 0;
    Clipper2Lib::Paths64 paths;
    std::vector<std::vector<std::uint64_t>> edge_sources;
    // Some ring was cut: the rings may run along cuts, and a hole that surrounds the tile leaves
    // two rings that cancel out, so they must pass through a union before they are handed on.
    bool cut = false;
};

// The whole region as a tile item: every edge its own source.
TileItem whole_region_item(std::size_t region, const Clipper2Lib::Paths64& paths);

// A rectangle of the page and what is painted inside it, in paint order (region ascending).
struct CompositeTile {
    IntBox rect;
    std::vector<TileItem> items;
};

// Splits the item at the line x = at (vertical) or y = at: `low` receives what lies at or below
// the line, `high` what lies at or above it. A ring crossing the line is cut there; the crossing
// is the region edge's own crossing (from `region_paths`) rounded to the nearest grid point, so
// both sides of a cut share it exactly, their pieces meet without gap or overlap, and no edge
// moves by more than half a grid unit however often it is cut. Rings of zero area are dropped.
void cut_item_at_line(const TileItem& item, const Clipper2Lib::Paths64& region_paths, bool vertical, std::int64_t at,
                      TileItem& low, TileItem& high);

// True when the paths, lying inside `rect`, cover all of it: exactly one ring has an area and it is
// the rectangle's. Holds for path sets whose rings never overlap but for holes in their outer
// rings (as Clipper2 and cut_item_at_line return them).
bool paths_cover_rect(const Clipper2Lib::Paths64& paths, const IntBox& rect) noexcept;

// Drops every item painted below the topmost item that covers the whole tile: nothing of it shows.
void drop_hidden_items(CompositeTile& tile);

std::uint64_t tile_point_count(const CompositeTile& tile);

// Halves the tile across its longer side (`region_paths` gives each item's whole region). False
// (and the tile left whole) when it is too narrow to cut or when cutting would mostly add points;
// otherwise `tile` is consumed into `low` and `high`, which keep only non-empty items.
bool split_tile(CompositeTile& tile, const std::vector<const Clipper2Lib::Paths64*>& region_paths, CompositeTile& low,
                CompositeTile& high);

}  // namespace pavrix_svg_core
