#pragma once

// Checked appends of rings and unprintable fragments to the result's flat columns.

#include <array>
#include <cstdint>

#include <clipper2/clipper.h>

#include "kernel/common/complexity_budget.h"
#include "kernel/result/native_result.h"
#include "kernel/commands/replay_region.h"

namespace pavrix_svg_core {

// Appends one ring stored closed (its first point repeated) with its hole parent, charging the
// stored rows to `exported_coordinates`. Rings of fewer than 3 points are dropped silently.
// Throws ComplexityLimitError ("size_sum_overflow", "counter_overflow",
// "size_product_overflow") or std::length_error "result_size_overflow" before anything grows.
void append_collection_ring(GeometryCollection& collection, const Clipper2Lib::Path64& ring, std::int64_t hole_parent,
                            ComplexityBudget& budget);

// One fragment; every colour double must be finite and within [0, 1], else std::runtime_error
// "invalid_fragment_rgba". Room is checked first ("counter_overflow").
void append_unprintable_fragment(UnprintableFragmentCollection& fragments, std::uint32_t reason_id,
                                 const std::array<double, 4>& color, std::uint32_t draw_index,
                                 std::int32_t source_index, std::uint32_t source_kind, std::int32_t subpath_index);

// The area_collapse fragment (reason 3) of a whole region that exported no polygon.
void append_region_fragment(UnprintableFragmentCollection& fragments, const ReplayRegion& region);

}  // namespace pavrix_svg_core
