#pragma once

// Conversion of one Python ring object into a C-ordered float64 (N, 2) NumPy array that tells a
// failed conversion apart from errors that must reach the caller unchanged.

#include <pybind11/numpy.h>

#include <cstddef>

namespace pavrix_python {

// True when the pending Python error is what NumPy raises for an object it cannot turn into
// numbers (wrong types, ragged nesting, unparsable strings, out-of-range integers).
inline bool conversion_error_pending() noexcept {
    return PyErr_ExceptionMatches(PyExc_TypeError) || PyErr_ExceptionMatches(PyExc_ValueError) ||
           PyErr_ExceptionMatches(PyExc_OverflowError);
}

// Converts with forced casting (so integer arrays and nested lists pass) into a C-ordered,
// aligned float64 array of shape (N, 2). Returns a null object, with no Python error pending, when
// the object does not convert or has another shape. Any other Python error (MemoryError,
// KeyboardInterrupt, ...) is thrown unchanged. NumPy's array interface is loaded here, on first
// use, never at import.
inline pybind11::object read_float64_rows(pybind11::handle object) {
    namespace py = pybind11;
    using api_t = py::detail::npy_api;
    api_t& api = api_t::get();
    PyObject* descr = api.PyArray_DescrFromType_(api_t::NPY_DOUBLE_);
    if (descr == nullptr) {
        throw py::error_already_set();
    }
    // PyArray_FromAny steals the descriptor reference.
    PyObject* converted = api.PyArray_FromAny_(object.ptr(), descr, 0, 0,
                                               api_t::NPY_ARRAY_C_CONTIGUOUS_ | api_t::NPY_ARRAY_ALIGNED_ |
                                                   api_t::NPY_ARRAY_FORCECAST_ | api_t::NPY_ARRAY_ENSUREARRAY_,
                                               nullptr);
    if (converted == nullptr) {
        if (!conversion_error_pending()) {
            throw py::error_already_set();
        }
        PyErr_Clear();
        return py::object();
    }
    auto array = py::reinterpret_steal<py::array>(converted);
    if (array.ndim() != 2 || array.shape(1) != 2) {
        return py::object();
    }
    return array;
}

// Row count and row-major data of an array returned by read_float64_rows.
inline std::size_t float64_row_count(const pybind11::object& rows) {
    return static_cast<std::size_t>(pybind11::reinterpret_borrow<pybind11::array>(rows).shape(0));
}

inline const double* float64_row_data(const pybind11::object& rows) {
    return static_cast<const double*>(pybind11::reinterpret_borrow<pybind11::array>(rows).data());
}

}  // namespace pavrix_python
