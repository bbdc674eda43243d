"""Computed values as recorded: "inherit" takes the parent's value for every property, keywords
and currentColor are read in any case, and markers on arcs stand on the arc's true end points and
tangents. Every expectation is worked out by hand from the document."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
RECT = '<rect width="10" height="10" {}/>'
BLACK, RED, BLUE = (0, 0, 0, 255), (255, 0, 0, 255), (0, 0, 255, 255)
# A user-space marker whose content is a red unit square at its origin: the content's matrix is
# the marker's placement, translate(vertex) . rotate(angle).
MARKERS = ('<marker id="m" orient="auto" markerUnits="userSpaceOnUse" overflow="visible">'
           '<rect width="1" height="1" fill="red"/></marker>'
           '<marker id="r" orient="auto-start-reverse" markerUnits="userSpaceOnUse" overflow="visible">'
           '<rect width="1" height="1" fill="red"/></marker>')
HALF = math.sqrt(0.5)


def placed(x, y, degrees):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    return {"kind": "fill", "rgba": RED, "matrix": (c, s, -s, c, x, y)}


def fill(rgba=BLACK, **fields):
    return {"kind": "fill", "rgba": rgba, **fields}


def group(opacity):
    return {"kind": "group_begin", "group_opacity": opacity}


def path(d, markers):
    return MARKERS + f'<path d="{d}" fill="none" {markers}/>'


CASES = [
    # "inherit" on properties that are not inherited takes the parent's value.
    ("opacity_inherit", '<g opacity="0.5">' + RECT.format('opacity="inherit"') + "</g>",
     [group(0.5), group(0.5), fill()]),
    ("opacity_inherit_any_case", '<g opacity="0.5">' + RECT.format('opacity="INHERIT"') + "</g>",
     [group(0.5), group(0.5), fill()]),
    ("opacity_inherit_from_style_sheet", '<style>rect { opacity: inherit }</style><g opacity="0.25">'
     + RECT.format("") + "</g>", [group(0.25), group(0.25), fill()]),
    ("opacity_inherit_in_style_attribute", '<g opacity="0.25">' + RECT.format('style="opacity:inherit"') + "</g>",
     [group(0.25), group(0.25), fill()]),
    ("opacity_inherit_at_the_root_is_initial", RECT.format('opacity="inherit"'), [fill()]),
    ("display_inherit_shows_under_a_shown_parent", '<g display="inline">' + RECT.format('display="inherit"')
     + "</g>", [fill()]),
    ("vector_effect_inherit", '<g vector-effect="non-scaling-stroke">'
     + RECT.format('fill="none" stroke="red" vector-effect="inherit"') + "</g>",
     [{"kind": "stroke", "rgba": RED, "non_scaling_stroke": True}]),
    ("vector_effect_is_not_inherited", '<g vector-effect="non-scaling-stroke">'
     + RECT.format('fill="none" stroke="red"') + "</g>",
     [{"kind": "stroke", "rgba": RED, "non_scaling_stroke": False}]),
    ("fill_inherit_any_case", '<g fill="blue">' + RECT.format('fill="Inherit"') + "</g>", [fill(BLUE)]),
    # Keywords and currentColor in any case.
    ("current_color_capitalised", '<g color="blue">' + RECT.format('fill="CurrentColor"') + "</g>", [fill(BLUE)]),
    ("current_color_upper_case", '<g color="blue">' + RECT.format('fill="CURRENTCOLOR"') + "</g>", [fill(BLUE)]),
    ("current_color_in_style_sheet", '<style>rect { fill: currentcolor; color: RED }</style>' + RECT.format(""),
     [fill(RED)]),
    ("fill_none_upper_case", RECT.format('fill="NONE" stroke="red"'), [{"kind": "stroke", "rgba": RED}]),
    ("linecap_and_join_upper_case", RECT.format('fill="none" stroke="red" stroke-linecap="ROUND" '
                                                'stroke-linejoin="Bevel"'),
     [{"kind": "stroke", "line_cap": "round", "line_join": "bevel"}]),
    ("fill_rule_mixed_case", RECT.format('fill-rule="EvenOdd"'), [fill(fill_rule="evenodd")]),
    ("display_none_upper_case", RECT.format('display="NONE"'), []),
    ("visibility_hidden_upper_case", RECT.format('visibility="Hidden"'), []),
    # Markers on arcs. A half circle of radius 5 from (10, 10) to (20, 10), clockwise on screen,
    # leaves its start heading up (-90 degrees) and reaches its end heading down (90).
    ("arc_end", path("M10 10 A5 5 0 0 1 20 10", 'marker-end="url(#m)"'), [placed(20, 10, 90)]),
    ("arc_start", path("M10 10 A5 5 0 0 1 20 10", 'marker-start="url(#m)"'), [placed(10, 10, -90)]),
    ("arc_start_reversed", path("M10 10 A5 5 0 0 1 20 10", 'marker-start="url(#r)"'), [placed(10, 10, 90)]),
    ("relative_arc", path("m10 10 a5 5 0 0 1 10 0", 'marker-end="url(#m)"'), [placed(20, 10, 90)]),
    # The cubics that draw the arc meet at no vertex of the path.
    ("arc_has_no_mid_vertex", path("M10 10 A5 5 0 0 1 20 10", 'marker-mid="url(#m)"'), []),
    # Joins: the bisector of the arc's end tangent (90) and the line (0), of the line (0) and the
    # arc's start tangent (-90).
    ("arc_then_line", path("M10 10 A5 5 0 0 1 20 10 L30 10", 'marker-mid="url(#m)"'), [placed(20, 10, 45)]),
    ("line_then_arc", path("M0 10 L10 10 A5 5 0 0 1 20 10", 'marker-mid="url(#m)"'), [placed(10, 10, -45)]),
    # Quarter of an ellipse about (0, 5) with radii 10 and 5, from its top (heading right) to its
    # right end (heading down); the same quarter turned by 90 degrees about (0, 10).
    ("elliptical_arc", path("M0 0 A10 5 0 0 1 10 5", 'marker-start="url(#m)" marker-end="url(#m)"'),
     [placed(0, 0, 0), placed(10, 5, 90)]),
    ("rotated_arc", path("M0 0 A10 5 90 0 1 5 10", 'marker-start="url(#m)" marker-end="url(#m)"'),
     [placed(0, 0, 0), placed(5, 10, 90)]),
    # Degenerate arcs: a zero radius draws the line; an arc ending where it starts is left out.
    ("zero_radius_arc_is_a_line", path("M10 10 A0 5 0 0 1 20 20", 'marker-end="url(#m)"'), [placed(20, 20, 45)]),
    ("arc_onto_its_start_is_omitted", path("M0 0 L10 0 A5 5 0 0 1 10 0 L10 10", 'marker-mid="url(#m)"'),
     [placed(10, 0, 45)]),
    # A circle of two halves, closed: the close has no length and keeps the second half's end
    # tangent (up, -90), as does the first half's start.
    ("closed_circle", path("M10 10 A5 5 0 0 1 20 10 A5 5 0 0 1 10 10 Z", 'marker-end="url(#m)"'),
     [placed(10, 10, -90)]),
    # A quadratic curve ends heading from its control point (10, 0) to (10, 10).
    ("quadratic_end", path("M0 0 Q10 0 10 10", 'marker-end="url(#m)"'), [placed(10, 10, 90)]),
]


def summary(command, keys):
    values = {"kind": command.kind, "rgba": command.rgba, "group_opacity": command.group_opacity,
              "paint_opacity": command.paint_opacity, "matrix": command.matrix, "fill_rule": command.fill_rule,
              "non_scaling_stroke": command.non_scaling_stroke, "line_cap": command.stroke.line_cap,
              "line_join": command.stroke.line_join}
    return {key: values[key] for key in keys}


@pytest.mark.parametrize("body,expected", [case[1:] for case in CASES], ids=[case[0] for case in CASES])
def test_recorded_values(body, expected):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{body}</svg>')
    assert (result.status, result.reason_code) == ("supported", "")
    commands = [c for c in result.commands if c.kind != "group_end"]
    assert [c.kind for c in commands] == [e["kind"] for e in expected]
    for command, wanted in zip(commands, expected):
        got, wanted = summary(command, wanted), dict(wanted)
        if "matrix" in wanted:
            assert got.pop("matrix") == pytest.approx(wanted.pop("matrix"), abs=1e-6)
        assert got == wanted


@pytest.mark.parametrize("d", ["M0.1 0 A5 5 0 0 1 10 0", "M0 0 A5 5 0 0 1 10 0.1"])
def test_arc_markers_on_vertices_off_the_float_grid_are_refused(d):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">'
                                            + path(d, 'stroke="red" marker-end="url(#m)"') + "</svg>")
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_input_precision")
