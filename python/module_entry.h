#pragma once

// Multi-phase start-up shared by both extension modules: the interpreter-version check,
// a module definition whose slots are filled once, and an exec step that defines the
// module's contents only the first time the module completes in an interpreter.

#include <pybind11/pybind11.h>

#include "python/interpreter_version.h"

namespace pavrix_python {

inline constexpr const char compiled_python_version[] =
    PYBIND11_TOSTRING(PY_MAJOR_VERSION) "." PYBIND11_TOSTRING(PY_MINOR_VERSION);

using ModuleExec = int (*)(PyObject*);
using ModuleDefine = void (*)(pybind11::module_&);

// Body of a PyInit function; one definition per exec function, filled once.
template <ModuleExec Exec>
PyObject* init_module(const char* name) noexcept {
    const char* runtime_version = Py_GetVersion();
    if (!interpreter_version_matches(runtime_version, compiled_python_version)) {
        PyErr_SetString(PyExc_ImportError, version_mismatch_message(compiled_python_version, runtime_version).c_str());
        return nullptr;
    }
    try {
        pybind11::detail::ensure_internals();
        // Function-local statics: initialised once, thread-safe.
        static pybind11::detail::slots_array slots =
            pybind11::detail::init_slots(Exec, pybind11::multiple_interpreters::not_supported());
        static PyModuleDef definition{PyModuleDef_HEAD_INIT, name,    nullptr, 0,      nullptr,
                                      slots.data(),          nullptr, nullptr, nullptr};
        return PyModuleDef_Init(&definition);
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
    return nullptr;
}

inline int exec_module(PyObject* module_object, ModuleDefine define) noexcept {
    try {
        pybind11::detail::ensure_internals();
        auto module = pybind11::reinterpret_borrow<pybind11::module_>(module_object);
        // A second import in the same interpreter reuses the completed first definition.
        if (!pybind11::detail::get_cached_module(module.attr("__spec__").attr("name"))) {
            define(module);
            pybind11::detail::cache_completed_module(module);
        }
        return 0;
    }
    PYBIND11_CATCH_INIT_EXCEPTIONS
    return -1;
}

}  // namespace pavrix_python
