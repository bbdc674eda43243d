from fractions import Fraction

import numpy as np
import pytest

from _pavrix_svg_compensation import find_holes_mm

SHAPE_ERROR = "SVG compensation rings require float64 Nx2 coordinates"
RANGE_ERROR = "SVG compensation coordinate is non-finite or outside the native range"
AREA_ERROR = "max_hole_area_mm2 must be finite and nonnegative"
WIDTH_ERROR = "max_hole_width_mm must be finite and nonnegative"


def square(x0, y0, x1, y1, clockwise=False):
    ring = [(x0, y0), (x1, y0), (x1, y1), (x0, y1)]
    return np.array(ring[::-1] if clockwise else ring, dtype=np.float64)


def area(ring):
    x, y = [Fraction(v) for v in ring[:, 0]], [Fraction(v) for v in ring[:, 1]]
    return sum(x[i - 1] * y[i] - x[i] * y[i - 1] for i in range(len(x))) / 2


def run(rings, max_area, max_width):
    # Owning float64 (N, 2) rings, not closed; shells CCW and interiors CW whatever the input.
    result = find_holes_mm(rings, max_area, max_width)
    for faces in result:
        for shell, interiors in faces:
            for ring, sign in [(shell, 1)] + [(r, -1) for r in interiors]:
                assert ring.dtype == np.float64 and ring.shape[1] == 2 and ring.flags.owndata
                assert tuple(ring[0]) != tuple(ring[-1])
                assert area(ring) * sign > 0
    return result


def summary(faces):
    return sorted((area(shell), sorted(area(r) for r in interiors)) for shell, interiors in faces)


SQUARE_WITH_HOLE = [square(0, 0, 10, 10), square(4, 4, 5, 5, clockwise=True)]
FILLED = ([(1, [])], [(100, [])])
KEPT = ([], [(100, [-1])])


@pytest.mark.parametrize(
    "max_area,max_width,expected",
    [
        (0.0, 0.0, KEPT),  # both tests off
        (-0.0, -0.0, KEPT),
        (1.0, 0.0, FILLED),  # area 1 mm² qualifies with equality
        (0.999, 0.0, KEPT),
        (0.0, 0.5, FILLED),  # width 2·1/4 = 0.5 with equality
        (0.0, 0.4999, KEPT),
        (0.999, 0.5, FILLED),  # either test suffices
    ],
)
def test_square_hole_thresholds(max_area, max_width, expected):
    holes, coverage = run(SQUARE_WITH_HOLE, max_area, max_width)
    assert (summary(holes), summary(coverage)) == expected


@pytest.mark.parametrize(
    "rings,max_area,expected",
    [
        ([square(0, 0, 10, 10), square(4, 4, 5, 5)], 1e6, ([], [(100, [])])),  # CCW inner ring: covered
        # A notch open to the outside is never a hole.
        ([np.array([(0, 0), (10, 0), (10, 10), (6, 10), (6, 4), (4, 4), (4, 10), (0, 10)])], 1e6, ([], [(88, [])])),
        # Every orientation reversed: the clockwise shell covers, the counter-clockwise ring cancels it.
        ([square(0, 0, 10, 10, True), square(4, 4, 5, 5).astype(np.int64)], 0, ([], [(100, [-1])])),
        # Island in a hole of 36 - 4 = 32 mm²: filled with it, or kept with the island as its own face.
        ([square(0, 0, 10, 10), square(2, 2, 8, 8, True), square(4, 4, 6, 6)], 32, ([(36, [-4])], [(100, [])])),
        ([square(0, 0, 10, 10), square(2, 2, 8, 8, True), square(4, 4, 6, 6)], 31.9, ([], [(4, []), (100, [-36])])),
        # A small hole inside the island of a large kept hole: only the small one is filled.
        (
            [square(0, 0, 10, 10), square(2, 2, 8, 8, True), square(3, 3, 7, 7), square(4, 4, 4.5, 4.5, True)],
            1,
            ([(Fraction(1, 4), [])], [(16, []), (100, [-36])]),
        ),
        ([], 1, ([], [])),
        ([[(0, 0), (1, 1)]], 1, ([], [])),  # two points are ignored
    ],
)
def test_hole_structure(rings, max_area, expected):
    holes, coverage = run(rings, max_area, 0.0)
    assert (summary(holes), summary(coverage)) == expected


@pytest.mark.parametrize(
    "max_area,max_width,message",
    [
        (-1e-300, 0.0, AREA_ERROR),
        (float("nan"), 0.0, AREA_ERROR),
        (float("inf"), 0.0, AREA_ERROR),
        (0.0, -1.0, WIDTH_ERROR),
        (0.0, float("-inf"), WIDTH_ERROR),
        (-1.0, -1.0, AREA_ERROR),  # area checked first
    ],
)
def test_setting_errors_come_before_rings(max_area, max_width, message):
    with pytest.raises(ValueError, match=f"^{message}$"):
        find_holes_mm(5, max_area, max_width)


