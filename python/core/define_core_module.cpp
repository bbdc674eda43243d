#include "python/core/define_core_module.h"

#include "python/core/recorder_bindings.h"

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {
constexpr int schema_version = 4;
}

void define_core_module(py::module_& module) {
    module.doc() = "Native SVG paint recorder and print geometry kernel";
    module.attr("RECORDER_SCHEMA_VERSION") = py::int_(schema_version);
    module.attr("RESULT_SCHEMA_VERSION") = py::int_(schema_version);
    define_recording_classes(module);
    define_record_functions(module);
}

}  // namespace pavrix_svg_core
