"""Strokes through the analysis: hairlines, closed two-point paths, dashes on extreme scales, hostile
patterns and strokes far outside the view box."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
STROKE_COLLAPSE = 6


def analyze(body):
    return core.analyze_svg_svg(f'<svg {SVG_NS} viewBox="0 0 100 50">{body}</svg>', 80.0, 0.1)


def test_hairline_rectangle_does_not_print_as_its_interior():
    result = analyze('<rect x="10" y="10" width="80" height="30" fill="none" stroke="#000" stroke-width="2e-11"/>')
    assert len(result.raw.coordinates) == 0
    assert list(result.unprintable_fragments.reason_ids) == [STROKE_COLLAPSE]


@pytest.mark.parametrize("body, bbox", [
    # There and back: SVG draws both ends flat.
    ('<path d="M10 25 L90 25 Z" fill="none" stroke="#000" stroke-width="2" stroke-linecap="square"/>',
     (10, 24, 80, 2)),
    # A segment of 1e-20 inside a 200-unit dash is no progress fault.
    ('<path d="M0 25 L1e-20 25 L100 25" fill="none" stroke="#000" stroke-dasharray="200 10"/>', (0, 24.5, 100, 1)),
    # A square miter within the limit reaches the corner of the outline.
    ('<path d="M10 10 L40 10 L40 40" fill="none" stroke="#000" stroke-width="2"/>', (10, 9, 31, 31)),
])
def test_stroke_bounds(body, bbox):
    result = analyze(body)
    assert result.status == "supported"
    assert result.bbox == pytest.approx(bbox, abs=1e-3)


def test_hostile_dash_pattern_is_refused():
    result = analyze('<path d="M10 10 L90 10" fill="none" stroke="#000" stroke-dasharray="1e-12 1e-12"/>')
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")


def test_stroke_far_outside_the_view_box_is_no_range_error():
    result = analyze('<rect x="10" y="10" width="80" height="30"/>'
                     '<path d="M100000 10 L100010 10" fill="none" stroke="#000" stroke-width="2"/>')
    assert result.status == "supported"
    assert len(result.raw.coordinates) > 0
