#pragma once

// The two ways both compositors cut the page into tiles: breadth first into a bounded number of
// tiles for the workers, then depth first down to the tiles composited whole.

#include <cstddef>
#include <utility>
#include <vector>

namespace pavrix_svg_core {

// `prepare(tile)` readies a tile before it is looked at (items it no longer needs leave it);
// `split(tile, low, high)` cuts it in two halves and says whether it did. Halves take their
// tile's place, so the tiles stay in page order whatever the count.
template <class Tile, class Prepare, class Split>
std::vector<Tile> cut_tiles_breadth_first(Tile page, std::size_t max_tiles, Prepare prepare, Split split) {
    std::vector<Tile> tiles;
    tiles.push_back(std::move(page));
    bool cut = true;
    while (cut && tiles.size() < max_tiles) {
        cut = false;
        std::vector<Tile> next;
        for (std::size_t i = 0; i < tiles.size(); ++i) {
            Tile& tile = tiles[i];
            prepare(tile);
            // Tiles already placed, this one's two halves and the tiles still waiting.
            const bool room = next.size() + 2 + (tiles.size() - i - 1) <= max_tiles;
            Tile low;
            Tile high;
            if (room && split(tile, low, high)) {
                next.push_back(std::move(low));
                next.push_back(std::move(high));
                cut = true;
            } else {
                next.push_back(std::move(tile));
            }
        }
        tiles = std::move(next);
    }
    return tiles;
}

// Cuts depth first (explicit stack) and hands every tile left whole to `leaf` in page order;
// true when any cut was made.
template <class Tile, class Prepare, class Split, class Leaf>
bool cut_tiles_depth_first(Tile tile, Prepare prepare, Split split, Leaf leaf) {
    bool cut = false;
    std::vector<Tile> stack;
    stack.push_back(std::move(tile));
    while (!stack.empty()) {
        Tile current = std::move(stack.back());
        stack.pop_back();
        prepare(current);
        Tile low;
        Tile high;
        if (split(current, low, high)) {
            cut = true;
            stack.push_back(std::move(high));
            stack.push_back(std::move(low));
            continue;
        }
        leaf(current);
    }
    return cut;
}

}  // namespace pavrix_svg_core
