"""Layout results as the recording shows them: exact opacities and alpha, stroke data read
from the text, marker placement, marker boxes and the root viewport."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def supported(body, attrs='width="100" height="100"'):
    result = core.record_paint_commands_svg(f"<svg {SVG_NS} {attrs}>{body}</svg>")
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def only(result, kind):
    commands = [c for c in result.commands if c.kind == kind]
    assert len(commands) == 1, [c.kind for c in result.commands]
    return commands[0]


# --- opacity and alpha --------------------------------------------------------------------------

def test_fill_opacity_below_float_range_stays_partial():
    fill = only(supported('<rect width="10" height="10" fill-opacity="1e-46"/>'), "fill")
    assert fill.paint_opacity == 1e-46
    assert fill.has_partial_alpha


@pytest.mark.parametrize(
    "fill,rgba,opacity",
    [
        ("#f008", (255, 0, 0, 136), 8 / 15),
        ("#ff000080", (255, 0, 0, 128), 128 / 255),
        ("rgba(0,0,255,0.5)", (0, 0, 255, 128), 0.5),
        ("rgba(0,0,255,25%)", (0, 0, 255, 64), 0.25),
        ("red", (255, 0, 0, 255), 1.0),
    ],
)
def test_colour_alpha_is_exact(fill, rgba, opacity):
    command = only(supported(f'<rect width="10" height="10" fill="{fill}"/>'), "fill")
    assert command.rgba == rgba
    assert command.paint_opacity == opacity
    assert command.has_partial_alpha == (opacity < 1)


@pytest.mark.parametrize("fill", ["transparent", "none", "rgba(0,0,0,0)"])
def test_invisible_fills_record_nothing(fill):
    assert supported(f'<rect width="10" height="10" fill="{fill}"/>').commands == ()


def test_current_color_carries_the_exact_alpha_of_color():
    command = only(supported('<g color="rgba(0,0,0,0.3)"><rect width="1" height="1" fill="currentColor"/></g>'),
                   "fill")
    assert command.paint_opacity == 0.3


# --- stroke data --------------------------------------------------------------------------------

def test_stroke_data_is_read_again_from_the_text():
    stroke = only(
        supported('<path d="M0 0 L10 0" fill="none" stroke="black" stroke-width="2mm" '
                  'stroke-miterlimit="4.1" stroke-dasharray="0.1 1mm" stroke-dashoffset="0.3"/>'),
        "stroke").stroke
    assert stroke.width == 7.559055118110237
    assert stroke.miter_limit == 4.1
    assert stroke.dash_array == (0.1, 3.7795275590551185)
    assert stroke.dash_offset == 0.3


def test_em_stroke_width_uses_the_elements_font_size():
    stroke = only(supported('<path d="M0 0 L10 0" fill="none" stroke="black" font-size="20" stroke-width="2em"/>'),
                  "stroke").stroke
    assert stroke.width == 40.0


# --- markers ------------------------------------------------------------------------------------

def test_mid_marker_bisects_the_corner():
    result = supported('<marker id="m" orient="auto" markerUnits="userSpaceOnUse">'
                       '<path d="M0 0 L1 0"/></marker>'
                       '<path d="M0 0 L10 0 L10 10" fill="none" stroke="black" marker-mid="url(#m)"/>')
    fills = [c for c in result.commands if c.kind == "fill"]
    assert len(fills) == 1
    a, b, c, d, e, f = fills[0].matrix
    assert math.isclose(a, math.cos(math.pi / 4), abs_tol=1e-6)
    assert math.isclose(b, math.sin(math.pi / 4), abs_tol=1e-6)
    assert (e, f) == (10.0, 0.0)


def test_self_referencing_marker_has_finite_bounds():
    result = supported('<marker id="m" markerUnits="userSpaceOnUse" overflow="visible">'
                       '<path d="M0 0 L2 0 L2 2" fill="black" marker-end="url(#m)"/></marker>'
                       '<path d="M0 0 L5 0" fill="none" stroke="black" marker-end="url(#m)"/>')
    x, y, w, h = result.bounds
    assert all(math.isfinite(v) for v in result.bounds)
    assert x + w >= 7.0  # the marker content reaches 2 units past the end point


# --- root size ----------------------------------------------------------------------------------

def test_percentage_root_viewport_differs_from_the_rendered_frame():
    # The viewport falls back to the viewBox size; rendering resolves 50% against the viewBox
    # width, so the content is drawn at half scale. Both are kept as they are.
    result = supported('<rect width="40" height="20"/>', 'width="50%" viewBox="0 0 40 20"')
    assert result.viewport == (0.0, 0.0, 40.0, 20.0)
    a, b, c, d, e, f = only(result, "fill").matrix
    assert (a, d) == (0.5, 0.5)
