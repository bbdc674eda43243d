#pragma once

// Views of one analysis result's collections, and read-only NumPy arrays over their columns that keep
// the result alive through their base object.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "kernel/result/native_result.h"

namespace pavrix_svg_core {

struct GeometryCollectionView {
    std::shared_ptr<NativeResult> owner;
    const GeometryCollection* collection = nullptr;
};

struct UnprintableFragmentCollectionView {
    std::shared_ptr<NativeResult> owner;
    const UnprintableFragmentCollection* fragments = nullptr;
};

// A capsule holding one more share of the result; dropping the capsule drops the share.
pybind11::capsule make_owner_capsule(const std::shared_ptr<NativeResult>& owner);

pybind11::array make_readonly_uint64_view(const std::shared_ptr<NativeResult>& owner,
                                          const std::vector<std::uint64_t>& values);
pybind11::array make_readonly_int64_view(const std::shared_ptr<NativeResult>& owner,
                                         const std::vector<std::int64_t>& values);
pybind11::array make_readonly_int32_view(const std::shared_ptr<NativeResult>& owner,
                                         const std::vector<std::int32_t>& values);
pybind11::array make_readonly_float64_view(const std::shared_ptr<NativeResult>& owner,
                                           const std::vector<double>& values);
// Two-column (x, y) and four-column colour views.
pybind11::array make_readonly_coordinate_view(const std::shared_ptr<NativeResult>& owner,
                                              const std::vector<std::int64_t>& values);
pybind11::array make_readonly_rgba_view(const std::shared_ptr<NativeResult>& owner,
                                        const std::vector<std::uint8_t>& values);
pybind11::array make_readonly_rgba_f64_view(const std::shared_ptr<NativeResult>& owner,
                                            const std::vector<double>& values);

}  // namespace pavrix_svg_core
