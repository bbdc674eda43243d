// Entry point of the extension module _pavrix_svg_compensation.

#include <pybind11/numpy.h>

#include <stdexcept>
#include <utility>

#include "compensation/hole_compensation.h"
#include "python/float64_ring_array.h"
#include "python/module_entry.h"

namespace {

namespace py = pybind11;
using pavrix_svg_core::CompensationFace;

constexpr const char find_holes_doc[] =
    "Find enclosed holes and filled coverage in physical millimetres.\n"
    "以物理毫米查找封闭的孔洞以及填充后的覆盖区域。\n"
    "\n"
    "Args:\n"
    "    rings: Float64 Nx2 rings, shells CCW and holes CW.\n"
    "    rings: Float64 Nx2 环，外壳为逆时针，孔洞为顺时针。\n"
    "    max_hole_area_mm2: Nonnegative hole area threshold; zero disables it.\n"
    "    max_hole_area_mm2: 非负的孔洞面积阈值；为零时禁用。\n"
    "    max_hole_width_mm: Nonnegative 2*area/perimeter threshold; zero disables it.\n"
    "    max_hole_width_mm: 非负的 2*面积/周长 阈值；为零时禁用。\n"
    "\n"
    "Returns:\n"
    "    (holes, filled_coverage), each a list of (shell, interiors) owning arrays.\n"
    "    (holes, filled_coverage)，各为由 (shell, interiors) 自有数组组成的列表。\n"
    "\n"
    "Raises:\n"
    "    ValueError: A setting or coordinate cannot be represented.\n"
    "    ValueError: 某个设置或坐标无法表示。";

Clipper2Lib::Paths64 read_compensation_rings(py::handle rings) {
    Clipper2Lib::Paths64 grid_rings;
    for (py::handle ring : py::iter(rings)) {
        const py::object rows = pavrix_python::read_float64_rows(ring);
        if (!rows) {
            throw std::invalid_argument("SVG compensation rings require float64 Nx2 coordinates");
        }
        pavrix_svg_core::append_compensation_ring(grid_rings, pavrix_python::float64_row_data(rows),
                                                  pavrix_python::float64_row_count(rows));
    }
    return grid_rings;
}

// A new (N, 2) float64 array in millimetres, not closed.
py::array_t<double> ring_to_mm_array(const Clipper2Lib::Path64& ring) {
    py::array_t<double> array({static_cast<py::ssize_t>(ring.size()), py::ssize_t{2}});
    double* out = array.mutable_data();
    for (const auto& point : ring) {
        *out++ = static_cast<double>(point.x) / pavrix_svg_core::kCompensationUnitsPerMillimetre;
        *out++ = static_cast<double>(point.y) / pavrix_svg_core::kCompensationUnitsPerMillimetre;
    }
    return array;
}

py::list faces_to_pylist(const std::vector<CompensationFace>& faces) {
    py::list list;
    for (const CompensationFace& face : faces) {
        py::list interiors;
        for (const auto& interior : face.interiors) {
            interiors.append(ring_to_mm_array(interior));
        }
        list.append(py::make_tuple(ring_to_mm_array(face.shell), std::move(interiors)));
    }
    return list;
}

py::tuple find_holes_mm(const py::object& rings, double max_hole_area_mm2, double max_hole_width_mm) {
    pavrix_svg_core::check_compensation_setting(max_hole_area_mm2, "max_hole_area_mm2");
    pavrix_svg_core::check_compensation_setting(max_hole_width_mm, "max_hole_width_mm");
    const Clipper2Lib::Paths64 grid_rings = read_compensation_rings(rings);
    pavrix_svg_core::HoleCompensation result;
    {
        py::gil_scoped_release release;
        result = pavrix_svg_core::find_holes(grid_rings, max_hole_area_mm2, max_hole_width_mm);
    }
    py::list filled = faces_to_pylist(result.filled_coverage);
    py::list holes = faces_to_pylist(result.holes);
    return py::make_tuple(std::move(holes), std::move(filled));
}

void define_compensation_module(py::module_& module) {
    module.doc() = "Optional physical-mm SVG hole compensation / 可选的物理毫米 SVG 孔洞补偿";
    py::options options;
    options.disable_function_signatures();
    module.def("find_holes_mm", &find_holes_mm, py::arg("rings"), py::arg("max_hole_area_mm2"),
               py::arg("max_hole_width_mm"), find_holes_doc);
}

int exec_compensation_module(PyObject* module) {
    return pavrix_python::exec_module(module, &define_compensation_module);
}

}  // namespace

extern "C" PYBIND11_EXPORT PyObject* PyInit__pavrix_svg_compensation() {
    return pavrix_python::init_module<&exec_compensation_module>("_pavrix_svg_compensation");
}
