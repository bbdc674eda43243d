// Python view of recordings: read-only classes over the native records and
// the two record functions. Conversion only; the recorder does the work.

#include "python/core/recorder_bindings.h"

#include <pybind11/stl/filesystem.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "recorder/paint_command.h"
#include "recorder/paint_enum_names.h"
#include "recorder/record_entry.h"
#include "python/core/svg_text_argument.h"

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {

py::str toStr(std::string_view text) {
    return py::str(text.data(), text.size());
}

// Steals `item` into slot `index` of a fresh tuple.
void setTupleItem(py::tuple& tuple, std::size_t index, py::object item) {
    PyTuple_SET_ITEM(tuple.ptr(), static_cast<Py_ssize_t>(index), item.release().ptr());
}

template <typename Range, typename Convert>
py::tuple tupleOf(const Range& values, Convert convert) {
    py::tuple tuple(values.size());
    std::size_t index = 0;
    for (const auto& value : values) {
        setTupleItem(tuple, index++, convert(value));
    }
    return tuple;
}

py::tuple floatTuple(const auto& values) {
    return tupleOf(values, [](auto value) { return py::float_(static_cast<double>(value)); });
}

py::tuple pointTuple(const PaintPoint& point) {
    py::tuple pair(2);
    setTupleItem(pair, 0, py::float_(point.x));
    setTupleItem(pair, 1, py::float_(point.y));
    return pair;
}

void defineStrokeStyle(py::module_& module) {
    py::class_<PaintStrokeStyle, std::unique_ptr<PaintStrokeStyle>>(module, "PaintStrokeStyle")
        .def_readonly("width", &PaintStrokeStyle::width)
        .def_readonly("miter_limit", &PaintStrokeStyle::miter_limit)
        .def_readonly("dash_offset", &PaintStrokeStyle::dash_offset)
        .def_property_readonly("line_cap", [](const PaintStrokeStyle& s) { return toStr(lineCapName(s.line_cap)); })
        .def_property_readonly("line_join", [](const PaintStrokeStyle& s) { return toStr(lineJoinName(s.line_join)); })
        .def_property_readonly("dash_array", [](const PaintStrokeStyle& s) { return floatTuple(s.dash_array); });
}

void definePaintCommand(py::module_& module) {
    using C = PaintCommand;
    py::class_<C, std::unique_ptr<C>>(module, "PaintCommand")
        .def_property_readonly("kind", [](const C& c) { return toStr(paintCommandKindName(c.kind)); })
        .def_property_readonly(
            "path_verbs",
            [](const C& c) { return tupleOf(c.path_verbs, [](PathVerb verb) { return toStr(pathVerbName(verb)); }); })
        .def_property_readonly("path_points", [](const C& c) { return tupleOf(c.path_points, pointTuple); })
        .def_property_readonly(
            "rgba", [](const C& c) { return tupleOf(c.rgba, [](std::uint8_t channel) { return py::int_(channel); }); })
        .def_property_readonly("matrix", [](const C& c) { return floatTuple(c.matrix); })
        .def_property_readonly("fill_rule", [](const C& c) { return toStr(paintFillRuleName(c.fill_rule)); })
        .def_readonly("has_partial_alpha", &C::has_partial_alpha)
        .def_readonly("paint_opacity", &C::paint_opacity)
        // Refers into this command's own style; the reference keeps the command alive.
        .def_property_readonly(
            "stroke", [](const C& c) -> const PaintStrokeStyle& { return c.stroke; },
            py::return_value_policy::reference_internal)
        .def_readonly("non_scaling_stroke", &C::non_scaling_stroke)
        .def_readonly("group_opacity", &C::group_opacity)
        .def_readonly("source_index", &C::source_index)
        .def_readonly("relative_path_operation_count", &C::relative_path_operation_count)
        .def_readonly("transform_operation_count", &C::transform_operation_count)
        .def_readonly("path_input_precision_error", &C::path_input_precision_error)
        .def_readonly("path_input_precision_error_x", &C::path_input_precision_error_x)
        .def_readonly("path_input_precision_error_y", &C::path_input_precision_error_y)
        .def_readonly("path_lowering_precision_error", &C::path_lowering_precision_error)
        .def_readonly("path_coordinates_exact", &C::path_coordinates_exact)
        .def_readonly("transform_coordinates_exact", &C::transform_coordinates_exact)
        .def_readonly("source_fill_area_upper_bound", &C::source_fill_area_upper_bound)
        .def_readonly("source_has_lowered_curve", &C::source_has_lowered_curve)
        .def_readonly("stroke_direction_input_ambiguous", &C::stroke_direction_input_ambiguous)
        .def_readonly("isolated_stroke_direction_input_ambiguous", &C::isolated_stroke_direction_input_ambiguous)
        .def_readonly("transform_linear_precision_error", &C::transform_linear_precision_error)
        .def_readonly("transform_translation_precision_error", &C::transform_translation_precision_error)
        .def_property_readonly("source_subpath_area_potential",
                               [](const C& c) {
                                   py::list list(c.source_subpath_area_potential.size());
                                   std::size_t index = 0;
                                   for (const std::uint8_t flag : c.source_subpath_area_potential) {
                                       PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(index++),
                                                       py::int_(flag).release().ptr());
                                   }
                                   return list;
                               })
        .def_property_readonly("source_kind", [](const C& c) { return toStr(c.source_kind); });
}

void defineRecorderResult(py::module_& module) {
    using R = RecorderResult;
    py::class_<R, std::unique_ptr<R>>(module, "RecorderResult")
        .def_property_readonly("status", [](const R& r) { return toStr(r.status); })
        .def_property_readonly("reason_code", [](const R& r) { return toStr(r.reason_code); })
        .def_readonly("schema_version", &R::schema_version)
        .def_property_readonly("bounds", [](const R& r) { return floatTuple(r.bounds); })
        .def_property_readonly("viewport", [](const R& r) { return floatTuple(r.viewport); })
        .def_readonly("image_vectorizer_origin", &R::image_vectorizer_origin)
        .def_readonly("has_non_scaling_stroke", &R::has_non_scaling_stroke)
        // Every read hands out fresh copies, independent of this result.
        .def_property_readonly("commands", [](const R& r) {
            return tupleOf(r.commands, [](const PaintCommand& command) {
                return py::cast(std::make_unique<PaintCommand>(command));
            });
        });
}

// Returned as the holder itself, so the functions are declared as returning
// RecorderResult and the Python object takes sole ownership.
std::unique_ptr<RecorderResult> wrapResult(RecorderResult&& result) {
    return std::make_unique<RecorderResult>(std::move(result));
}

}  // namespace

void define_recording_classes(py::module_& module) {
    py::options options;
    options.disable_function_signatures();
    defineStrokeStyle(module);
    definePaintCommand(module);
    defineRecorderResult(module);
}

void define_record_functions(py::module_& module) {
    py::options options;
    options.disable_function_signatures();
    module.def(
        "record_paint_commands",
        [](const std::filesystem::path& path) {
            RecorderResult result;
            {
                py::gil_scoped_release release;
                result = record_svg_file(path);
            }
            return wrapResult(std::move(result));
        },
        py::arg("path"));
    module.def(
        "record_paint_commands_svg",
        [](const SvgTextArgument& svg) {
            RecorderResult result;
            {
                py::gil_scoped_release release;
                result = record_svg_text(svg.text());
            }
            return wrapResult(std::move(result));
        },
        py::arg("svg"));
}

}  // namespace pavrix_svg_core
