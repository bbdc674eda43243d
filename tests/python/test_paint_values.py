"""Paint values as recorded: colours with their exact alpha, opacities kept in double precision,
inheritance of paint properties, stroke data read from the source text, and the composition of
exact transforms along the element chain."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
RECT = '<rect width="10" height="10" {}/>'


def supported(body):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{body}</svg>')
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def kinds(result):
    return [c.kind for c in result.commands]


def only(result, kind):
    commands = [c for c in result.commands if c.kind == kind]
    assert len(commands) == 1, kinds(result)
    return commands[0]


# --- opacity of groups --------------------------------------------------------------------------

@pytest.mark.parametrize(
    "opacity,group",
    [
        ("0.3", 0.3),
        ("30%", 0.3),
        (" 0.25 ", 0.25),
        ("1e-46", 1e-46),  # zero as a float, still a visible group in the recording
        ("0.1e1", None),
        ("2", None),
        ("100%", None),
    ],
)
def test_group_opacity_is_the_decimal_value(opacity, group):
    result = supported(f'<g opacity="{opacity}">{RECT.format("")}</g>')
    if group is None:
        assert kinds(result) == ["fill"]
    else:
        assert kinds(result) == ["group_begin", "fill", "group_end"]
        assert result.commands[0].group_opacity == group
        assert result.commands[2].group_opacity == group


@pytest.mark.parametrize("opacity", ["0", "-1", "0%", "-0.5"])
def test_invisible_group_records_nothing(opacity):
    assert supported(f'<g opacity="{opacity}">{RECT.format("")}</g>').commands == ()


def test_opacity_of_the_shape_itself_makes_a_group_around_it():
    result = supported(RECT.format('opacity="0.5" fill-opacity="0.5"'))
    assert kinds(result) == ["group_begin", "fill", "group_end"]
    assert result.commands[0].group_opacity == 0.5
    assert result.commands[1].paint_opacity == 0.5


# --- fill colour and alpha ----------------------------------------------------------------------

@pytest.mark.parametrize(
    "attrs,alpha_byte,opacity",
    [
        ('fill-opacity="0.3"', 76, 0.3),
        ('fill-opacity="150%"', 255, 1.0),
        ('fill-opacity="1e-46"', 0, 1e-46),
        ('fill="#ff000080" fill-opacity="0.5"', 64, 0.5 * 128 / 255),
        ('fill="rgba(0,0,0,50%)"', 128, 0.5),
        ('fill="rgba(0, 0, 0, 0.25)" fill-opacity="40%"', 25, 0.25 * 0.4),
        ('fill="hsla(120, 100%, 50%, 0.25)"', 64, 0.25),
        ('fill="#f00f"', 255, 1.0),
        ('fill="#f00a"', 170, 10 / 15),
    ],
)
def test_fill_alpha_and_exact_opacity(attrs, alpha_byte, opacity):
    fill = only(supported(RECT.format(attrs)), "fill")
    assert fill.rgba[3] == alpha_byte
    assert fill.paint_opacity == opacity
    assert fill.has_partial_alpha == (0 < opacity < 1)


@pytest.mark.parametrize(
    "attrs",
    ['fill="#0000"', 'fill="#00000000"', 'fill="transparent" stroke="transparent"', 'fill="rgba(9,9,9,0)"',
     'fill="red" fill-opacity="0"', 'fill="red" fill-opacity="-2"'],
)
def test_fully_transparent_paint_records_nothing(attrs):
    assert supported(RECT.format(attrs)).commands == ()


def test_transparent_stroke_leaves_the_fill():
    assert kinds(supported(RECT.format('stroke="transparent" stroke-width="3"'))) == ["fill"]


# --- stroke colour and alpha --------------------------------------------------------------------

@pytest.mark.parametrize(
    "attrs,rgba,opacity",
    [
        ('stroke="rgba(0,0,0,0.5)" stroke-opacity="0.5"', (0, 0, 0, 64), 0.25),
        ('stroke="currentColor" color="#0000ff80"', (0, 0, 255, 128), 128 / 255),
        ('stroke="#0f08"', (0, 255, 0, 136), 8 / 15),
        ('stroke="red" stroke-opacity="1e-46"', (255, 0, 0, 0), 1e-46),
        ('stroke="blue" stroke-opacity="25%"', (0, 0, 255, 63), 0.25),
    ],
)
def test_stroke_alpha_and_exact_opacity(attrs, rgba, opacity):
    stroke = only(supported(RECT.format('fill="none" ' + attrs)), "stroke")
    assert stroke.rgba == rgba
    assert stroke.paint_opacity == opacity
    assert stroke.has_partial_alpha is True


# --- inheritance --------------------------------------------------------------------------------

@pytest.mark.parametrize(
    "body,rgba",
    [
        ('<g fill="#00f">' + RECT.format('fill="inherit"') + "</g>", (0, 0, 255, 255)),
        ('<g fill="#00f"><g>' + RECT.format("") + "</g></g>", (0, 0, 255, 255)),
        ('<g color="#f00"><g color="currentColor">' + RECT.format('fill="currentColor"') + "</g></g>",
         (255, 0, 0, 255)),
        ('<g color="#f00">' + RECT.format('color="#0f0" fill="currentColor"') + "</g>", (0, 255, 0, 255)),
        # currentColor in a paint is inherited as the keyword and takes the painting element's color
        ('<g fill="currentColor" color="#f00">' + RECT.format('color="#00f"') + "</g>", (0, 0, 255, 255)),
        ('<g fill-opacity="0.5">' + RECT.format("") + "</g>", (0, 0, 0, 127)),
    ],
    ids=["inherit-keyword", "grandparent", "current-color-in-color", "own-color", "current-color-resolved-late",
         "fill-opacity"],
)
def test_paint_is_inherited(body, rgba):
    assert only(supported(body), "fill").rgba == rgba


@pytest.mark.parametrize(
    "body,count",
    [
        ('<g visibility="hidden">' + RECT.format("") + "</g>", 0),
        ('<g visibility="hidden">' + RECT.format('visibility="visible"') + "</g>", 1),
        ('<g visibility="collapse">' + RECT.format("") + "</g>", 0),
        ('<g display="none">' + RECT.format('display="inline"') + "</g>", 0),
    ],
    ids=["hidden-inherited", "visible-again", "collapse-hides-too", "display-hides-subtree"],
)
def test_visibility_and_display(body, count):
    assert len(supported(body).commands) == count


# --- stroke data from the text ------------------------------------------------------------------

@pytest.mark.parametrize(
    "width,expected",
    [
        ("0.1", 0.1),
        (" 0.7 ", 0.7),
        ("3px", 3.0),
        ("2mm", 7.559055118110237),
        ("1pt", 1.3333333333333333),
        ("1pc", 16.0),
        ("1in", 96.0),
        ("2.54cm", 2.54 * 37.79527559055118),
        ("1.5em", 15.0),
    ],
)
def test_stroke_width_is_read_exactly(width, expected):
    stroke = only(supported(f'<path d="M0 0 L10 0" fill="none" stroke="black" font-size="10" '
                            f'stroke-width="{width}"/>'), "stroke").stroke
    assert stroke.width == expected


@pytest.mark.parametrize(
    "width,expected",
    [("10%", 10.0), ("0.1em", 1.2), ("0.5ex", 3.0)],
)
def test_relative_stroke_widths_follow_their_resolution(width, expected):
    stroke = only(supported(f'<path d="M0 0 L10 0" fill="none" stroke="black" stroke-width="{width}"/>'),
                  "stroke").stroke
    assert stroke.width == pytest.approx(expected, rel=1e-6)


@pytest.mark.parametrize(
    "attrs,dashes,offset,miter",
    [
        ('stroke-dasharray="1mm, 0.5" stroke-dashoffset="-0.3"', (3.7795275590551185, 0.5), -0.3, 4.0),
        ('stroke-dasharray="0.1 0.2 0.3" stroke-miterlimit="10.5"', (0.1, 0.2, 0.3), 0.0, 10.5),
        ('stroke-dasharray="none" stroke-dashoffset="1in"', (), 96.0, 4.0),
        ('stroke-dasharray="2pt,1pc"', (2 * 1.3333333333333333, 16.0), 0.0, 4.0),
    ],
    ids=["units", "decimals", "none", "comma-units"],
)
def test_dashes_and_miter_are_read_exactly(attrs, dashes, offset, miter):
    stroke = only(supported(f'<path d="M0 0 L10 0" fill="none" stroke="black" {attrs}/>'), "stroke").stroke
    assert stroke.dash_array == dashes
    assert stroke.dash_offset == offset
    assert stroke.miter_limit == miter


def test_inherited_stroke_width_keeps_its_text():
    stroke = only(supported('<g stroke-width="2mm"><path d="M0 0 L10 0" fill="none" stroke="black"/></g>'),
                  "stroke").stroke
    assert stroke.width == 7.559055118110237


# --- exact transforms along the chain -----------------------------------------------------------

NEARLY_ZERO = 1e-15
# Replacing the float copy of a transform by its exact parse goes through the exact inverse of
# the float matrix, which leaves rounding of a few units in the last place.
LAST_PLACES = 1e-15
ROTATED_AND_MOVED = (0.0, 1.0, -1.0, 0.0, 10.0, 0.0)


@pytest.mark.parametrize(
    "body,matrix,count",
    [
        ('<g transform="translate(10 0)"><rect transform="rotate(90)" width="1" height="1"/></g>',
         ROTATED_AND_MOVED, 2),
        ('<rect transform="translate(10 0) rotate(90)" width="1" height="1"/>', ROTATED_AND_MOVED, 2),
        ('<rect transform="translate(10,0),rotate(90)" width="1" height="1"/>', ROTATED_AND_MOVED, 2),
        ('<rect transform="rotate(90 5 5)" width="1" height="1"/>', ROTATED_AND_MOVED, 1),
        ('<g transform="scale(2)"><g transform="translate(10 0)"><rect transform="rotate(90)" width="1" '
         'height="1"/></g></g>', (0.0, 2.0, -2.0, 0.0, 20.0, 0.0), 3),
        ('<g transform="rotate(90)"><rect transform="translate(10 0)" width="1" height="1"/></g>',
         (0.0, 1.0, -1.0, 0.0, 0.0, 10.0), 2),
        ('<rect transform="skewX(45)" width="1" height="1"/>', (1.0, 0.0, 1.0, 1.0, 0.0, 0.0), 1),
    ],
    ids=["nested", "one-list", "comma-list", "rotate-about-point", "three-levels", "reversed", "skew"],
)
def test_transforms_compose_inner_first(body, matrix, count):
    fill = only(supported(body), "fill")
    assert fill.matrix == pytest.approx(matrix, rel=LAST_PLACES, abs=NEARLY_ZERO)
    assert fill.transform_operation_count == count
    assert fill.transform_coordinates_exact is True


def test_nested_rotation_has_tiny_cosines_not_float_ones():
    fill = only(supported('<g transform="translate(10 0)"><rect transform="rotate(90)" width="1" height="1"/>'
                          '</g>'), "fill")
    a, b, c, d, e, f = fill.matrix
    # The double cosine of 90 degrees, not the float one (which is about 1e-8).
    assert abs(a) < 1e-15 and abs(d) < 1e-15
    assert (b, c, e, f) == pytest.approx((1.0, -1.0, 10.0, 0.0), abs=1e-15)


@pytest.mark.parametrize(
    "body,matrix",
    [
        ('<g transform="translate(0.1 0.2)"><rect transform="translate(0.3 0)" width="1" height="1"/></g>',
         (1.0, 0.0, 0.0, 1.0, 0.1 + 0.3, 0.2)),
        ('<rect transform="matrix(0.1 0.2 0.3 0.4 0.5 0.6)" width="1" height="1"/>',
         (0.1, 0.2, 0.3, 0.4, 0.5, 0.6)),
        ('<g transform="scale(0.1)"><rect transform="translate(0.7 0)" width="1" height="1"/></g>',
         (0.1, 0.0, 0.0, 0.1, 0.1 * 0.7, 0.0)),
    ],
    ids=["translations", "matrix", "scale-of-translation"],
)
def test_transform_decimals_are_kept_in_double(body, matrix):
    recorded = only(supported(body), "fill").matrix
    assert recorded == pytest.approx(matrix, rel=LAST_PLACES, abs=NEARLY_ZERO)


def test_viewport_and_element_transforms_compose():
    result = core.record_paint_commands_svg(
        f'<svg {SVG_NS} width="200" height="200" viewBox="0 0 100 100">'
        '<rect transform="translate(10 0) rotate(90)" width="1" height="1"/></svg>')
    fill = only(result, "fill")
    assert fill.matrix == pytest.approx((0.0, 2.0, -2.0, 0.0, 20.0, 0.0), abs=NEARLY_ZERO)
    assert fill.transform_operation_count == 3
    assert math.isclose(fill.path_points[2][0], 1.0)


# --- numbers do not depend on the host's locale -------------------------------------------------

LOCALE_DOCUMENT = (f'<svg {SVG_NS} width="10.5" height="20.25" viewBox="0 0 10.5 20.25">'
                   '<g opacity="0.75"><path d="M0.5 0.25 L3.125 4.5" fill="none" stroke="black" '
                   'stroke-width="0.5mm" stroke-dasharray="0.25, 1.5" stroke-miterlimit="4.5" '
                   'transform="translate(0.1 0.2) rotate(12.5)"/></g></svg>')


def recorded_values(result):
    return (result.status, result.viewport, result.bounds,
            [(c.kind, c.matrix, c.path_points, c.group_opacity, c.stroke.width, c.stroke.dash_array,
              c.stroke.miter_limit) for c in result.commands])


@pytest.mark.parametrize("name", ["de_DE.UTF-8", "fr_FR.UTF-8"])
def test_numbers_read_the_same_under_a_comma_locale(name):
    import locale

    expected = recorded_values(core.record_paint_commands_svg(LOCALE_DOCUMENT))
    previous = locale.setlocale(locale.LC_ALL)
    try:
        locale.setlocale(locale.LC_ALL, name)
    except locale.Error:
        pytest.skip(f"locale {name} is not installed")
    try:
        assert locale.localeconv()["decimal_point"] == ","
        assert recorded_values(core.record_paint_commands_svg(LOCALE_DOCUMENT)) == expected
    finally:
        locale.setlocale(locale.LC_ALL, previous)
    assert expected[0] == "supported"
    assert expected[1] == (0.0, 0.0, 10.5, 20.25)
