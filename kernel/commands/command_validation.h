#pragma once

// The check that every number the kernel will use from the recorded commands is finite and in
// range, run before any geometry is built.

#include <vector>

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// Throws InputPrecisionError "nonfinite_viewport", "nonfinite_command_metadata",
// "nonfinite_path_point", "nonfinite_stroke_metadata" or "nonfinite_dash_value" for the first
// offending value.
void validate_commands(const std::vector<PaintCommand>& commands, const PaintBox& viewport);

}  // namespace pavrix_svg_core
