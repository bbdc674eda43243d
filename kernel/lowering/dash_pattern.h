#pragma once

// Dash patterns: their normal form and the cutting of flattened stroke pieces into dashes.

#include <cstdint>
#include <vector>

#include "kernel/common/complexity_budget.h"
#include "kernel/lowering/stroke_flattening.h"

namespace pavrix_svg_core {

// Absolute values; an odd count repeated once; empty (solid) when the sum is not > 0.
// ComplexityLimitError "size_product_overflow" when the doubled count would not fit.
std::vector<double> normalize_dash_array(const std::vector<double>& dash_array);

// An upper bound on the dash pieces a path of `total_length` cut into `piece_count` source pieces can
// yield under `pattern`; +inf when the pattern is empty or degenerate. Used to refuse hostile patterns
// before any piece is made.
double dash_piece_count_bound(const std::vector<double>& pattern, double total_length, std::uint64_t piece_count);

// Cuts `piece` into the dashes of `pattern` starting at phase `dash_offset`. A solid pattern passes the
// piece through. A closed piece whose first and last dash meet at its start yields them as one piece.
// StrokeInputPrecisionError "dash_nonpositive_step", "dash_coordinate_progress" when neither the segment
// nor the pattern advances; ComplexityLimitError when the budget runs out.
std::vector<FlatPiece> dash_piece(const FlatPiece& piece, const std::vector<double>& pattern, double dash_offset,
                                  ComplexityBudget& budget);

// The path's length for a non-empty pattern; ComplexityLimitError "counter_overflow" when the dashes
// it would take cannot even be counted.
double check_dash_length(const PaintCommand& command, const std::vector<double>& pattern);

// Refuses (ComplexityLimitError) a pattern whose dashes would not fit the budget, before any is made.
void require_dash_room(ComplexityBudget& budget, const std::vector<double>& pattern, double total_length,
                       std::uint64_t piece_count);

// The dashes of `exact` (the command's pieces) as exact pieces, cut where the curves' own lengths put
// the pattern's ends; otherwise as dash_piece, whose faults and refusals it shares.
std::vector<ExactPiece> dash_exact_pieces(const PaintCommand& command, const std::vector<ExactPiece>& exact,
                                          const std::vector<double>& pattern, ComplexityBudget& budget);

bool has_cubic(const PaintCommand& command) noexcept;

}  // namespace pavrix_svg_core
