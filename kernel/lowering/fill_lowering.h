#pragma once

// Lowering of one fill or clip command onto the analysis grid: flattening, quantization,
// classification of subpaths that cannot carry area, precision records and the fill-rule union.

#include <cstdint>
#include <vector>

#include <clipper2/clipper.h>

#include "kernel/commands/input_precision.h"
#include "kernel/commands/prepared_normalization.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// One drawn segment of a subpath, in path units; lines have zero control points.
struct FillSegment {
    PaintPoint start;
    PaintPoint control1;
    PaintPoint control2;
    PaintPoint end;
    bool is_cubic = false;
};

// The command's coverage on the grid after the union under its fill rule (the clip rule for clip
// commands), with its error figures and pending fragments.
// std::logic_error "missing_complexity_budget" without a budget; ComplexityLimitError on budget
// overflow; std::range_error "numeric_range_error" for grid values out of range;
// std::out_of_range when a verb's points are missing.
PreparedNormalization prepare_fill(const PaintCommand& command, const ReplayParams& params);

// The rings of all subpaths before the union; appends fragments for subpaths that cannot print.
// With a viewport in `params`, rings are clipped to it (grown by a few grid units) before they
// are quantized, so off-page paint neither overflows the grid nor widens the print; a command
// that lies wholly outside gets {clipped_out, -1}, as if a clip had removed it.
Clipper2Lib::Paths64 normalize_fill_path(const PaintCommand& command, const ReplayParams& params,
                                         std::vector<FragmentEntry>& fragments);

// Lowers one subpath (its flattened points in path units with their errors, and its segments
// for a re-flatten) into `rings` or into a fragment, then clears the three lists.
// `viewport_dropped` counts subpaths that lay wholly outside the viewport clip.
void normalize_subpath(std::vector<PaintPoint>& points, std::vector<double>& errors, std::vector<FillSegment>& segments,
                       const PaintCommand& command, bool area_potential, std::int32_t subpath_index,
                       const ReplayParams& params, const ErrorPair& envelope, Clipper2Lib::Paths64& rings,
                       std::vector<FragmentEntry>& fragments, std::uint64_t& viewport_dropped);

}  // namespace pavrix_svg_core
