import subprocess
import sys

import numpy as np
import pytest

import _pavrix_svg_core as core

SCALE_ERROR = "Target-grid scale must be positive and finite"
SHAPE_ERROR = "Projection rings must have shape (N, 2)"
RANGE_ERROR = "Projection exceeds exact downstream integer coordinates"
INTEGER_ERROR = "Canonical grid coordinates must be exact integers"


def square(x0, y0, x1, y1, clockwise=False):
    ring = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return ring[::-1] if clockwise else ring


def doubled_area(ring):
    x, y = ring[:, 0].astype(object), ring[:, 1].astype(object)
    return sum(x[i] * y[i + 1] - x[i + 1] * y[i] for i in range(len(ring) - 1))


def canonical_ring(ring):
    # Closed array -> tuple of points starting at the smallest one, orientation kept.
    points = [tuple(int(v) for v in row) for row in ring[:-1]]
    start = points.index(min(points))
    return tuple(points[start:] + points[:start])


def face_set(region):
    return {(canonical_ring(ext), frozenset(canonical_ring(h) for h in holes)) for ext, holes in region}


def check_output_shape(result):
    assert isinstance(result, list)
    for region in result:
        assert isinstance(region, list)
        for face in region:
            assert isinstance(face, tuple) and len(face) == 2
            exterior, holes = face
            assert isinstance(holes, list)
            for ring, sign in [(exterior, 1)] + [(h, -1) for h in holes]:
                assert ring.dtype == np.int64 and ring.ndim == 2 and ring.shape[1] == 2
                assert ring.flags.c_contiguous and ring.shape[0] >= 4
                assert tuple(ring[0]) == tuple(ring[-1]), "rings are closed"
                assert doubled_area(ring) * sign > 0, "exteriors CCW, holes CW"


@pytest.mark.parametrize(
    "value,expected",
    [
        (2.5, 3),  # halves away from zero, not to even
        (-2.5, -3),
        (0.5, 1),
        (-0.5, -1),
        (1.4999999999999998, 1),
    ],
)
def test_projection_rounds_halves_away_from_zero(value, expected):
    ring = [(0, 0), (value, 0), (value, value * 0 + 7), (0, 7)]
    result = core.project_regions_to_grid([[ring]], 1.0)
    check_output_shape(result)
    xs = {int(v) for v in result[0][0][0][:, 0]}
    assert xs == {0, expected}


@pytest.mark.parametrize(
    "limit_value,accepted",
    [
        (2.0**52, True),
        (-(2.0**52), True),
        (np.nextafter(2.0**52, np.inf), False),  # the next double is 2^52 + 1
        (np.nextafter(-(2.0**52), -np.inf), False),
    ],
)
def test_projection_range_limit(limit_value, accepted):
    ring = [(0, 0), (limit_value, 0), (0, 8)] if limit_value > 0 else [(0, 0), (0, 8), (limit_value, 0)]
    if accepted:
        result = core.project_regions_to_grid([[ring]], 1.0)
        assert int(np.abs(result[0][0][0][:, 0]).max()) == 2**52
        # Exact in y too, and the same limit for canonical input.
        core.canonicalize_grid_regions([[[(y, x) for x, y in ring]]])
    else:
        with pytest.raises(ValueError, match=r"^" + RANGE_ERROR + "$"):
            core.project_regions_to_grid([[ring]], 1.0)
        with pytest.raises(ValueError, match=r"^" + RANGE_ERROR + "$"):
            core.canonicalize_grid_regions([[[(y, x) for x, y in ring]]])


@pytest.mark.parametrize("scale", [0.0, -1.0, float("nan"), float("inf"), -float("inf"), -0.0])
def test_bad_scale_is_refused_before_regions_are_read(scale):
    with pytest.raises(ValueError, match=SCALE_ERROR):
        core.project_regions_to_grid(5, scale)


@pytest.mark.parametrize(
    "call",
    [
        lambda regions: core.project_regions_to_grid(regions, 1.0),
        core.canonicalize_grid_regions,
    ],
)
@pytest.mark.parametrize(
    "regions,error,message",
    [
        (5, TypeError, None),  # the iteration's own error
        ([5], TypeError, None),  # a region that is not iterable
        ([[np.zeros((3, 3))]], ValueError, SHAPE_ERROR),
        ([[np.zeros(4)]], ValueError, SHAPE_ERROR),
        ([[np.zeros((2, 2, 2))]], ValueError, SHAPE_ERROR),
        ([["abc"]], ValueError, SHAPE_ERROR),
        ([[[(0, 0), (1,)]]], ValueError, SHAPE_ERROR),  # ragged
        ([[[(0, 0), ("x", 1)]]], ValueError, SHAPE_ERROR),
        ([[[(0, 0), (float("nan"), 1), (1, 1)]]], ValueError, RANGE_ERROR),
        ([[[(0, 0), (1, float("inf")), (1, 1)]]], ValueError, RANGE_ERROR),
        ([[[(0, 0), (1e300, 1), (1, 1)]]], ValueError, RANGE_ERROR),
    ],
)
def test_input_errors(call, regions, error, message):
    with pytest.raises(error) as raised:
        call(regions)
    if message is not None:
        assert str(raised.value) == message


def test_scale_overflow_is_a_range_error():
    with pytest.raises(ValueError, match=RANGE_ERROR):
        core.project_regions_to_grid([[[(0, 0), (1e300, 0), (0, 1)]]], 1e10)


