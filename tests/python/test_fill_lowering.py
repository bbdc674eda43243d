import math

import numpy as np
import pytest

import _pavrix_svg_core as core

if not hasattr(core, "analyze_svg_svg"):
    pytest.skip("analysis functions are not registered in this build", allow_module_level=True)

VIEW = '<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 100 100">{}</svg>'
SQUARE = '<rect x="10" y="10" width="50" height="50"/>'


def analyze(body, width_mm=100.0, tolerance_mm=0.05):
    return core.analyze_svg_svg(VIEW.format(body), width_mm, tolerance_mm)


def fragments(result):
    collection = result.unprintable_fragments
    return list(zip(collection.reason_codes, (int(i) for i in collection.subpath_indices)))


@pytest.mark.parametrize(
    "why, body, expected",
    [
        ("far beyond the view box", SQUARE + '<rect x="100000" y="0" width="10" height="10"/>', [("clipped_out", -1)]),
        ("beyond the grid's range", SQUARE + '<rect x="1e13" y="0" width="10" height="10"/>', [("clipped_out", -1)]),
        ("coincident squares under evenodd",
         SQUARE + '<path fill-rule="evenodd" d="M70 70 h10 v10 h-10 Z M70 70 h10 v10 h-10 Z"/>',
         [("fill_rule_cancelled", -1)]),
        ("collapsed subpaths keep their index",
         '<path d="M10 10 h50 v50 h-50 Z M 70 70 L 80 80 Z M 90 90 Z"/>', [("line_only", 1), ("point_only", 2)]),
        ("drawing after close keeps the subpath index", '<path d="M10 10 h50 v50 h-50 Z L 5 5"/>',
         [("area_collapse", 0)]),
    ],
)
def test_unprintable_fill_fragments(why, body, expected):
    result = analyze(body)
    assert (result.status, result.reason_code) == ("supported", ""), why
    assert fragments(result) == expected, why


def test_full_bleed_background_does_not_widen_the_print():
    result = analyze('<rect x="-50" y="-50" width="200" height="200" fill="red"/>' + SQUARE)
    assert result.status == "supported"
    assert tuple(result.bbox) == pytest.approx((0.0, 0.0, 100.0, 100.0))


def test_circle_area_within_tolerance():
    result = analyze('<circle cx="50" cy="50" r="30"/>')
    raw = result.raw
    xy = np.asarray(raw.coordinates, dtype=np.float64) * result.grid_to_source_unit
    offsets = np.asarray(raw.ring_offsets)
    assert len(offsets) == 2
    x, y = xy[:, 0], xy[:, 1]
    area = abs(np.dot(x[:-1], y[1:]) - np.dot(x[1:], y[:-1])) / 2
    tolerance_source = 0.05 / result.scale_factor
    assert area == pytest.approx(math.pi * 30 * 30, abs=2 * math.pi * 30 * tolerance_source)
