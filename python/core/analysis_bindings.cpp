// Python view of analyses: read-only result classes over the shared NativeResult, collection views
// whose arrays keep the result alive, and the two analysis functions. Conversion only; the kernel does
// the work.

#include "python/core/analysis_bindings.h"

#include <pybind11/stl/filesystem.h>

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "kernel/analysis_entry.h"
#include "kernel/result/native_result.h"
#include "kernel/commands/replay_environment.h"
#include "python/core/result_views.h"
#include "python/core/svg_text_argument.h"

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {

using ResultShare = std::shared_ptr<NativeResult>;

// Python names of the fragment reason ids; the ids are part of the result schema.
constexpr std::array<std::string_view, 7> kFragmentReasonNames{
    "empty_path", "point_only", "line_only", "area_collapse", "fill_rule_cancelled", "clipped_out", "stroke_collapse",
};

std::string_view fragment_reason_name(std::int32_t id) noexcept {
    if (id < 0 || static_cast<std::size_t>(id) >= kFragmentReasonNames.size()) {
        return "unknown";
    }
    return kFragmentReasonNames[static_cast<std::size_t>(id)];
}

py::str to_str(std::string_view text) {
    return py::str(text.data(), text.size());
}

py::tuple float_tuple(const std::array<double, 4>& values) {
    py::tuple tuple(values.size());
    for (std::size_t index = 0; index < values.size(); ++index) {
        PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(index), py::float_(values[index]).release().ptr());
    }
    return tuple;
}

// Entries after the leading 0 of an offset column (0 when it is missing).
std::uint64_t offset_count(const std::vector<std::uint64_t>& offsets) noexcept {
    return offsets.empty() ? 0 : offsets.size() - 1;
}

// Both variables once per analysis, with the interpreter lock held: Python threads change the
// environment through os.environ, which is serialised by that lock.
ReplayEnvironment read_replay_environment() {
    ReplayEnvironment environment;
    if (const char* threads = std::getenv("PAVRIX_SVG_REPLAY_THREADS")) {
        environment.replay_threads = parse_replay_decimal(threads);
    }
    if (const char* fail_after = std::getenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER")) {
        environment.fail_after = parse_replay_decimal(fail_after);
    }
    return environment;
}

std::int64_t clock_nanoseconds() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Wraps the shared result and records how long the wrapping took, inside the same record.
py::object wrap_result(ResultShare result) {
    const std::int64_t start = clock_nanoseconds();
    py::object wrapped = py::cast(result);
    const std::int64_t end = clock_nanoseconds();
    result->result_conversion_seconds = static_cast<double>(end - start) / 1e9;
    return wrapped;
}

void define_geometry_collection(py::module_& module) {
    using V = GeometryCollectionView;
    py::class_<V, std::unique_ptr<V>>(module, "GeometryCollection")
        .def_property_readonly(
            "coordinates", [](const V& v) { return make_readonly_coordinate_view(v.owner, v.collection->coordinates); })
        .def_property_readonly(
            "ring_offsets", [](const V& v) { return make_readonly_uint64_view(v.owner, v.collection->ring_offsets); })
        .def_property_readonly(
            "polygon_offsets",
            [](const V& v) { return make_readonly_uint64_view(v.owner, v.collection->polygon_offsets); })
        .def_property_readonly(
            "geometry_offsets",
            [](const V& v) { return make_readonly_uint64_view(v.owner, v.collection->geometry_offsets); })
        .def_property_readonly("hole_parent",
                               [](const V& v) { return make_readonly_int64_view(v.owner, v.collection->hole_parent); })
        .def_property_readonly("rgba", [](const V& v) { return make_readonly_rgba_view(v.owner, v.collection->rgba); })
        .def_property_readonly("rgba_f64",
                               [](const V& v) { return make_readonly_rgba_f64_view(v.owner, v.collection->rgba_f64); })
        .def_property_readonly("draw_indices",
                               [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->draw_indices); })
        .def_property_readonly(
            "source_indices",
            [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->source_indices); })
        .def_property_readonly("source_kinds",
                               [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->source_kinds); })
        .def_property_readonly(
            "contributor_offsets",
            [](const V& v) { return make_readonly_uint64_view(v.owner, v.collection->contributor_offsets); })
        .def_property_readonly(
            "contributor_draw_indices",
            [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->contributor_draw_indices); })
        .def_property_readonly(
            "contributor_source_indices",
            [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->contributor_source_indices); })
        .def_property_readonly(
            "contributor_source_kinds",
            [](const V& v) { return make_readonly_int32_view(v.owner, v.collection->contributor_source_kinds); })
        .def_property_readonly(
            "contributor_weights",
            [](const V& v) { return make_readonly_float64_view(v.owner, v.collection->contributor_weights); })
        .def_property_readonly("geometry_count",
                               [](const V& v) { return offset_count(v.collection->geometry_offsets); })
        .def_property_readonly("component_count",
                               [](const V& v) { return offset_count(v.collection->polygon_offsets); })
        .def_property_readonly("hole_count", [](const V& v) {
            std::uint64_t holes = 0;
            for (const std::int64_t parent : v.collection->hole_parent) {
                holes += parent >= 0 ? 1 : 0;
            }
            return holes;
        });
}

