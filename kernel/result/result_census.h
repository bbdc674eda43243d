#pragma once

// The structural checks a finished result must pass before it may be reported as supported.

#include <cstdint>
#include <vector>

#include "kernel/result/native_result.h"

namespace pavrix_svg_core {

// Non-empty, starts at 0, never decreases and ends at `total`.
bool offsets_are_monotone(const std::vector<std::uint64_t>& offsets, std::uint64_t total) noexcept;

// Column lengths, offsets, closed rings, hole parents, colours and contributor weights agree.
bool check_collection_invariants(const GeometryCollection& collection) noexcept;

// All three collections are sound, the fragment columns agree, and the silhouette is either
// absent (nothing painted) or exactly one black geometry of kind 2.
bool result_census(const NativeResult& result) noexcept;

}  // namespace pavrix_svg_core
