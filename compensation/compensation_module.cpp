// Entry point of the extension module _pavrix_svg_compensation.

#include "python/module_entry.h"

namespace {

namespace py = pybind11;

void define_compensation_module(py::module_& module) {
    module.doc() = "Optional physical-mm SVG hole compensation / 可选的物理毫米 SVG 孔洞补偿";
}

int exec_compensation_module(PyObject* module) {
    return pavrix_python::exec_module(module, &define_compensation_module);
}

}  // namespace

extern "C" PYBIND11_EXPORT PyObject* PyInit__pavrix_svg_compensation() {
    return pavrix_python::init_module<&exec_compensation_module>("_pavrix_svg_compensation");
}
