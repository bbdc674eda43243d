"""Result objects and their array views: dtypes, shapes, strides, read-only arrays over shared memory
that outlive the result, and NumPy loaded only on the first array read."""

import gc
import os
import subprocess
import sys

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
# A square with a square hole, and a clip that cuts one paint away entirely (a fragment).
DOCUMENT = (f'<svg {SVG_NS} viewBox="0 0 100 50">'
            '<path d="M0 0H50V50H0Z M10 10V40H40V10Z" fill="#336699"/>'
            '<clipPath id="c"><rect x="60" y="0" width="40" height="50"/></clipPath>'
            '<g clip-path="url(#c)"><rect x="60" y="10" width="30" height="30" fill="red"/>'
            '<rect x="5" y="42" width="3" height="3" fill="green"/></g></svg>')

# name: dtype, and (columns, strides) for the two-dimensional ones
ROWS = {"coordinates": (2, (16, 8)), "rgba": (4, (4, 1)), "rgba_f64": (4, (32, 8))}
GEOMETRY_ARRAYS = {
    "coordinates": "int64", "ring_offsets": "uint64", "polygon_offsets": "uint64", "geometry_offsets": "uint64",
    "hole_parent": "int64", "rgba": "uint8", "rgba_f64": "float64", "draw_indices": "int32",
    "source_indices": "int32", "source_kinds": "int32", "contributor_offsets": "uint64",
    "contributor_draw_indices": "int32", "contributor_source_indices": "int32",
    "contributor_source_kinds": "int32", "contributor_weights": "float64",
}
FRAGMENT_ARRAYS = {"reason_ids": "int32", "rgba": "uint8", "rgba_f64": "float64", "draw_indices": "int32",
                   "source_indices": "int32", "source_kinds": "int32", "subpath_indices": "int32"}


@pytest.fixture(scope="module")
def result():
    analysed = core.analyze_svg_svg(DOCUMENT, 80, 0.1)
    assert analysed.status == "supported", analysed.reason_code
    return analysed


@pytest.fixture(scope="module", params=["painted", "empty"])
def painted_or_empty(request, result):
    # Invalid physical parameters: a result without any geometry or fragment.
    return result if request.param == "painted" else core.analyze_svg_svg(DOCUMENT, 80, 0.0)


@pytest.mark.parametrize("collection, name, dtype", [
    (collection, name, GEOMETRY_ARRAYS[name]) for collection in ("raw", "visible", "silhouette")
    for name in sorted(GEOMETRY_ARRAYS)] + [("unprintable_fragments", name, FRAGMENT_ARRAYS[name])
                                            for name in sorted(FRAGMENT_ARRAYS)])
def test_array_dtypes_shapes_strides_and_owner(painted_or_empty, collection, name, dtype):
    # Empty arrays too keep the layout and the owner: a view of the result's memory, not a copy.
    array = getattr(getattr(painted_or_empty, collection), name)
    assert array.dtype == np.dtype(dtype) and not array.flags.writeable
    columns, strides = ROWS.get(name, (None, (np.dtype(dtype).itemsize,)))
    assert array.shape[1:] == ((columns,) if columns else ()) and array.strides == strides
    assert type(array.base).__name__ == "PyCapsule"


def test_shapes_follow_the_offsets(result):
    raw = result.raw
    rings, points = len(raw.ring_offsets) - 1, raw.ring_offsets[-1]
    assert raw.coordinates.shape == (points, 2) and raw.hole_parent.shape == (rings,)
    assert raw.rgba.shape == (raw.geometry_count, 4) and raw.draw_indices.shape == (raw.geometry_count,)
    assert len(raw.contributor_weights) == raw.contributor_offsets[-1]
    assert raw.component_count == len(raw.polygon_offsets) - 1
    assert raw.hole_count == int((raw.hole_parent >= 0).sum()) == 1


def test_arrays_cannot_be_written(result):
    with pytest.raises(ValueError):
        result.raw.coordinates[0, 0] = 1
    with pytest.raises(ValueError):
        result.raw.coordinates.setflags(write=True)


def test_arrays_outlive_the_result_and_the_view():
    analysed = core.analyze_svg_svg(DOCUMENT, 80, 0.1)
    view = analysed.raw
    coordinates, expected = view.coordinates, view.coordinates.copy()
    fragments = analysed.unprintable_fragments.reason_ids
    expected_fragments = fragments.copy()
    del analysed, view
    gc.collect()
    core.analyze_svg_svg(DOCUMENT, 80, 0.1)  # reuse freed memory if it was freed
    assert (coordinates == expected).all() and (fragments == expected_fragments).all()


def test_two_reads_share_memory_but_not_objects(result):
    first, second = result.raw, result.raw
    assert first is not second
    assert first.coordinates.__array_interface__["data"][0] == second.coordinates.__array_interface__["data"][0]
    assert np.shares_memory(first.coordinates, second.coordinates)


def test_result_without_geometry_has_single_zero_offsets():
    result = core.analyze_svg_svg(DOCUMENT, 80, 0)
    for collection in (result.raw, result.visible, result.silhouette):
        for name in ("ring_offsets", "polygon_offsets", "geometry_offsets", "contributor_offsets"):
            assert getattr(collection, name).tolist() == [0]
        assert collection.coordinates.shape == (0, 2)
        assert (collection.geometry_count, collection.component_count, collection.hole_count) == (0, 0, 0)
    assert result.unprintable_fragments.count == 0 and result.unprintable_fragments.reason_codes == ()


def test_native_result_properties_in_order():
    names = [name for name in vars(core.NativeResult) if not name.startswith("_")]
    assert names == [
        "status", "reason_code", "schema_version", "bbox", "viewport_bounds", "image_vectorizer_origin",
        "scale_factor", "grid_to_source_unit", "max_flattening_error_mm", "max_quantization_error_mm",
        "recorder_seconds", "kernel_seconds", "bounds_seconds", "replay_seconds", "topology_seconds",
        "normalization_raw_seconds", "composite_seconds", "normalization_visible_seconds", "export_seconds",
        "replay_worker_count", "result_conversion_seconds", "input_paint_count", "raw", "visible",
        "silhouette", "unprintable_fragments"]


def test_module_attributes_in_order():
    expected = ["project_regions_to_grid", "canonicalize_grid_regions", "RECORDER_SCHEMA_VERSION",
                "RESULT_SCHEMA_VERSION", "PaintStrokeStyle", "PaintCommand", "RecorderResult",
                "GeometryCollection", "UnprintableFragmentCollection", "NativeResult", "record_paint_commands",
                "record_paint_commands_svg", "analyze_svg", "analyze_svg_svg"]
    assert [name for name in vars(core) if name in expected] == expected


def test_numpy_is_loaded_only_by_the_first_array_read():
    script = ("import sys, _pavrix_svg_core as core\n"
              "r = core.analyze_svg_svg(sys.argv[1], 80, 0.1)\n"
              "before = 'numpy' in sys.modules\n"
              "r.raw.coordinates\n"
              "print(before, 'numpy' in sys.modules)\n")
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path))
    output = subprocess.run([sys.executable, "-c", script, DOCUMENT], env=env, check=True,
                            capture_output=True, text=True).stdout.split()
    assert output == ["False", "True"]
