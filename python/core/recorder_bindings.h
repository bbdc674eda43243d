#pragma once

#include <pybind11/pybind11.h>

namespace pavrix_svg_core {

// PaintStrokeStyle, PaintCommand and RecorderResult, in that order.
void define_recording_classes(pybind11::module_& module);

// record_paint_commands and record_paint_commands_svg, in that order.
void define_record_functions(pybind11::module_& module);

}  // namespace pavrix_svg_core
