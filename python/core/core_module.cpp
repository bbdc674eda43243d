// Entry point of the extension module _pavrix_svg_core.

#include "python/core/define_core_module.h"
#include "python/module_entry.h"

namespace {

int exec_core_module(PyObject* module) {
    return pavrix_python::exec_module(module, &pavrix_svg_core::define_core_module);
}

}  // namespace

extern "C" PYBIND11_EXPORT PyObject* PyInit__pavrix_svg_core() {
    return pavrix_python::init_module<&exec_core_module>("_pavrix_svg_core");
}
