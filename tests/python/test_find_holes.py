from fractions import Fraction

import numpy as np
import pytest

from _pavrix_svg_compensation import find_holes_mm

SHAPE_ERROR = "SVG compensation rings require float64 Nx2 coordinates"
RANGE_ERROR = "SVG compensation coordinate is non-finite or outside the native range"


def square(x0, y0, x1, y1, clockwise=False):
    ring = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return np.array(ring[::-1] if clockwise else ring, dtype=np.float64)


def area(ring):
    # Exact shoelace over the millimetre values as given.
    x = [Fraction(v) for v in ring[:, 0]]
    y = [Fraction(v) for v in ring[:, 1]]
    n = len(x)
    return sum(x[i] * y[(i + 1) % n] - x[(i + 1) % n] * y[i] for i in range(n)) / 2


def check_faces(faces):
    assert isinstance(faces, list)
    for face in faces:
        assert isinstance(face, tuple) and len(face) == 2
        shell, interiors = face
        assert isinstance(interiors, list)
        for ring, sign in [(shell, 1)] + [(r, -1) for r in interiors]:
            assert ring.dtype == np.float64 and ring.shape[1] == 2 and ring.flags.c_contiguous
            assert ring.flags.owndata
            assert tuple(ring[0]) != tuple(ring[-1]), "rings are not closed"
            assert area(ring) * sign > 0, "shells CCW, interiors CW"


def run(rings, max_area, max_width):
    holes, filled = find_holes_mm(rings, max_area, max_width)
    check_faces(holes)
    check_faces(filled)
    return holes, filled


SQUARE_WITH_HOLE = [square(0, 0, 10, 10), square(4, 4, 5, 5, clockwise=True)]


@pytest.mark.parametrize(
    "max_area,max_width,filled",
    [
        (0.0, 0.0, False),  # both tests off
        (-0.0, -0.0, False),
        (1.0, 0.0, True),  # area 1 mm² qualifies with equality
        (0.999, 0.0, False),
        (0.0, 0.5, True),  # width 2·1/4 = 0.5 with equality
        (0.0, 0.4999, False),
        (0.999, 0.5, True),  # either test suffices
    ],
)
def test_square_hole_thresholds(max_area, max_width, filled):
    holes, coverage = run(SQUARE_WITH_HOLE, max_area, max_width)
    assert len(coverage) == 1
    if filled:
        assert len(holes) == 1 and holes[0][1] == []
        assert area(holes[0][0]) == 1
        assert coverage[0][1] == [] and area(coverage[0][0]) == 100
    else:
        assert holes == []
        assert len(coverage[0][1]) == 1 and area(coverage[0][1][0]) == -1


@pytest.mark.parametrize(
    "rings",
    [
        [square(0, 0, 10, 10), square(4, 4, 5, 5)],  # inner ring CCW: covered by the union
        # A notch open to the outside is never a hole.
        [np.array([(0, 0), (10, 0), (10, 10), (6, 10), (6, 4), (4, 4), (4, 10), (0, 10)], float)],
        # The same square given clockwise still covers (non-zero union).
        [square(0, 0, 10, 10, clockwise=True)],
    ],
)
def test_no_hole(rings):
    holes, coverage = run(rings, 1e6, 1e6)
    assert holes == []
    assert len(coverage) == 1 and coverage[0][1] == []


def test_island_in_hole():
    rings = [square(0, 0, 10, 10), square(2, 2, 8, 8, clockwise=True), square(4, 4, 6, 6)]
    # Hole face area 36 - 4 = 32 mm².
    holes, coverage = run(rings, 32.0, 0.0)
    assert len(holes) == 1 and len(holes[0][1]) == 1
    assert area(holes[0][0]) == 36 and area(holes[0][1][0]) == -4
    assert len(coverage) == 1 and coverage[0][1] == [] and area(coverage[0][0]) == 100

    holes, coverage = run(rings, 31.9, 0.0)
    assert holes == []
    assert sorted(area(face[0]) for face in coverage) == [4, 100]


def test_small_hole_inside_island_of_kept_hole():
    rings = [
        square(0, 0, 10, 10),
        square(2, 2, 8, 8, clockwise=True),
        square(3, 3, 7, 7),
        square(4, 4, 4.5, 4.5, clockwise=True),
    ]
    holes, coverage = run(rings, 1.0, 0.0)
    assert len(holes) == 1 and area(holes[0][0]) == Fraction(1, 4)
    # The island is solid now; the big hole stays.
    assert sorted((area(shell), len(interiors)) for shell, interiors in coverage) == [(16, 0), (100, 1)]


@pytest.mark.parametrize(
    "max_area,max_width,message",
    [
        (-1e-300, 0.0, "max_hole_area_mm2 must be finite and nonnegative"),
        (float("nan"), 0.0, "max_hole_area_mm2 must be finite and nonnegative"),
        (float("inf"), 0.0, "max_hole_area_mm2 must be finite and nonnegative"),
        (0.0, -1.0, "max_hole_width_mm must be finite and nonnegative"),
        (0.0, float("-inf"), "max_hole_width_mm must be finite and nonnegative"),
        (-1.0, -1.0, "max_hole_area_mm2 must be finite and nonnegative"),  # area checked first
        (-1.0, 0.0, "max_hole_area_mm2 must be finite and nonnegative"),
    ],
)
def test_setting_errors(max_area, max_width, message):
    with pytest.raises(ValueError) as raised:
        find_holes_mm(5, max_area, max_width)  # settings are checked before the rings
    assert str(raised.value) == message


