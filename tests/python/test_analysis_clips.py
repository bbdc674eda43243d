"""Clips: rectangle, circle and nested clips narrow what prints; paint wholly outside its clip; the
unprintable fragments and their reasons."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
FULL = '<rect width="100" height="50" fill="#808080"{}/>'


def svg(body):
    return f'<svg {SVG_NS} viewBox="0 0 100 50">{body}</svg>'


def printed_size_mm(result):
    coordinates = result.silhouette.coordinates
    return (coordinates.max(axis=0) - coordinates.min(axis=0)) * result.grid_to_source_unit * result.scale_factor


def clipped(clip, painted=FULL.format(' clip-path="url(#a)"')):
    return f'<clipPath id="a">{clip}</clipPath>' + painted


@pytest.mark.parametrize("body, size", [
    (clipped('<rect x="20" y="10" width="40" height="20"/>'), (40, 20)),
    (clipped('<circle cx="50" cy="25" r="20"/>'), (40, 40)),
    # A curve clipped by a curve: the lens of two circles 10 apart (the source-scale measuring pass
    # once flattened both at 1e-13 of the extent: millions of points, minutes and a gigabyte).
    (clipped('<circle cx="45" cy="25" r="20"/>', '<circle cx="55" cy="25" r="20" fill="red" clip-path="url(#a)"/>'),
     (30, 2 * (400 - 25) ** 0.5)),
    # Nested: the inner group's clip applies inside the outer one.
    (clipped('<rect x="0" y="0" width="60" height="50"/>',
             '<clipPath id="b"><rect x="40" y="10" width="60" height="30"/></clipPath>'
             f'<g clip-path="url(#a)"><g clip-path="url(#b)">{FULL.format("")}</g></g>'), (20, 30)),
])
def test_clips_narrow_the_printed_area(body, size):
    result = core.analyze_svg_svg(svg(body), 80, 0.1)
    assert result.status == "supported", result.reason_code
    # The box narrows to the clipped paint, so the target width is the clipped width.
    width, height = size
    assert result.bbox[2:] == pytest.approx((width, height), abs=0.05)
    assert printed_size_mm(result) == pytest.approx((80, 80 * height / width), abs=0.1)


def test_paint_wholly_outside_its_clip_is_unsupported():
    body = clipped('<rect x="0" y="0" width="10" height="10"/>',
                   '<rect x="50" y="20" width="20" height="20" clip-path="url(#a)"/>')
    result = core.analyze_svg_svg(svg(body), 80, 0.1)
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_clipped_geometry")


def test_paint_clipped_away_beside_printing_paint_is_a_fragment():
    body = clipped('<rect x="0" y="0" width="50" height="50"/>',
                   '<g clip-path="url(#a)"><rect x="5" y="5" width="20" height="20" fill="red"/>'
                   '<rect x="60" y="5" width="20" height="20" fill="blue"/></g>')
    result = core.analyze_svg_svg(svg(body), 80, 0.1)
    assert result.status == "supported", result.reason_code
    fragments = result.unprintable_fragments
    assert fragments.reason_codes == ("clipped_out",)
    assert fragments.reason_ids.tolist() == [5]
    assert fragments.rgba.tolist() == [[0, 0, 255, 255]]
    assert (fragments.draw_indices.tolist(), fragments.source_kinds.tolist(),
            fragments.subpath_indices.tolist()) == ([1], [0], [-1])
    assert result.raw.geometry_count == 1


@pytest.mark.parametrize("body, reasons", [
    ('<path d="M10 10 L40 40"/>', {"line_only"}),           # a fill without area
    ('<path d="M10 10 L10 10 Z"/>', {"point_only", "empty_path"}),
])
def test_fills_without_area_are_fragments(body, reasons):
    result = core.analyze_svg_svg(svg('<rect x="50" y="10" width="20" height="20"/>' + body), 80, 0.1)
    assert result.status == "supported", result.reason_code
    codes = set(result.unprintable_fragments.reason_codes)
    assert codes and codes <= reasons