void define_fragment_collection(py::module_& module) {
    using V = UnprintableFragmentCollectionView;
    py::class_<V, std::unique_ptr<V>>(module, "UnprintableFragmentCollection")
        .def_property_readonly("count", [](const V& v) { return v.fragments->reason_ids.size(); })
        .def_property_readonly("reason_codes",
                               [](const V& v) {
                                   const std::vector<std::int32_t>& ids = v.fragments->reason_ids;
                                   py::tuple tuple(ids.size());
                                   for (std::size_t index = 0; index < ids.size(); ++index) {
                                       PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(index),
                                                        to_str(fragment_reason_name(ids[index])).release().ptr());
                                   }
                                   return tuple;
                               })
        .def_property_readonly("reason_ids",
                               [](const V& v) { return make_readonly_int32_view(v.owner, v.fragments->reason_ids); })
        .def_property_readonly("rgba", [](const V& v) { return make_readonly_rgba_view(v.owner, v.fragments->rgba); })
        .def_property_readonly("rgba_f64",
                               [](const V& v) { return make_readonly_rgba_f64_view(v.owner, v.fragments->rgba_f64); })
        .def_property_readonly("draw_indices",
                               [](const V& v) { return make_readonly_int32_view(v.owner, v.fragments->draw_indices); })
        .def_property_readonly(
            "source_indices", [](const V& v) { return make_readonly_int32_view(v.owner, v.fragments->source_indices); })
        .def_property_readonly("source_kinds",
                               [](const V& v) { return make_readonly_int32_view(v.owner, v.fragments->source_kinds); })
        .def_property_readonly("subpath_indices", [](const V& v) {
            return make_readonly_int32_view(v.owner, v.fragments->subpath_indices);
        });
}

// A view shares the whole result (through its enable-shared-from-this reference) and points at one
// of its collections.
std::unique_ptr<GeometryCollectionView> collection_view(const NativeResult& result,
                                                        const GeometryCollection NativeResult::* member) {
    auto owner = std::const_pointer_cast<NativeResult>(result.shared_from_this());
    const GeometryCollection* collection = &(owner.get()->*member);
    return std::make_unique<GeometryCollectionView>(GeometryCollectionView{std::move(owner), collection});
}

void define_native_result(py::module_& module) {
    using R = NativeResult;
    py::class_<R, std::shared_ptr<R>>(module, "NativeResult")
        .def_property_readonly("status", [](const R& r) { return to_str(r.status); })
        .def_property_readonly("reason_code", [](const R& r) { return to_str(r.reason_code); })
        .def_readonly("schema_version", &R::schema_version)
        .def_property_readonly("bbox", [](const R& r) { return float_tuple(r.bbox); })
        .def_property_readonly("viewport_bounds", [](const R& r) { return float_tuple(r.viewport_bounds); })
        .def_readonly("image_vectorizer_origin", &R::image_vectorizer_origin)
        .def_readonly("scale_factor", &R::scale_factor)
        .def_readonly("grid_to_source_unit", &R::grid_to_source_unit)
        .def_readonly("max_flattening_error_mm", &R::max_flattening_error_mm)
        .def_readonly("max_quantization_error_mm", &R::max_quantization_error_mm)
        .def_readonly("recorder_seconds", &R::recorder_seconds)
        .def_readonly("kernel_seconds", &R::kernel_seconds)
        .def_readonly("bounds_seconds", &R::bounds_seconds)
        .def_readonly("replay_seconds", &R::replay_seconds)
        .def_readonly("topology_seconds", &R::topology_seconds)
        .def_readonly("normalization_raw_seconds", &R::normalization_raw_seconds)
        .def_readonly("composite_seconds", &R::composite_seconds)
        .def_readonly("normalization_visible_seconds", &R::normalization_visible_seconds)
        .def_readonly("export_seconds", &R::export_seconds)
        .def_readonly("replay_worker_count", &R::replay_worker_count)
        .def_readonly("result_conversion_seconds", &R::result_conversion_seconds)
        .def_readonly("input_paint_count", &R::input_paint_count)
        .def_property_readonly("raw", [](const R& r) { return collection_view(r, &R::raw); })
        .def_property_readonly("visible", [](const R& r) { return collection_view(r, &R::visible); })
        .def_property_readonly("silhouette", [](const R& r) { return collection_view(r, &R::silhouette); })
        .def_property_readonly("unprintable_fragments", [](const R& r) {
            auto owner = std::const_pointer_cast<R>(r.shared_from_this());
            const UnprintableFragmentCollection* fragments = &owner->unprintable_fragments;
            return std::make_unique<UnprintableFragmentCollectionView>(
                UnprintableFragmentCollectionView{std::move(owner), fragments});
        });
}

}  // namespace

void define_analysis_classes(py::module_& module) {
    py::options options;
    options.disable_function_signatures();
    define_geometry_collection(module);
    define_fragment_collection(module);
    define_native_result(module);
}

void define_analysis_functions(py::module_& module) {
    py::options options;
    options.disable_function_signatures();
    module.def(
        "analyze_svg",
        [](const std::filesystem::path& path, double target_width_mm, double tolerance_mm,
           bool allow_strokes) -> py::object {
            const ReplayEnvironment environment = read_replay_environment();
            ResultShare result;
            {
                py::gil_scoped_release release;
                result = analyze_svg_file(path, target_width_mm, tolerance_mm, allow_strokes, environment);
            }
            return wrap_result(std::move(result));
        },
        py::arg("path"), py::arg("target_width_mm"), py::arg("tolerance_mm"), py::arg("allow_strokes") = true);
    module.def(
        "analyze_svg_svg",
        [](const SvgTextArgument& svg, double target_width_mm, double tolerance_mm, bool allow_strokes) -> py::object {
            const ReplayEnvironment environment = read_replay_environment();
            ResultShare result;
            {
                py::gil_scoped_release release;
                result = analyze_svg_text(svg.text(), target_width_mm, tolerance_mm, allow_strokes, environment);
            }
            return wrap_result(std::move(result));
        },
        py::arg("svg"), py::arg("target_width_mm"), py::arg("tolerance_mm"), py::arg("allow_strokes") = true);
}

}  // namespace pavrix_svg_core
