"""Paint outside the viewport never prints: a full-bleed background prints at the asked width, and
far-away paint neither widens the print nor fails the document."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def svg(body):
    return f'<svg {SVG_NS} viewBox="0 0 100 50">{body}</svg>'


def printed_extent_mm(collection, result):
    coordinates = collection.coordinates
    return (coordinates.max(axis=0) - coordinates.min(axis=0)) * result.grid_to_source_unit * result.scale_factor


@pytest.mark.parametrize("body", [
    '<rect x="-10" y="-10" width="120" height="70"/>',                        # full bleed
    '<rect x="-10" y="-10" width="120" height="70" fill-opacity="0.5"/>',     # translucent full bleed
    '<rect width="100" height="50"/><rect x="100000" y="0" width="10" height="10"/>',  # far away
    '<rect width="100" height="50"/><rect x="1e30" y="1e30" width="1e29" height="1e29"/>',
    '<rect width="100" height="50"/><circle cx="1e30" cy="3" r="5"/>',  # imprecise, but off the page
    '<rect width="100" height="50"/><circle cx="1e30" cy="3" r="5" fill="none" stroke="red"/>',
    '<clipPath id="c"><rect x="-20" y="-20" width="200" height="100"/></clipPath>'
    '<rect x="-10" y="-10" width="120" height="70" clip-path="url(#c)"/>',   # clip larger than the page
    '<clipPath id="c"><rect width="100" height="50"/></clipPath>'
    '<g clip-path="url(#c)"><rect width="100" height="50"/><rect x="100000" width="10" height="10"/></g>',
])
def test_only_the_viewport_prints(body):
    result = core.analyze_svg_svg(svg(body), 80, 0.1)
    assert result.status == "supported", result.reason_code
    assert result.bbox == pytest.approx((0, 0, 100, 50))
    for collection in (result.raw, result.visible, result.silhouette):
        assert printed_extent_mm(collection, result) == pytest.approx((80, 40), abs=0.1)
