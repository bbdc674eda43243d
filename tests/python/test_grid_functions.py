import subprocess
import sys

import numpy as np
import pytest

import _pavrix_svg_core as core

SHAPE_ERROR = "Projection rings must have shape (N, 2)"
RANGE_ERROR = "Projection exceeds exact downstream integer coordinates"


def project(regions):
    return core.project_regions_to_grid(regions, 1.0)


BOTH = [project, core.canonicalize_grid_regions]


def square(x0, y0, x1, y1, clockwise=False):
    ring = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return ring[::-1] if clockwise else ring


def doubled_area(ring):
    x, y = ring[:, 0].astype(object), ring[:, 1].astype(object)
    return sum(x[i] * y[i + 1] - x[i + 1] * y[i] for i in range(len(ring) - 1))


def checked(result):
    # One list per region of (exterior, [holes]); closed int64 rings, exteriors CCW, holes CW.
    for region in result:
        for exterior, holes in region:
            assert isinstance(holes, list)
            for ring, sign in [(exterior, 1)] + [(h, -1) for h in holes]:
                assert ring.dtype == np.int64 and ring.shape[1] == 2 and ring.flags.c_contiguous
                assert tuple(ring[0]) == tuple(ring[-1])
                assert doubled_area(ring) * sign > 0
    return result


@pytest.mark.parametrize("value,expected", [(2.5, 3), (-2.5, -3), (0.5, 1), (-0.5, -1), (1.4999999999999998, 1)])
def test_projection_rounds_halves_away_from_zero(value, expected):
    result = checked(project([[[(0, 0), (value, 0), (value, 7), (0, 7)]]]))
    assert set(result[0][0][0][:, 0].tolist()) == {0, expected}


@pytest.mark.parametrize("call", BOTH)
@pytest.mark.parametrize(
    "limit,accepted",
    [(2.0**52, True), (-(2.0**52), True), (np.nextafter(2.0**52, np.inf), False), (np.nextafter(-(2.0**52), -1e300), False)],
)
def test_range_limit(call, limit, accepted):
    # Fat enough that Clipper2 keeps the triangle; oriented counter-clockwise.
    ring = [(0, 0), (limit, 0), (0, 8)] if limit > 0 else [(0, 0), (0, 8), (limit, 0)]
    if accepted:
        assert int(np.abs(checked(call([[ring]]))[0][0][0]).max()) == 2**52
    else:
        with pytest.raises(ValueError, match=f"^{RANGE_ERROR}$"):
            call([[[(y, x) for x, y in ring]]])


@pytest.mark.parametrize("scale", [0.0, -0.0, -1.0, float("nan"), float("inf")])
def test_bad_scale_is_refused_before_regions_are_read(scale):
    with pytest.raises(ValueError, match="^Target-grid scale must be positive and finite$"):
        core.project_regions_to_grid(5, scale)


class RaisingRing:
    def __init__(self, error):
        self.error = error

    def __array__(self, dtype=None, copy=None):
        raise self.error


@pytest.mark.parametrize("call", BOTH)
@pytest.mark.parametrize(
    "regions,error,message",
    [
        (5, TypeError, None),  # the iteration's own error
        ([5], TypeError, None),
        ([[np.zeros((3, 3))]], ValueError, SHAPE_ERROR),
        ([[np.zeros(4)]], ValueError, SHAPE_ERROR),
        ([["abc"]], ValueError, SHAPE_ERROR),
        ([[[(0, 0), (1,)]]], ValueError, SHAPE_ERROR),
        ([[RaisingRing(ValueError("bad"))]], ValueError, SHAPE_ERROR),  # a conversion failure
        # Other Python errors are never replaced or cleared.
        ([[RaisingRing(MemoryError())]], MemoryError, None),
        ([[RaisingRing(KeyboardInterrupt())]], KeyboardInterrupt, None),
        ([[RaisingRing(ZeroDivisionError())]], ZeroDivisionError, None),
        ([[[(0, 0), (float("nan"), 1), (1, 1)]]], ValueError, RANGE_ERROR),
        ([[[(0, 0), (1, float("inf")), (1, 1)]]], ValueError, RANGE_ERROR),
        ([[[(0, 0), (1e300, 1), (1, 1)]]], ValueError, RANGE_ERROR),
    ],
)
def test_input_errors(call, regions, error, message):
    with pytest.raises(error) as raised:
        call(regions)
    assert message is None or str(raised.value) == message


