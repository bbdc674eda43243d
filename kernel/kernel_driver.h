#pragma once

// The print-geometry kernel run: bounds, scale and grid choice, replay, raw export, compositing, visible
// and silhouette export with precision re-checks and the census, each stage timed.

#include <cstdint>
#include <memory>
#include <vector>

#include "kernel/commands/boxes.h"

#include "kernel/result/native_result.h"
#include "kernel/commands/replay_params.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Takes the recording by value; may throw any kernel error or standard exception (the analysis entry
// maps them).
std::shared_ptr<NativeResult> run_print_geometry_kernel(RecorderResult recording, double target_width_mm,
                                                        double tolerance_mm, const ReplayEnvironment& environment = {});

// What the precision re-check after each geometric stage reads and writes.
struct ResultPrecisionContext {
    const std::uint64_t& route_displacement;  // grid units routing moved exported geometry (0 or more)
    NativeResult& result;
    const double& quantization_error;  // millimetres
    const double& grid_quantum;        // millimetres per grid unit
    const double& precision_maximum;   // largest overlapping input error, source units
    const double& tolerance_mm;
};

// The largest input error of the viewport and of the records whose box meets `box` (boundaries
// included); a NaN record counts as +inf.
double overlapping_precision_maximum(const PaintBox& viewport, const std::vector<PrecisionRecord>& records,
                                     const DoubleBox& box);

// Rewrites max_quantization_error_mm with the routing displacement; false when the error no longer fits
// the tolerance, after writing "unsupported" / "unsupported_input_precision".
bool check_result_precision(const ResultPrecisionContext& context);

// d as a double rounded upward (never below the integer it stands for).
double round_up_to_double(std::uint64_t d) noexcept;

}  // namespace pavrix_svg_core
