#pragma once

// Original-grid routing: rings whose contacts had to be rounded onto the grid are rerouted
// through the hot pixels of their group until they meet only at shared grid vertices.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/topology/box_tree.h"
#include "kernel/exact/exact_integer.h"
#include "kernel/topology/segment_arrangement.h"

namespace pavrix_svg_core {

// Coordinates must stay strictly inside this bound so that every coordinate difference, and
// twice it, fits in int64 for the exact predicates; the grid functions stay far below (2^52).
inline constexpr std::int64_t kMaxRoutingCoordinate = std::int64_t{1} << 61;

// A range of the edge parameter t: [lower_numerator / lower_denominator,
// upper_numerator / upper_denominator], each end possibly excluded. Denominators are positive.
// With coordinates inside kMaxRoutingCoordinate every numerator (twice a coordinate difference,
// plus or minus one) and denominator fits in int64, so comparisons need 128-bit products only.
struct ParameterInterval {
    std::int64_t lower_numerator = 0;
    std::int64_t lower_denominator = 1;
    bool lower_included = true;
    std::int64_t upper_numerator = 1;
    std::int64_t upper_denominator = 1;
    bool upper_included = true;
};

// Narrows `interval` to the t where a + b t lies in the hot-pixel cell of centre c; true when
// what remains is non-empty. With b = 0 only a = c is tested.
bool segment_crosses_cell(ParameterInterval& interval, std::int64_t a, std::int64_t b, std::int64_t c);

// Narrows `interval` to the t where a + b t lies within the cells of centres low to high
// (inclusive at both outer edges); true when what remains is non-empty. Conservative: used to
// prune box-tree nodes before the exact cell test.
bool segment_meets_cells(ParameterInterval& interval, std::int64_t a, std::int64_t b, std::int64_t low,
                         std::int64_t high);

struct CellHit {
    Clipper2Lib::Point64 point;
    Int128 key{};  // (v - E) . (C - E)
};

// Hot pixels (from `tree` over degenerate boxes of `hot_pixels`) that the edge E -> C passes.
std::vector<CellHit> query_cell_hits(const BoxTree& tree, const Clipper2Lib::Path64& hot_pixels,
                                     const Clipper2Lib::Point64& edge_start, const Clipper2Lib::Point64& edge_end);

// Rebuilds output[t] for every ring t of a dirty group with contact, from input[t] through the
// hot pixels of its group's rings in `extracted`; clears those groups' dirty bits. `rebuilt`, when
// given, receives one flag per ring: whether it was rebuilt. Groups are rebuilt on up to `workers`
// threads.
void snap_route_pass(const Clipper2Lib::Paths64& input, const Clipper2Lib::Paths64& extracted, RoutingGroups& groups,
                     Clipper2Lib::Paths64& output, std::vector<bool>* rebuilt = nullptr, std::uint32_t workers = 1);

// One routed ring per input ring, in input order. `simple` tells whether the rings may be nested
// as they are (no repeated or shared split vertex, no two rings sharing two vertices, none
// degenerate); `moved` whether any vertex was snapped. Throws range_error when a coordinate is
// not strictly inside kMaxRoutingCoordinate, logic_error "Original-grid routing left an unshared
// contact" when routing cannot remove a contact. Large ring sets are searched for contacts on up
// to `workers` threads, with the same result for every worker count.
Clipper2Lib::Paths64 route_original_grid(const Clipper2Lib::Paths64& rings, bool* simple = nullptr,
                                         bool* moved = nullptr, std::uint32_t workers = 1);

}  // namespace pavrix_svg_core