def test_scaled_overflow_and_fractional_canonical_input():
    with pytest.raises(ValueError, match=RANGE_ERROR):
        core.project_regions_to_grid([[[(0, 0), (1e300, 0), (0, 1)]]], 1e10)
    with pytest.raises(ValueError, match="^Canonical grid coordinates must be exact integers$"):
        core.canonicalize_grid_regions([[[(0, 0), (4, 0.5), (0, 4)]]])


@pytest.mark.parametrize(
    "regions,face_counts",
    [
        ([], []),
        ([[]], [0]),
        ([[], [square(0, 0, 2, 2)], []], [0, 1, 0]),
        (iter([(np.array(square(0, 0, 2, 2), dtype=np.int32),)]), [1]),  # any iterables, int arrays
    ],
)
def test_region_structure(regions, face_counts):
    assert [len(region) for region in checked(core.canonicalize_grid_regions(regions))] == face_counts


@pytest.mark.parametrize(
    "ring,canonical_faces,projected_faces",
    [
        (square(0, 0, 4, 4), 1, 1),
        (square(0, 0, 4, 4, clockwise=True), 0, 1),  # own winding vs. non-zero union
        ([(0, 0), (4, 0), (4, 0), (4, 4), (0, 4), (0, 0)], 1, 1),  # repeated and closing points
        ([(0, 0), (4, 0), (8, 0)], 0, 0),
        ([(3, 3)], 0, 0),
    ],
)
def test_orientation_and_degenerate_rings(ring, canonical_faces, projected_faces):
    canonical, projected = checked(core.canonicalize_grid_regions([[ring]])), checked(project([[ring]]))
    assert (len(canonical[0]), len(projected[0])) == (canonical_faces, projected_faces)
    for region in (canonical[0], projected[0]):
        assert all(doubled_area(exterior) == 32 for exterior, _ in region)


@pytest.mark.parametrize("call", BOTH)
@pytest.mark.parametrize(
    "rings,faces",
    [
        # Thin triangles of any length whose short side is below two units: a Clipper2 union drops them.
        ([[(0, 0), (10**9, 0), (1, 1)]], [(10**9, [])]),
        ([square(0, 0, 2000, 2000), [(10, 10), (1011, 11), (1010, 10)]], [(8 * 10**6, [-1000])]),  # clockwise hole
        ([[(0, 0), (1000, 0), (2, 1)]], [(1000, [])]),
    ],
)
def test_every_face_of_positive_area_survives(call, rings, faces):
    region = checked(call([rings]))[0]
    assert [(doubled_area(e), [doubled_area(h) for h in holes]) for e, holes in region] == faces


def test_islands_follow_their_enclosing_exterior():
    rings = [square(0, 0, 30, 30), square(5, 5, 25, 25, True), square(10, 10, 20, 20)]
    region = checked(core.canonicalize_grid_regions([rings]))[0]
    assert [(doubled_area(e), [doubled_area(h) for h in holes]) for e, holes in region] == [(1800, [-800]), (200, [])]


def test_projection_shares_vertices_between_regions():
    result = checked(project([[square(0, 0, 10, 10)], [square(5, -5, 15, 5)]]))
    assert (10, 5) in set(map(tuple, result[0][0][0].tolist()))
    assert (5, 0) in set(map(tuple, result[1][0][0].tolist()))


def test_deep_face_tree_output_is_iterative():
    depth = 20000
    rings = [square(-n, -n, n, n, clockwise=(n % 2 == 1)) for n in range(depth, 0, -1)]
    assert len(checked(core.canonicalize_grid_regions([rings]))[0]) == depth // 2


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
