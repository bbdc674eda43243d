#pragma once

// Baking a command's matrix into its points, as non-scaling strokes need before outlining.

#include "recorder/paint_command.h"

namespace pavrix_svg_core {

// A copy with device-space points, an identity matrix and the transform's error moved into the
// point errors. The stroke width stays as recorded.
PaintCommand bake_command_transform(const PaintCommand& command);

}  // namespace pavrix_svg_core
