#pragma once

// Tiles of the page for compositing: region geometry cut along grid lines into rectangles, with
// the regions that a later region hides whole inside a tile dropped from it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/boxes.h"

namespace pavrix_svg_core {

// The part of one region inside a tile.
struct TileItem {
    std::size_t region = 0;
    Clipper2Lib::Paths64 paths;
};

// A rectangle of the page and what is painted inside it, in paint order (region ascending).
struct CompositeTile {
    IntBox rect;
    std::vector<TileItem> items;
};

// Splits `paths` at the line x = at (vertical) or y = at: `low` receives what lies at or below
// the line, `high` what lies at or above it. A ring crossing the line is cut there; the crossing
// point is rounded to the nearest grid point from the segment alone, so both sides of a cut
// share it exactly and their pieces meet without gap or overlap. Rings of zero area are dropped.
// Cutting keeps the non-zero coverage of each side: a piece is the input's coverage inside its
// half-plane, up to that half-unit rounding of crossing points.
void cut_paths_at_line(const Clipper2Lib::Paths64& paths, bool vertical, std::int64_t at, Clipper2Lib::Paths64& low,
                       Clipper2Lib::Paths64& high);

// True when the paths, lying inside `rect`, cover all of it: exactly one ring has an area and it is
// the rectangle's. Holds for path sets whose rings never overlap but for holes in their outer
// rings (as Clipper2 and cut_paths_at_line return them).
bool paths_cover_rect(const Clipper2Lib::Paths64& paths, const IntBox& rect) noexcept;

// Drops every item painted below the topmost item that covers the whole tile: nothing of it shows.
void drop_hidden_items(CompositeTile& tile);

std::uint64_t tile_point_count(const CompositeTile& tile);

// Halves the tile across its longer side. False (and nothing moved) when the tile is too narrow
// to cut; otherwise `tile` is consumed into `low` and `high`, which keep only non-empty items.
bool split_tile(CompositeTile& tile, CompositeTile& low, CompositeTile& high);

}  // namespace pavrix_svg_core
