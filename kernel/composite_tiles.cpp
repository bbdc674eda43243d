#include "kernel/composite_tiles.h"

#include <utility>

#include "kernel/complexity_budget.h"
#include "kernel/exact_integer.h"
#include "kernel/face_arithmetic.h"

namespace pavrix_svg_core {

namespace {

// Tiles narrower than this on both sides are not cut again: a few grid units hold no more than
// a handful of vertices, so cutting would only add crossing points (grid units are at most
// a millionth of the tolerance).
constexpr std::int64_t kMinTileSide = 16;

std::int64_t along(const Clipper2Lib::Point64& point, bool vertical) noexcept {
    return vertical ? point.x : point.y;
}

// Where segment p-q crosses the line; p and q lie strictly on opposite sides. Computed from the
// segment's lower end (by the cut coordinate), so it does not depend on the walking direction.
Clipper2Lib::Point64 crossing_point(Clipper2Lib::Point64 p, Clipper2Lib::Point64 q, bool vertical, std::int64_t at) {
    if (along(q, vertical) < along(p, vertical))
        std::swap(p, q);
    if (vertical) {
        return {at, round_rational_exact(p.y, q.y - p.y, widen_128(at - p.x), widen_128(q.x - p.x))};
    }
    return {round_rational_exact(p.x, q.x - p.x, widen_128(at - p.y), widen_128(q.y - p.y)), at};
}

void keep_ring(Clipper2Lib::Path64&& ring, Clipper2Lib::Paths64& out) {
    if (ring.size() >= 3 && sign_192(doubled_area_192(ring)) != 0)
        out.push_back(std::move(ring));
}

}  // namespace

void cut_paths_at_line(const Clipper2Lib::Paths64& paths, bool vertical, std::int64_t at, Clipper2Lib::Paths64& low,
                       Clipper2Lib::Paths64& high) {
    for (const Clipper2Lib::Path64& ring : paths) {
        if (ring.empty())
            continue;
        std::int64_t least = along(ring.front(), vertical);
        std::int64_t most = least;
        for (const Clipper2Lib::Point64& point : ring) {
            least = std::min(least, along(point, vertical));
            most = std::max(most, along(point, vertical));
        }
        if (most <= at) {
            low.push_back(ring);
            continue;
        }
        if (least >= at) {
            high.push_back(ring);
            continue;
        }
        // One pass of polygon clipping against each half-plane; where the ring leaves and
        // re-enters a half, the piece runs along the line, which adds no area.
        Clipper2Lib::Path64 below;
        Clipper2Lib::Path64 above;
        for (std::size_t i = 0; i < ring.size(); ++i) {
            const Clipper2Lib::Point64& p = ring[i];
            const Clipper2Lib::Point64& q = ring[i + 1 == ring.size() ? 0 : i + 1];
            const std::int64_t pc = along(p, vertical);
            const std::int64_t qc = along(q, vertical);
            if (pc <= at)
                below.push_back(p);
            if (pc >= at)
                above.push_back(p);
            if ((pc < at && qc > at) || (pc > at && qc < at)) {
                const Clipper2Lib::Point64 crossing = crossing_point(p, q, vertical, at);
                below.push_back(crossing);
                above.push_back(crossing);
            }
        }
        keep_ring(std::move(below), low);
        keep_ring(std::move(above), high);
    }
}

bool paths_cover_rect(const Clipper2Lib::Paths64& paths, const IntBox& rect) noexcept {
    if (!rect.valid || rect.xmax <= rect.xmin || rect.ymax <= rect.ymin)
        return false;
    const Int192 rect_area = mul_64x128_to_192(2, mul_64x64_to_128(rect.xmax - rect.xmin, rect.ymax - rect.ymin));
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

bool split_tile(CompositeTile& tile, CompositeTile& low, CompositeTile& high) {
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
        TileItem below{item.region, {}};
        TileItem above{item.region, {}};
        cut_paths_at_line(item.paths, vertical, at, below.paths, above.paths);
        if (!below.paths.empty())
            low.items.push_back(std::move(below));
        if (!above.paths.empty())
            high.items.push_back(std::move(above));
    }
    tile.items.clear();
    return true;
}

}  // namespace pavrix_svg_core
