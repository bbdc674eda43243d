#pragma once

// Mapping of path points onto the analysis grid, grid rings built from them, and ring areas.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Grid coordinates stay within this magnitude so that differences, doubled areas and Clipper2's
// own products stay exact in 64- and 128-bit arithmetic with room to spare.
inline constexpr double kMaxGridMagnitude = 1e15;

// Maps through the matrix, then ((x' - origin) x scale) / quantum, rounded to nearest with halves
// away from zero. std::range_error "numeric_range_error" when a value is not finite or beyond
// kMaxGridMagnitude.
Clipper2Lib::Point64 quantize_to_grid(const PaintPoint& point, const PaintMatrix& matrix, const ReplayParams& params);

// Quantizes the points in order, dropping consecutive duplicates and a last point equal to the
// first; charges every input point as lowered. No orientation is imposed.
// std::logic_error "missing_complexity_budget" without a budget.
Clipper2Lib::Path64 quantize_ring(const ReplayParams& params, const std::vector<PaintPoint>& points,
                                  const PaintMatrix& matrix);
Clipper2Lib::Path64 quantize_ring(const ReplayParams& params, const std::vector<PaintPoint>& points,
                                  const PaintCommand& command);

// Signed area in double (counter-clockwise with y up is positive); 0 below three points. An
// estimate: decide emptiness with ring_area_is_zero.
double ring_area(const Clipper2Lib::Path64& ring) noexcept;

// Exact: true when the ring has fewer than three points or encloses no signed area.
bool ring_area_is_zero(const Clipper2Lib::Path64& ring) noexcept;

}  // namespace pavrix_svg_core
