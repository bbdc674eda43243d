#include "kernel/composite/composite_tiles.h"

#include <algorithm>
#include <utility>

#include "kernel/common/complexity_budget.h"
#include "kernel/exact/exact_integer.h"
#include "kernel/exact/face_arithmetic.h"

namespace pavrix_svg_core {

namespace {

// Tiles narrower than this on both sides are not cut again: a few grid units hold no more than
// a handful of vertices, so cutting would only add crossing points (grid units are at most
// a millionth of the tolerance).
constexpr std::int64_t kMinTileSide = 16;

// A cut that leaves the halves with more than this many times the tile's points is undone: the
// tile's items are then few-point rings (thin outlines, small shapes) that cuts only multiply.
constexpr std::uint64_t kMaxCutGrowthNumerator = 3;
constexpr std::uint64_t kMaxCutGrowthDenominator = 2;

std::int64_t along(const Clipper2Lib::Point64& point, bool vertical) noexcept {
    return vertical ? point.x : point.y;
}

// Where the line through a and b crosses the cut, rounded once; computed from the end lower
// along the cut axis, so it does not depend on the walking direction.
Clipper2Lib::Point64 line_crossing(Clipper2Lib::Point64 a, Clipper2Lib::Point64 b, bool vertical, std::int64_t at) {
    if (along(b, vertical) < along(a, vertical) ||
        (along(b, vertical) == along(a, vertical) && (vertical ? b.y < a.y : b.x < a.x)))
        std::swap(a, b);
    if (vertical)
        return {at, round_rational_exact(a.y, b.y - a.y, widen_128(at - a.x), widen_128(b.x - a.x))};
    return {round_rational_exact(a.x, b.x - a.x, widen_128(at - a.y), widen_128(b.y - a.y)), at};
}

// Where the piece edge p-q, lying on region edge `source`, crosses the cut; p and q lie strictly
// on opposite sides. The point stays within the box of p and q.
Clipper2Lib::Point64 crossing_point(const Clipper2Lib::Point64& p, const Clipper2Lib::Point64& q, std::uint64_t source,
                                    const Clipper2Lib::Paths64& region_paths, bool vertical, std::int64_t at) {
    Clipper2Lib::Point64 a = p;
    Clipper2Lib::Point64 b = q;
    if (source != kCutEdge) {
        const Clipper2Lib::Path64& ring = region_paths.at(source >> 32);
        const std::size_t k = static_cast<std::size_t>(source & 0xffffffffu);
        a = ring.at(k);
        b = ring.at(k + 1 == ring.size() ? 0 : k + 1);
        if (along(a, vertical) == along(b, vertical)) {
            a = p;
            b = q;
        }
    }
    Clipper2Lib::Point64 crossing = line_crossing(a, b, vertical, at);
    std::int64_t& across = vertical ? crossing.y : crossing.x;
    const std::int64_t p_across = vertical ? p.y : p.x;
    const std::int64_t q_across = vertical ? q.y : q.x;
    across = std::clamp(across, std::min(p_across, q_across), std::max(p_across, q_across));
    return crossing;
}

void keep_ring(Clipper2Lib::Path64&& ring, std::vector<std::uint64_t>&& sources, TileItem& out) {
    if (ring.size() >= 3 && sign_192(doubled_area_192(ring)) != 0) {
        out.paths.push_back(std::move(ring));
        out.edge_sources.push_back(std::move(sources));
    }
}

}  // namespace

TileItem whole_region_item(std::size_t region, const Clipper2Lib::Paths64& paths) {
    TileItem item{region, paths, {}, false};
    item.edge_sources.resize(paths.size());
    for (std::size_t p = 0; p < paths.size(); ++p) {
        std::vector<std::uint64_t>& sources = item.edge_sources[p];
        sources.resize(paths[p].size());
        for (std::size_t k = 0; k < sources.size(); ++k)
            sources[k] = (static_cast<std::uint64_t>(p) << 32) | k;
    }
    return item;
}

void cut_item_at_line(const TileItem& item, const Clipper2Lib::Paths64& region_paths, bool vertical, std::int64_t at,
                      TileItem& low, TileItem& high) {
    for (std::size_t r = 0; r < item.paths.size(); ++r) {
        const Clipper2Lib::Path64& ring = item.paths[r];
        const std::vector<std::uint64_t>& sources = item.edge_sources[r];
        if (ring.empty())
            continue;
        std::int64_t least = along(ring.front(), vertical);
        std::int64_t most = least;
        for (const Clipper2Lib::Point64& point : ring) {
            least = std::min(least, along(point, vertical));
            most = std::max(most, along(point, vertical));
        }
        if (most <= at || least >= at) {
            TileItem& side = most <= at ? low : high;
            side.paths.push_back(ring);
            side.edge_sources.push_back(sources);
            continue;
        }
        // One pass of polygon clipping against each half-plane; where the ring leaves and
        // re-enters a half, the piece runs along the cut, which adds no area.
        Clipper2Lib::Path64 below;
        Clipper2Lib::Path64 above;
        std::vector<std::uint64_t> below_sources;
        std::vector<std::uint64_t> above_sources;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const Clipper2Lib::Point64& p = ring[i];
            const Clipper2Lib::Point64& q = ring[i + 1 == ring.size() ? 0 : i + 1];
            const std::int64_t pc = along(p, vertical);
            const std::int64_t qc = along(q, vertical);
            const bool crosses = (pc < at && qc > at) || (pc > at && qc < at);
            // An emitted point's edge follows the region edge while it heads into its half (or to
            // the crossing), and runs along the cut once it leaves.
            if (pc <= at) {
                below.push_back(p);
                below_sources.push_back(qc <= at || crosses ? sources[i] : kCutEdge);
            }
            if (pc >= at) {
                above.push_back(p);
                above_sources.push_back(qc >= at || crosses ? sources[i] : kCutEdge);
            }
            if (crosses) {
                const Clipper2Lib::Point64 crossing = crossing_point(p, q, sources[i], region_paths, vertical, at);
                below.push_back(crossing);
                below_sources.push_back(qc < at ? sources[i] : kCutEdge);
                above.push_back(crossing);
                above_sources.push_back(qc > at ? sources[i] : kCutEdge);
            }
        }
        low.cut = true;
        high.cut = true;
        keep_ring(std::move(below), std::move(below_sources), low);
        keep_ring(std::move(above), std::move(above_sources), high);
    }
}

