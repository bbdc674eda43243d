"""Exact double-precision geometry of recorded shapes, checked through the
module; the arc error bound is checked with exact rational arithmetic."""

from fractions import Fraction

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def only_command(shape):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{shape}</svg>')
    assert result.status == "supported", (result.status, result.reason_code)
    assert len(result.commands) == 1
    return result.commands[0]


def test_half_circle_arc_lowers_to_eight_cubics():
    command = only_command('<path d="M0 0 A10 10 0 0 1 20 0"/>')
    assert command.path_verbs == ("move_to",) + ("cubic_to",) * 8
    assert command.path_points[0] == (0.0, 0.0)
    assert command.path_points[-1] == (20.0, 0.0)
    assert command.source_has_lowered_curve is True
    assert command.path_coordinates_exact is True
    assert command.path_lowering_precision_error >= 1e-5
    assert command.path_input_precision_error == 0.0


def test_circle_starts_at_its_right_end():
    command = only_command('<circle r="10"/>')
    assert command.path_verbs == ("move_to",) + ("cubic_to",) * 16 + ("close",)
    assert command.path_points[0] == (10.0, 0.0)
    assert command.path_points[24] == (-10.0, 0.0)
    assert command.source_has_lowered_curve is True


@pytest.mark.parametrize(
    "shape,points",
    [
        ('<path d="M0.1 0.2 L 3 4"/>', ((0.1, 0.2), (3.0, 4.0))),
        ('<path d="m 1 2 3 4 h 1 v -1 z"/>', ((1.0, 2.0), (4.0, 6.0), (5.0, 6.0), (5.0, 5.0))),
        ('<polygon points="0.1,0.2 0.3,0.4 0.5,0.1"/>', ((0.1, 0.2), (0.3, 0.4), (0.5, 0.1))),
        ('<rect x="0.1" y="0.2" width="0.3" height="0.4"/>',
         ((0.1, 0.2), (0.1 + 0.3, 0.2), (0.1 + 0.3, 0.2 + 0.4), (0.1, 0.2 + 0.4))),
        ('<line x1="0.1" y1="1mm" x2="2" y2="3" fill="none" stroke="black"/>', ((0.1, 3.7795275590551185), (2.0, 3.0))),
    ],
)
def test_points_are_the_doubles_of_the_text(shape, points):
    command = only_command(shape)
    assert command.path_points == points
    assert command.path_coordinates_exact is True


def test_rect_radius_defaults_and_clamps():
    command = only_command('<rect width="100" height="50" rx="5"/>')
    assert command.path_points[0] == (5.0, 0.0)
    assert command.path_points[1] == (95.0, 0.0)
    assert command.path_points[13] == (100.0, 5.0)
    clamped = only_command('<rect width="100" height="50" rx="80"/>')
    assert clamped.path_points[0] == (50.0, 0.0)


def deviation_exceeds(command, cx, cy, r, bound):
    """True when a sampled point of a cubic lies further than `bound` from the
    circle (cx, cy, r), in exact rational arithmetic."""
    cx, cy, r, bound = map(Fraction, (cx, cy, r, bound))
    inner = max(r - bound, Fraction(0)) ** 2
    outer = (r + bound) ** 2
    points = [tuple(map(Fraction, p)) for p in command.path_points]
    index = 0
    current = None
    for verb in command.path_verbs:
        if verb == "move_to":
            current = points[index]
            index += 1
        elif verb == "cubic_to":
            c1, c2, c3 = points[index:index + 3]
            index += 3
            for step in range(9):
                t = Fraction(step, 8)
                s = 1 - t
                x = s**3 * current[0] + 3 * s * s * t * c1[0] + 3 * s * t * t * c2[0] + t**3 * c3[0]
                y = s**3 * current[1] + 3 * s * s * t * c1[1] + 3 * s * t * t * c2[1] + t**3 * c3[1]
                d2 = (x - cx) ** 2 + (y - cy) ** 2
                if d2 < inner or d2 > outer:
                    return True
            current = c3
    return False


@pytest.mark.parametrize(
    "cx,cy,r",
    [(0, 0, 10), (2.6e6, 0, 0.45), (-7.5e7, 330000, 12.3), (123456.789, -98765.4321, 0.1)],
)
def test_circle_lowering_bound_holds_far_from_the_origin(cx, cy, r):
    command = only_command(f'<circle cx="{cx!r}" cy="{cy!r}" r="{r!r}"/>')
    assert not deviation_exceeds(command, cx, cy, r, command.path_lowering_precision_error)
    # The check is tight enough to notice a bound ten thousand times smaller.
    assert deviation_exceeds(command, cx, cy, r, command.path_lowering_precision_error * 1e-4)


POINTS_PER_VERB = {"move_to": 1, "line_to": 1, "cubic_to": 3, "close": 0}

INVARIANT_DOCUMENTS = [
    '<path d="M0 0 L1 1 M2 2 Q 3 3 4 2 T 6 2 M 7 7 A 3 2 30 1 0 9 9 z" stroke="red"/>',
    '<g opacity="0.5"><rect width="10" height="5" rx="2" stroke="blue"/></g>',
    '<circle cx="5" cy="5" r="3"/><ellipse rx="4" ry="1" fill="green"/>',
    '<polyline points="0,0 5,5 10,0" fill="none" stroke="black"/><polygon points="0 0 1 0 1 1"/>',
    '<svg x="1" y="1" width="20" height="20" overflow="hidden"><rect width="50" height="50"/></svg>',
]


@pytest.mark.parametrize("shapes", INVARIANT_DOCUMENTS)
def test_recorded_commands_keep_their_invariants(shapes):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{shapes}</svg>')
    assert result.status == "supported", (result.status, result.reason_code)
    assert result.commands
    for command in result.commands:
        assert len(command.path_points) == sum(POINTS_PER_VERB[v] for v in command.path_verbs)
        assert len(command.source_subpath_area_potential) == command.path_verbs.count("move_to")
        assert command.transform_coordinates_exact is True
        if command.kind in ("clip_end", "group_begin", "group_end"):
            assert command.path_verbs == () and command.path_points == ()
        expected_source = {"fill": "fill", "stroke": "stroke", "clip_begin": "clip", "clip_end": "clip_end",
                           "group_begin": "group", "group_end": "group"}[command.kind]
        assert command.source_kind == expected_source
