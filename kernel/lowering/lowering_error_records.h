#pragma once

// Precision records of lowered edges and the per-command bound on how far lowered geometry may
// lie from the exact outline.

#include <cstddef>
#include <vector>

#include "kernel/commands/input_precision.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Appends one record per edge of the closed ring `points` (mapped through `matrix`): its box in
// source units and envelope term + the approximation error of the edge's end point. Does nothing
// without a list or below three points. `errors` holds one entry per point, else std::logic_error
// "invalid_approximation_error_count".
void record_approximation_errors(const std::vector<PaintPoint>& points, const PaintMatrix& matrix,
                                 const ErrorPair& envelope, const std::vector<double>& errors,
                                 std::vector<PrecisionRecord>* list);

// Room for `extra` more records. The list spans a whole replay, so growth stays geometric:
// reserving exactly per ring or per command would reallocate on every call and make a replay
// quadratic in its record count.
void reserve_precision_records(std::vector<PrecisionRecord>& list, std::size_t extra);

// Half a grid diagonal in source units plus the largest input error among the records appended
// since `first_record`.
double command_lowering_error_bound(const ReplayParams& params, std::size_t first_record) noexcept;

}  // namespace pavrix_svg_core
