#pragma once

// Python bindings of the two grid utilities, project_regions_to_grid and canonicalize_grid_regions.

#include <pybind11/pybind11.h>

namespace pavrix_svg_core {

// project_regions_to_grid and canonicalize_grid_regions, in that order, with their docstrings.
void define_grid_functions(pybind11::module_& module);

}  // namespace pavrix_svg_core
