#pragma once

#include <pybind11/pybind11.h>

namespace pavrix_svg_core {

// Defines every attribute of the core module, in the order hosts see them.
void define_core_module(pybind11::module_& module);

}  // namespace pavrix_svg_core