@pytest.mark.parametrize(
    "rings,error,message",
    [
        (5, TypeError, None),
        ([np.zeros((3, 3))], ValueError, SHAPE_ERROR),
        ([np.zeros(6)], ValueError, SHAPE_ERROR),
        (["abc"], ValueError, SHAPE_ERROR),
        ([[(0, 0), (1,)]], ValueError, SHAPE_ERROR),
        ([[(0, 0), (1, float("nan")), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (float("inf"), 0), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (2.4e13, 0), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (0, -2.4e13), (1, 1)]], ValueError, RANGE_ERROR),
        # 2^61 grid units itself is one past Clipper2's largest coordinate.
        ([[(0, 0), (2.0**61 / 1e5, 0), (1, 1)]], ValueError, RANGE_ERROR),
        ([square(0, 0, 1, 1), "later bad item"], ValueError, SHAPE_ERROR),
    ],
)
def test_ring_errors(rings, error, message):
    with pytest.raises(error) as raised:
        find_holes_mm(rings, 1.0, 0.0)
    if message is not None:
        assert str(raised.value) == message


def test_grid_limit_boundary():
    below = np.nextafter(2.0**61, 0) / 1e5
    while below * 1e5 >= 2.0**61:
        below = np.nextafter(below, 0)
    holes, coverage = run([[(0, 0), (below, 0), (0, 2.3e13)]], 0.0, 0.0)
    assert holes == [] and len(coverage) == 1


class RaisingRing:
    def __init__(self, error):
        self.error = error

    def __array__(self, dtype=None, copy=None):
        raise self.error


@pytest.mark.parametrize(
    "error,expected",
    [
        (MemoryError(), MemoryError),
        (KeyboardInterrupt(), KeyboardInterrupt),
        (TypeError("no"), ValueError),  # a conversion failure: our message
    ],
)
def test_only_conversion_failures_are_replaced(error, expected):
    with pytest.raises(expected) as raised:
        find_holes_mm([RaisingRing(error)], 1.0, 0.0)
    if expected is ValueError:
        assert str(raised.value) == SHAPE_ERROR


@pytest.mark.parametrize(
    "rings,expected",
    [
        ([], ([], [])),
        ([[(0, 0), (1, 1)]], ([], [])),  # two points are ignored
    ],
)
def test_empty_results(rings, expected):
    assert find_holes_mm(rings, 1.0, 0.0) == expected


def test_keywords_integers_and_output_orientation():
    # Every orientation reversed: the clockwise shell covers, the counter-clockwise ring cancels it.
    rings = [square(0, 0, 10, 10, clockwise=True), square(4, 4, 5, 5).astype(np.int64)]
    holes, coverage = find_holes_mm(rings=rings, max_hole_area_mm2=0, max_hole_width_mm=0)
    check_faces(coverage)
    assert holes == [] and len(coverage[0][1]) == 1


@pytest.mark.parametrize(
    "offset",
    [
        (0.0, 0.0),
        (4321.98765, -1234.56789),  # metres away from the origin
        (2.2e13, -2.2e13),  # near the largest accepted grid value
    ],
)
def test_large_artwork_small_hole_found_once(offset):
    ox, oy = offset
    # About six by four metres, with a 1 x 1 mm hole at an odd position.
    shell = square(ox, oy, ox + 6000.12345, oy + 4000.54321)
    hole = square(ox + 3777.77777, oy + 1999.99999, ox + 3778.77777, oy + 2000.99999, clockwise=True)
    holes, coverage = run([shell, hole], 1.5, 0.0)
    assert len(holes) == 1 and holes[0][1] == []
    # Near 2.2e13 mm neighbouring doubles lie 0.004 mm apart.
    assert abs(float(area(holes[0][0])) - 1.0) < 0.02
    assert len(coverage) == 1 and coverage[0][1] == []


def test_twenty_thousand_concentric_rings():
    # Alternating orientations nest coverage, holes and islands 20,000 deep: every walk must be
    # iterative. The holes inside ring 100 (areas 4, 20, ..., 788 mm²) qualify; the 50 annuli
    # they separate merge into one face.
    count = 20000
    rings = [square(-n, -n, n, n, clockwise=(n % 2 == 1)) for n in range(count, 0, -1)]
    holes, coverage = find_holes_mm(rings, 790.0, 0.0)
    assert len(holes) == 50 and len(coverage) == count // 2 - 50 + 1


def test_docstring():
    lines = find_holes_mm.__doc__.split("\n")
    english = [
        "Find enclosed holes and filled coverage in physical millimetres.",
        "    rings: Float64 Nx2 rings, shells CCW and holes CW.",
        "    max_hole_area_mm2: Nonnegative hole area threshold; zero disables it.",
        "    max_hole_width_mm: Nonnegative 2*area/perimeter threshold; zero disables it.",
        "    (holes, filled_coverage), each a list of (shell, interiors) owning arrays.",
        "    ValueError: A setting or coordinate cannot be represented.",
    ]
    for text in english:
        follower = lines[lines.index(text) + 1]
        indent = len(text) - len(text.lstrip())
        assert len(follower) - len(follower.lstrip()) == indent
        assert any("\u4e00" <= ch <= "\u9fff" for ch in follower), "a Chinese rendering follows"
    for heading in ("Args:", "Returns:", "Raises:"):
        index = lines.index(heading)
        assert lines[index - 1] == "" and lines[index + 1].startswith("    ")
