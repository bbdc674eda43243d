#include "python/core/define_core_module.h"

#include <cstdint>

#include "python/core/analysis_bindings.h"
#include "python/core/grid_bindings.h"
#include "python/core/recorder_bindings.h"
#include "recorder/paint_command.h"

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {
// Analysis results share the recordings' schema.
constexpr std::uint32_t kResultSchemaVersion = kPaintSchemaVersion;
}  // namespace

void define_core_module(py::module_& module) {
    define_grid_functions(module);
    module.doc() = "Native SVG paint recorder and print geometry kernel";
    module.attr("RECORDER_SCHEMA_VERSION") = py::int_(kPaintSchemaVersion);
    module.attr("RESULT_SCHEMA_VERSION") = py::int_(kResultSchemaVersion);
    define_recording_classes(module);
    define_analysis_classes(module);
    define_record_functions(module);
    define_analysis_functions(module);
}

}  // namespace pavrix_svg_core
