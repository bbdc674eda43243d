#pragma once

// The analysis half of the core module: the result classes and the two analysis functions.

#include <pybind11/pybind11.h>

namespace pavrix_svg_core {

// GeometryCollection, UnprintableFragmentCollection and NativeResult, in that order.
void define_analysis_classes(pybind11::module_& module);

// analyze_svg and analyze_svg_svg, in that order.
void define_analysis_functions(pybind11::module_& module);

}  // namespace pavrix_svg_core