bool paths_cover_rect(const Clipper2Lib::Paths64& paths, const IntBox& rect) noexcept {
    if (!rect.valid || rect.xmax <= rect.xmin || rect.ymax <= rect.ymin)
        return false;
    const Int192 rect_area = mul_64x128_to_192(2, mul_64x64_to_128(rect.xmax - rect.xmin, rect.ymax - rect.ymin));
    // Rings that cover the tile and never overlap have no point inside it: nearly every item
    // that does not cover it is told apart by its first point.
    for (const Clipper2Lib::Path64& ring : paths) {
        for (const Clipper2Lib::Point64& point : ring) {
            if (point.x != rect.xmin && point.x != rect.xmax && point.y != rect.ymin && point.y != rect.ymax)
                return false;
        }
    }
    bool found = false;
    for (const Clipper2Lib::Path64& ring : paths) {
        const Int192 area = doubled_area_192(ring);
        if (sign_192(area) == 0)
            continue;
        if (found || compare_192(area, rect_area) != 0)
            return false;
        found = true;
    }
    return found;
}

void drop_hidden_items(CompositeTile& tile) {
    for (std::size_t k = tile.items.size(); k-- > 1;) {
        if (paths_cover_rect(tile.items[k].paths, tile.rect)) {
            tile.items.erase(tile.items.begin(), tile.items.begin() + static_cast<std::ptrdiff_t>(k));
            return;
        }
    }
}

std::uint64_t tile_point_count(const CompositeTile& tile) {
    std::uint64_t points = 0;
    for (const TileItem& item : tile.items)
        points = checked_size_sum(points, total_point_count(item.paths));
    return points;
}

bool split_tile(CompositeTile& tile, const std::vector<const Clipper2Lib::Paths64*>& region_paths, CompositeTile& low,
                CompositeTile& high) {
    const IntBox& rect = tile.rect;
    const std::int64_t width = rect.xmax - rect.xmin;
    const std::int64_t height = rect.ymax - rect.ymin;
    if (!rect.valid || (width < kMinTileSide && height < kMinTileSide))
        return false;
    const bool vertical = width >= height;
    const std::int64_t at = vertical ? rect.xmin + width / 2 : rect.ymin + height / 2;
    low = CompositeTile{rect, {}};
    high = CompositeTile{rect, {}};
    (vertical ? low.rect.xmax : low.rect.ymax) = at;
    (vertical ? high.rect.xmin : high.rect.ymin) = at;
    for (TileItem& item : tile.items) {
        TileItem below{item.region, {}, {}, item.cut};
        TileItem above{item.region, {}, {}, item.cut};
        cut_item_at_line(item, *region_paths.at(item.region), vertical, at, below, above);
        if (!below.paths.empty())
            low.items.push_back(std::move(below));
        if (!above.paths.empty())
            high.items.push_back(std::move(above));
    }
    const std::uint64_t before = tile_point_count(tile);
    const std::uint64_t after = checked_size_sum(tile_point_count(low), tile_point_count(high));
    if (checked_size_product(after, kMaxCutGrowthDenominator) > checked_size_product(before, kMaxCutGrowthNumerator)) {
        low = CompositeTile{};
        high = CompositeTile{};
        return false;
    }
    tile.items.clear();
    return true;
}

}  // namespace pavrix_svg_core
