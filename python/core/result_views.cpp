// Read-only NumPy arrays over a result's columns, without copying. Each array's base object is a
// capsule holding one share of the result, so arrays outlive the result and view objects safely.

#include "python/core/result_views.h"

#include <pybind11/numpy.h>

#include <array>
#include <cstddef>

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {

using OwnerShare = std::shared_ptr<NativeResult>;

void release_owner_capsule(PyObject* capsule) noexcept {
    // The capsule owns this heap share; dropping it may free the result.
    delete static_cast<OwnerShare*>(PyCapsule_GetPointer(capsule, nullptr));
}

// Given no data pointer, NumPy would allocate an empty array of its own, without the capsule as base
// and with strides of its choosing. An empty column may have no storage, so the column object itself,
// which lives in the result the capsule keeps alive, stands in; no byte is ever read through it.
template <typename T>
const void* column_data(const std::vector<T>& values) noexcept {
    static_assert(alignof(std::vector<T>) >= alignof(T));
    return values.empty() ? static_cast<const void*>(&values) : static_cast<const void*>(values.data());
}

template <typename T>
py::array readonly_view(const OwnerShare& owner, const std::vector<T>& values, std::array<py::ssize_t, 2> shape,
                        std::array<py::ssize_t, 2> strides, std::size_t dimensions) {
    py::capsule base = make_owner_capsule(owner);
    std::vector<py::ssize_t> shape_list(shape.begin(), shape.begin() + static_cast<std::ptrdiff_t>(dimensions));
    std::vector<py::ssize_t> stride_list(strides.begin(), strides.begin() + static_cast<std::ptrdiff_t>(dimensions));
    py::array array(py::dtype::of<T>(), std::move(shape_list), std::move(stride_list), column_data(values), base);
    array.attr("setflags")(py::arg("write") = false);
    return array;
}

template <typename T>
py::array flat_view(const OwnerShare& owner, const std::vector<T>& values) {
    return readonly_view(owner, values, {static_cast<py::ssize_t>(values.size()), 0},
                         {static_cast<py::ssize_t>(sizeof(T)), 0}, 1);
}

template <typename T>
py::array row_view(const OwnerShare& owner, const std::vector<T>& values, py::ssize_t columns) {
    const auto rows = static_cast<py::ssize_t>(values.size()) / columns;
    const auto item = static_cast<py::ssize_t>(sizeof(T));
    return readonly_view(owner, values, {rows, columns}, {item * columns, item}, 2);
}

}  // namespace

py::capsule make_owner_capsule(const OwnerShare& owner) {
    auto share = std::make_unique<OwnerShare>(owner);
    py::capsule capsule(static_cast<void*>(share.get()), nullptr, release_owner_capsule);
    share.release();  // the capsule's destructor deletes it from here on
    return capsule;
}

py::array make_readonly_uint64_view(const OwnerShare& owner, const std::vector<std::uint64_t>& values) {
    return flat_view(owner, values);
}

py::array make_readonly_int64_view(const OwnerShare& owner, const std::vector<std::int64_t>& values) {
    return flat_view(owner, values);
}

py::array make_readonly_int32_view(const OwnerShare& owner, const std::vector<std::int32_t>& values) {
    return flat_view(owner, values);
}

py::array make_readonly_float64_view(const OwnerShare& owner, const std::vector<double>& values) {
    return flat_view(owner, values);
}

py::array make_readonly_coordinate_view(const OwnerShare& owner, const std::vector<std::int64_t>& values) {
    return row_view(owner, values, 2);
}

py::array make_readonly_rgba_view(const OwnerShare& owner, const std::vector<std::uint8_t>& values) {
    return row_view(owner, values, 4);
}

py::array make_readonly_rgba_f64_view(const OwnerShare& owner, const std::vector<double>& values) {
    return row_view(owner, values, 4);
}

}  // namespace pavrix_svg_core