class RaisingRing:
    def __init__(self, error):
        self.error = error

    def __array__(self, dtype=None, copy=None):
        raise self.error


@pytest.mark.parametrize(
    "rings,error,message",
    [
        (5, TypeError, None),
        ([np.zeros((3, 3))], ValueError, SHAPE_ERROR),
        ([np.zeros(6)], ValueError, SHAPE_ERROR),
        ([[(0, 0), (1,)]], ValueError, SHAPE_ERROR),
        ([square(0, 0, 1, 1), "later bad item"], ValueError, SHAPE_ERROR),
        ([RaisingRing(TypeError("no"))], ValueError, SHAPE_ERROR),  # a conversion failure
        # Other Python errors are never replaced or cleared.
        ([RaisingRing(MemoryError())], MemoryError, None),
        ([RaisingRing(KeyboardInterrupt())], KeyboardInterrupt, None),
        ([[(0, 0), (1, float("nan")), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (float("inf"), 0), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (2.4e13, 0), (1, 1)]], ValueError, RANGE_ERROR),
        ([[(0, 0), (0, -2.4e13), (1, 1)]], ValueError, RANGE_ERROR),
        # 2^61 grid units itself is one past Clipper2's largest coordinate.
        ([[(0, 0), (2.0**61 / 1e5, 0), (1, 1)]], ValueError, RANGE_ERROR),
    ],
)
def test_ring_errors(rings, error, message):
    with pytest.raises(error) as raised:
        find_holes_mm(rings, 1.0, 0.0)
    assert message is None or str(raised.value) == message


def test_largest_accepted_coordinate():
    below = np.nextafter(2.0**61, 0) / 1e5
    while below * 1e5 >= 2.0**61:
        below = np.nextafter(below, 0)
    holes, coverage = run([[(0, 0), (below, 0), (0, 2.3e13)]], 0.0, 0.0)
    assert holes == [] and len(coverage) == 1


@pytest.mark.parametrize("offset", [(0.0, 0.0), (4321.98765, -1234.56789), (2.2e13, -2.2e13)])
def test_large_artwork_small_hole_found_once(offset):
    # About six by four metres with a 1 x 1 mm hole at an odd position: products of coordinate
    # differences pass 2^53 grid units², where double predicates would flip.
    ox, oy = offset
    shell = square(ox, oy, ox + 6000.12345, oy + 4000.54321)
    hole = square(ox + 3777.77777, oy + 1999.99999, ox + 3778.77777, oy + 2000.99999, clockwise=True)
    holes, coverage = run([shell, hole], 1.5, 0.0)
    assert len(holes) == 1 and holes[0][1] == [] and len(coverage) == 1 and coverage[0][1] == []
    # Near 2.2e13 mm neighbouring doubles lie 0.004 mm apart.
    assert abs(float(area(holes[0][0])) - 1.0) < 0.02


def test_twenty_thousand_concentric_rings():
    # Alternating orientations nest coverage, holes and islands 20,000 deep: every walk must be
    # iterative. The holes inside ring 100 (areas 4, 20, ..., 788 mm²) qualify; the 50 annuli
    # they separate merge into one face.
    count = 20000
    rings = [square(-n, -n, n, n, clockwise=(n % 2 == 1)) for n in range(count, 0, -1)]
    holes, coverage = find_holes_mm(rings, 790.0, 0.0)
    assert len(holes) == 50 and len(coverage) == count // 2 - 50 + 1


def test_docstring_and_keywords():
    lines = find_holes_mm.__doc__.split("\n")
    for text in [
        "Find enclosed holes and filled coverage in physical millimetres.",
        "    rings: Float64 Nx2 rings, shells CCW and holes CW.",
        "    max_hole_area_mm2: Nonnegative hole area threshold; zero disables it.",
        "    max_hole_width_mm: Nonnegative 2*area/perimeter threshold; zero disables it.",
        "    (holes, filled_coverage), each a list of (shell, interiors) owning arrays.",
        "    ValueError: A setting or coordinate cannot be represented.",
    ]:
        follower = lines[lines.index(text) + 1]  # a Chinese rendering, indented the same way
        assert len(follower) - len(follower.lstrip()) == len(text) - len(text.lstrip())
        assert any("\u4e00" <= ch <= "\u9fff" for ch in follower)
    for heading in ("Args:", "Returns:", "Raises:"):
        assert lines[lines.index(heading) - 1] == ""
    assert find_holes_mm(rings=[], max_hole_area_mm2=1, max_hole_width_mm=0) == ([], [])
