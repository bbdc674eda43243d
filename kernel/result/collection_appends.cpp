#include "kernel/result/collection_appends.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "kernel/commands/prepared_normalization.h"

namespace pavrix_svg_core {
namespace {

constexpr std::uint64_t kMaxU64 = std::numeric_limits<std::uint64_t>::max();

// Whether `column` can take `more` entries without passing its largest representable size.
template <typename T>
bool column_has_room(const std::vector<T>& column, std::uint64_t more) noexcept {
    const std::uint64_t size = column.size();
    const std::uint64_t limit = column.max_size();
    return size <= limit && more <= limit - size;
}

template <typename T>
void require_column_room(const std::vector<T>& column, std::uint64_t more) {
    if (!column_has_room(column, more))
        throw ComplexityLimitError("counter_overflow");
}

bool unit_interval(double value) noexcept {
    return std::isfinite(value) && value >= 0.0 && value <= 1.0;
}

std::uint8_t colour_byte(double value) noexcept {
    return static_cast<std::uint8_t>(std::lround(std::min(std::max(value, 0.0), 1.0) * 255.0));
}

}  // namespace

void append_collection_ring(GeometryCollection& collection, const Clipper2Lib::Path64& ring, std::int64_t hole_parent,
                            ComplexityBudget& budget) {
    const std::uint64_t n = ring.size();
    if (n < 3)
        return;
    if (n == kMaxU64)
        throw ComplexityLimitError("size_sum_overflow");
    const std::uint64_t rows = n + 1;  // the ring plus its closing point
    const std::uint64_t stored = collection.coordinates.size() / 2;
    if (rows > kMaxU64 - stored)
        throw std::length_error("result_size_overflow");
    charge_budget(budget, BudgetCounter::exported_coordinates, rows);
    const std::uint64_t values = checked_size_product(rows, 2);
    require_column_room(collection.coordinates, values);
    require_column_room(collection.ring_offsets, 1);
    require_column_room(collection.hole_parent, 1);

    for (const auto& point : ring) {
        collection.coordinates.push_back(point.x);
        collection.coordinates.push_back(point.y);
    }
    collection.coordinates.push_back(ring.front().x);
    collection.coordinates.push_back(ring.front().y);
    collection.ring_offsets.push_back(stored + rows);
    collection.hole_parent.push_back(hole_parent);
}

void append_unprintable_fragment(UnprintableFragmentCollection& fragments, std::uint32_t reason_id,
                                 const std::array<double, 4>& color, std::uint32_t draw_index,
                                 std::int32_t source_index, std::uint32_t source_kind, std::int32_t subpath_index) {
    require_column_room(fragments.reason_ids, 1);
    require_column_room(fragments.rgba, 4);
    require_column_room(fragments.rgba_f64, 4);
    require_column_room(fragments.draw_indices, 1);
    require_column_room(fragments.source_indices, 1);
    require_column_room(fragments.source_kinds, 1);
    require_column_room(fragments.subpath_indices, 1);
    // Checked before anything grows, so a bad colour leaves the columns in step.
    for (const double channel : color) {
        if (!unit_interval(channel))
            throw std::runtime_error("invalid_fragment_rgba");
    }
    fragments.reason_ids.push_back(static_cast<std::int32_t>(reason_id));
    for (const double channel : color)
        fragments.rgba.push_back(colour_byte(channel));
    fragments.rgba_f64.insert(fragments.rgba_f64.end(), color.begin(), color.end());
    fragments.draw_indices.push_back(static_cast<std::int32_t>(draw_index));
    fragments.source_indices.push_back(source_index);
    fragments.source_kinds.push_back(static_cast<std::int32_t>(source_kind));
    fragments.subpath_indices.push_back(subpath_index);
}

void append_region_fragment(UnprintableFragmentCollection& fragments, const ReplayRegion& region) {
    append_unprintable_fragment(fragments, static_cast<std::uint32_t>(UnprintableReason::area_collapse), region.color,
                                region.draw_index, region.source_index, region.source_kind, -1);
}

}  // namespace pavrix_svg_core
