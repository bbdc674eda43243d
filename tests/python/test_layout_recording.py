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


# Orientation along the path's direction: at a segment's start towards its first control point
# that differs from the start, at its end from the last one that differs from the end; a
# zero-length segment takes its neighbours' direction; an open subpath is only left at its first
# vertex and only entered at its last; a closed one is entered at its start along its close and
# left at its end along its first segment; with both directions the marker takes their bisector.
DEGENERATE = "M 40 155 C 40 155 100 40 100 40 C 160 40 160 125 160 160"
STEEP = math.degrees(math.atan2(-115, 60))  # from (40, 155) towards (100, 40)
ALL = "start mid end"


@pytest.mark.parametrize(
    "d,placements,instances",
    [
        (DEGENERATE, ALL, [(40, 155, STEEP), (100, 40, STEEP / 2), (160, 160, 90)]),
        (DEGENERATE, "reverse", [(40, 155, STEEP + 180)]),
        ("M 0 0 C 0 0 0 0 10 10", ALL, [(0, 0, 45), (10, 10, 45)]),
        ("M 0 0 Q 0 0 3 3", ALL, [(0, 0, 45), (3, 3, 45)]),
        ("M 20 20 L 60 60 M 100 20 L 140 60", "mid", [(60, 60, 45), (100, 20, 45)]),
        ("M 0 0 L 10 0 L 10 10 Z", ALL, [(0, 0, -67.5), (10, 0, 45), (10, 10, 157.5), (0, 0, -67.5)]),
        ("M 0 0 L 10 0 L 10 10 Z", "reverse", [(0, 0, 112.5)]),
        ("M 0 0 L 10 0 L 10 10 L 0 0 Z", "mid end", [(10, 0, 45), (10, 10, 157.5), (0, 0, -135), (0, 0, -67.5)]),
        ("M 0 0 L 0 10 L 10 10 Z M 20 0 L 30 0", "mid", [(0, 10, 45), (10, 10, -67.5), (0, 0, 157.5), (20, 0, 0)]),
        ("M 0 0 L 0 0 L 0 10", ALL, [(0, 0, 90), (0, 0, 90), (0, 10, 90)]),
        ("M 0 0 L 0 10 L 0 10 L 10 10", "mid", [(0, 10, 90), (0, 10, 45)]),
    ],
    ids=["degenerate-controls", "degenerate-controls-reversed", "controls-at-start", "quadratic-control-at-start",
         "subpath-ends", "closed", "closed-reversed", "zero-length-close", "closed-then-moved", "zero-length-first",
         "zero-length-inside"],
)
def test_marker_orientation(d, placements, instances):
    markers = "".join(f'<marker id="{name}" orient="{orient}" overflow="visible" markerUnits="userSpaceOnUse">'
                      '<rect width="1" height="1"/></marker>'
                      for name, orient in (("m", "auto"), ("reverse", "auto-start-reverse")))
    refs = " ".join("marker-start=\"url(#reverse)\"" if p == "reverse" else f'marker-{p}="url(#m)"'
                    for p in placements.split())
    body = f'{markers}<path d="{d}" fill="none" {refs}/>'
    recorded = []
    for command in supported(body, 'width="200" height="200"').commands:
        a, b, _, _, e, f = command.matrix
        recorded.append((e, f, math.degrees(math.atan2(b, a))))
    assert len(recorded) == len(instances)
    for (x, y, angle), (ex, ey, expected) in zip(recorded, instances):
        assert (x, y) == (ex, ey)
        assert (angle - expected + 180) % 360 - 180 == pytest.approx(0, abs=1e-4)
    analysis = core.analyze_svg_svg(f'<svg {SVG_NS} width="200" height="200">{body}</svg>', 80, 0.1)
    assert (analysis.status, analysis.reason_code) == ("supported", "")


BLACK, WHITE, NONE = (0, 0, 0, 255), (255, 255, 255, 255), (0, 0, 0, 0)
LINE_WITH_MARKER = '<path d="M 10 10 L 50 50" fill="none" stroke="black" marker-end="url(#m)"/>'
CIRCLE_MARKER = '<marker id="m" overflow="inherit"><circle r="12"/></marker>'


@pytest.mark.parametrize(
    "body,reason,commands",
    [
        # inherit on overflow takes the parent's value: visible outside viewports, here hidden
        (CIRCLE_MARKER + LINE_WITH_MARKER, "", [("stroke", BLACK), ("fill", BLACK)]),
        (f"<defs>{CIRCLE_MARKER}</defs>{LINE_WITH_MARKER}", "", [("stroke", BLACK), ("fill", BLACK)]),
        (f'<g overflow="hidden">{CIRCLE_MARKER}</g>{LINE_WITH_MARKER}', "",
         [("stroke", BLACK), ("clip_begin", WHITE), ("fill", BLACK), ("clip_end", NONE)]),
        # currentColor is inherited as the keyword and resolved with the painting element's color
        ('<g fill="currentColor"><g color="green"><rect width="5" height="5"/></g></g>', "",
         [("fill", (0, 128, 0, 255))]),
        ('<g stroke="currentColor" color="red"><rect width="5" height="5" fill="none" color="blue"/></g>', "",
         [("stroke", (0, 0, 255, 255))]),
        # transform-origin is refused as an attribute as it is as a property, once something paints
        ('<rect width="5" height="5" transform="rotate(45)" transform-origin="100 100"/>',
         "unsupported_css_property", []),
        ('<g transform-origin="100 100"><rect width="5" height="5"/></g>', "unsupported_css_property", []),
        ('<rect width="5" height="5" fill="none" transform-origin="1 1"/><rect width="5" height="5"/>', "",
         [("fill", BLACK)]),
    ],
    ids=["overflow-inherit-from-root", "overflow-inherit-from-defs", "overflow-inherit-hidden",
         "current-color-fill", "current-color-stroke", "transform-origin", "transform-origin-on-group",
         "transform-origin-paints-nothing"],
)
def test_inherited_values_and_refused_attributes(body, reason, commands):
    svg = f'<svg {SVG_NS} width="100" height="100">{body}</svg>'
    result = core.record_paint_commands_svg(svg)
    status = "unsupported" if reason else "supported"
    assert (result.status, result.reason_code) == (status, reason)
    assert [(c.kind, c.rgba) for c in result.commands] == commands
    analysis = core.analyze_svg_svg(svg, 80, 0.1)
    assert (analysis.status, analysis.reason_code) == (status, reason)


# --- root size ----------------------------------------------------------------------------------

def test_percentage_root_viewport_differs_from_the_rendered_frame():
    # The viewport falls back to the viewBox size; rendering resolves 50% against the viewBox
    # width, so the content is drawn at half scale. Both are kept as they are.
    result = supported('<rect width="40" height="20"/>', 'width="50%" viewBox="0 0 40 20"')
    assert result.viewport == (0.0, 0.0, 40.0, 20.0)
    a, b, c, d, e, f = only(result, "fill").matrix
    assert (a, d) == (0.5, 0.5)
