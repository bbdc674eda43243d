// Python side of the grid utilities: regions are read into native rings with the interpreter
// lock held, the geometry runs without it, and the faces come back as lists of int64 arrays.

#include "python/core/grid_bindings.h"

#include <pybind11/numpy.h>

#include <cstdint>
#include <stdexcept>
#include <utility>

#include "kernel/topology/grid_projection.h"
#include "python/float64_ring_array.h"

namespace pavrix_svg_core {

namespace py = pybind11;

namespace {

ProjectedRings read_labelled_rings(py::handle regions, double scale, GridReadMode mode) {
    ProjectedRings projected;
    for (py::handle region : py::iter(regions)) {
        begin_grid_region(projected);
        for (py::handle ring : py::iter(region)) {
            const py::object rows = pavrix_python::read_float64_rows(ring);
            if (!rows) {
                throw std::invalid_argument("Projection rings must have shape (N, 2)");
            }
            append_grid_ring(projected, pavrix_python::float64_row_data(rows), pavrix_python::float64_row_count(rows),
                             scale, mode);
        }
    }
    return projected;
}

// A new (n + 1, 2) int64 array, closed by repeating the first point.
py::array_t<std::int64_t> ring_to_array(const Clipper2Lib::Path64& ring) {
    const auto rows = static_cast<py::ssize_t>(ring.size() + 1);
    py::array_t<std::int64_t> array({rows, py::ssize_t{2}});
    std::int64_t* out = array.mutable_data();
    for (const auto& point : ring) {
        *out++ = point.x;
        *out++ = point.y;
    }
    *out++ = ring.front().x;
    *out = ring.front().y;
    return array;
}

py::list faces_to_python(const RegionFaces& regions) {
    py::list result;
    for (const auto& faces : regions) {
        py::list region;
        for (const GridFace& face : faces) {
            py::list holes;
            for (const auto& hole : face.holes) {
                holes.append(ring_to_array(hole));
            }
            region.append(py::make_tuple(ring_to_array(face.exterior), std::move(holes)));
        }
        result.append(std::move(region));
    }
    return result;
}

}  // namespace

void define_grid_functions(py::module_& module) {
    py::options options;
    options.disable_function_signatures();
    module.def(
        "project_regions_to_grid",
        [](const py::object& regions, double units_per_coordinate) {
            check_target_grid_scale(units_per_coordinate);
            const ProjectedRings projected = read_labelled_rings(regions, units_per_coordinate, GridReadMode::project);
            RegionFaces faces;
            {
                py::gil_scoped_release release;
                faces = project_rings_to_grid(projected);
            }
            return faces_to_python(faces);
        },
        py::arg("regions"), py::arg("units_per_coordinate"),
        "Project labelled rings onto one canonical integer grid; ties round away from zero.");
    module.def(
        "canonicalize_grid_regions",
        [](const py::object& regions) {
            const ProjectedRings projected = read_labelled_rings(regions, 1.0, GridReadMode::canonical);
            RegionFaces faces;
            {
                py::gil_scoped_release release;
                faces = canonicalize_grid_rings(projected);
            }
            return faces_to_python(faces);
        },
        py::arg("regions"), "Canonicalize already-owned integer-grid coverage without changing its fill.");
}

}  // namespace pavrix_svg_core