@pytest.mark.parametrize("value", [0.5, 1e-9, 3.25])
def test_canonical_coordinates_must_be_integers(value):
    with pytest.raises(ValueError, match=INTEGER_ERROR):
        core.canonicalize_grid_regions([[[(0, 0), (4, value), (0, 4)]]])


class RaisingRing:
    def __init__(self, error):
        self.error = error

    def __array__(self, dtype=None, copy=None):
        raise self.error


@pytest.mark.parametrize(
    "error,expected",
    [
        (MemoryError(), MemoryError),  # not a conversion failure: must reach the caller
        (KeyboardInterrupt(), KeyboardInterrupt),
        (ZeroDivisionError(), ZeroDivisionError),
        (ValueError("bad"), ValueError),  # a conversion failure: our message
    ],
)
def test_only_conversion_failures_are_replaced(error, expected):
    for call in (lambda r: core.project_regions_to_grid(r, 1.0), core.canonicalize_grid_regions):
        with pytest.raises(expected) as raised:
            call([[RaisingRing(error)]])
        if expected is ValueError:
            assert str(raised.value) == SHAPE_ERROR


def test_iteration_error_propagates():
    def regions():
        yield [square(0, 0, 1, 1)]
        raise KeyboardInterrupt

    with pytest.raises(KeyboardInterrupt):
        core.canonicalize_grid_regions(regions())


@pytest.mark.parametrize(
    "regions,expected_face_counts",
    [
        ([], []),
        ([[]], [0]),
        ([[], [square(0, 0, 2, 2)], []], [0, 1, 0]),
        (iter([(np.array(square(0, 0, 2, 2), dtype=np.int32),)]), [1]),  # any iterables, int arrays
    ],
)
def test_region_structure(regions, expected_face_counts):
    result = core.canonicalize_grid_regions(regions)
    check_output_shape(result)
    assert [len(region) for region in result] == expected_face_counts


@pytest.mark.parametrize(
    "ring,canonical_faces,projected_faces",
    [
        (square(0, 0, 4, 4), 1, 1),
        (square(0, 0, 4, 4, clockwise=True), 0, 1),  # own winding vs. non-zero union
        ([(0, 0), (4, 0), (4, 0), (4, 4), (0, 4), (0, 0)], 1, 1),  # repeats and closing point
        ([(0, 0), (4, 0), (8, 0)], 0, 0),  # collinear: covers nothing
        ([(3, 3)], 0, 0),
    ],
)
def test_orientation_and_degenerate_rings(ring, canonical_faces, projected_faces):
    canonical = core.canonicalize_grid_regions([[ring]])
    projected = core.project_regions_to_grid([[ring]], 1)
    check_output_shape(canonical)
    check_output_shape(projected)
    assert len(canonical[0]) == canonical_faces
    assert len(projected[0]) == projected_faces
    if canonical_faces and projected_faces:
        assert face_set(canonical[0]) == face_set(projected[0]) == face_set(
            core.canonicalize_grid_regions([[square(0, 0, 4, 4)]])[0]
        )


def test_hole_and_island_faces():
    rings = [square(0, 0, 30, 30), square(5, 5, 25, 25, True), square(10, 10, 20, 20)]
    result = core.canonicalize_grid_regions([rings])
    check_output_shape(result)
    region = result[0]
    assert len(region) == 2
    # The enclosing exterior comes first, with its hole; the island follows.
    assert canonical_ring(region[0][0]) == canonical_ring(np.array(square(0, 0, 30, 30) + [(0, 0)]))
    assert len(region[0][1]) == 1
    assert canonical_ring(region[1][0]) == canonical_ring(np.array(square(10, 10, 20, 20) + [(10, 10)]))
    assert region[1][1] == []


def test_projection_shares_vertices_between_regions():
    # Two regions that overlap: each keeps its own coverage, both get the crossing vertices.
    a = [(0, 0), (10, 0), (10, 10), (0, 10)]
    b = [(5, -5), (15, -5), (15, 5), (5, 5)]
    result = core.project_regions_to_grid([[a], [b]], 1.0)
    check_output_shape(result)
    points_a = {tuple(p) for p in result[0][0][0].tolist()}
    points_b = {tuple(p) for p in result[1][0][0].tolist()}
    assert (10, 5) in points_a and (5, 0) in points_b
    assert doubled_area(result[0][0][0]) == 200 and doubled_area(result[1][0][0]) == 200


def test_deep_face_tree_output_is_iterative():
    depth = 20000
    rings = [square(-n, -n, n, n, clockwise=(n % 2 == 1)) for n in range(depth, 0, -1)]
    result = core.canonicalize_grid_regions([rings])
    check_output_shape(result)
    assert len(result[0]) == depth // 2


def test_numpy_is_loaded_on_first_call_not_at_import():
    code = (
        "import sys, _pavrix_svg_core as c\n"
        "before = 'numpy' in sys.modules\n"
        "c.canonicalize_grid_regions([[[(0, 0), (1, 0), (0, 1)]]])\n"
        "print(before, 'numpy' in sys.modules)\n"
    )
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True)
    assert out.stdout.split() == ["False", "True"]


def test_docstrings_and_keywords():
    assert core.project_regions_to_grid.__doc__ == (
        "Project labelled rings onto one canonical integer grid; ties round away from zero."
    )
    assert core.canonicalize_grid_regions.__doc__ == (
        "Canonicalize already-owned integer-grid coverage without changing its fill."
    )
    assert core.project_regions_to_grid(regions=[], units_per_coordinate=2) == []
    assert core.canonicalize_grid_regions(regions=[]) == []
