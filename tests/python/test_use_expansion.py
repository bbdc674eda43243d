"""Expansion of use elements as the recording shows it: what gets copied, cycles that are cut,
symbol viewports, and documents built to explode or to nest without end."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def record(body):
    return core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{body}</svg>')


def supported(body):
    result = record(body)
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def fills(result):
    return [c for c in result.commands if c.kind == "fill"]


def first_points(result):
    return [c.path_points[0] for c in fills(result)]


def rect(x, extra=""):
    return f'<rect x="{x}" width="1" height="1" {extra}/>'


# --- what a use copies ------------------------------------------------------------------------

@pytest.mark.parametrize(
    "body,starts",
    [
        # a plain copy is drawn where the use stands, after the original
        (rect(3, 'id="r"') + '<use href="#r"/>', [(3.0, 0.0), (3.0, 0.0)]),
        # xlink:href works the same, and href wins over it in either order
        (rect(3, 'id="r"') + rect(5, 'id="s"')
         + '<use xmlns:xlink="http://www.w3.org/1999/xlink" xlink:href="#s" href="#r"/>',
         [(3.0, 0.0), (5.0, 0.0), (3.0, 0.0)]),
        (rect(3, 'id="r"') + rect(5, 'id="s"')
         + '<use xmlns:xlink="http://www.w3.org/1999/xlink" href="#r" xlink:href="#s"/>',
         [(3.0, 0.0), (5.0, 0.0), (3.0, 0.0)]),
        # a use may point forward, into defs, and at another use (which then expands in turn)
        ('<use href="#r"/><defs>' + rect(4, 'id="r"') + "</defs>", [(4.0, 0.0)]),
        ('<defs>' + rect(4, 'id="r"') + '<use id="u" href="#r"/></defs><use href="#u"/>', [(4.0, 0.0)]),
        # a group is copied with its whole subtree, in order
        ('<defs><g id="g">' + rect(1) + rect(2) + "</g></defs><use href=\"#g\"/><use href=\"#g\"/>",
         [(1.0, 0.0), (2.0, 0.0), (1.0, 0.0), (2.0, 0.0)]),
    ],
    ids=["shape", "href-after-xlink", "href-before-xlink", "forward-into-defs", "use-of-use", "group-subtree"],
)
def test_copies_are_drawn_in_place(body, starts):
    assert first_points(supported(body)) == starts


@pytest.mark.parametrize(
    "target",
    [
        '<clipPath id="t"><rect width="1" height="1"/></clipPath>',
        '<defs id="t"><rect width="1" height="1"/></defs>',
        '<marker id="t"><rect width="1" height="1"/></marker>',
        '<style id="t">rect { fill: red }</style>',
    ],
    ids=["clipPath", "defs", "marker", "style"],
)
def test_non_renderable_targets_produce_no_copy(target):
    assert supported(target + '<use href="#t"/>').commands == ()


def test_copies_get_their_own_source_indices():
    result = supported(rect(0, 'id="r"') + '<use href="#r"/><use href="#r"/>')
    indices = [c.source_index for c in fills(result)]
    assert len(set(indices)) == 3


def test_use_position_and_transform_apply_to_the_copy():
    result = supported('<defs>' + rect(1, 'id="r"') + '</defs><use href="#r" x="10" y="20" transform="scale(2)"/>')
    (fill,) = fills(result)
    assert fill.matrix == (2.0, 0.0, 0.0, 2.0, 20.0, 40.0)
    assert fill.path_points[0] == (1.0, 0.0)


def test_copy_styles_come_from_the_use_context():
    # Inherited properties come from where the copy is drawn, not from where the original stands.
    result = supported('<g fill="red">' + rect(0, 'id="r"') + '</g><g fill="blue"><use href="#r"/></g>')
    assert [c.rgba for c in fills(result)] == [(255, 0, 0, 255), (0, 0, 255, 255)]


# --- cycles -----------------------------------------------------------------------------------

@pytest.mark.parametrize(
    "body,count",
    [
        ('<use id="u" href="#u"/>', 0),
        ('<g id="g">' + rect(0) + '<use href="#g"/></g>', 1),
        ('<g id="outer"><g>' + rect(0) + '<use href="#outer"/></g></g>', 1),
        ('<g id="g">' + rect(0) + '<g><g><use href="#g"/></g></g></g>', 1),
        ('<use id="a" href="#b"/><use id="b" href="#a"/>', 0),
        ('<g id="a">' + rect(1) + '<use href="#b"/></g><g id="b">' + rect(2) + '<use href="#a"/></g>', 4),
        ('<g id="a">' + rect(1) + '<use href="#b"/></g><g id="b">' + rect(2) + '<use href="#c"/></g>'
         '<g id="c">' + rect(3) + '<use href="#a"/></g>', 9),
    ],
    ids=["self", "parent", "grandparent", "deep-ancestor", "mutual-uses", "mutual-groups", "three-cycle"],
)
def test_cycles_are_cut(body, count):
    assert len(fills(supported(body))) == count


def test_mutual_groups_each_hold_one_copy_of_the_other():
    body = '<g id="a">' + rect(1) + '<use href="#b"/></g><g id="b">' + rect(2) + '<use href="#a"/></g>'
    assert first_points(supported(body)) == [(1.0, 0.0), (2.0, 0.0), (2.0, 0.0), (1.0, 0.0)]


# --- symbols and nested viewports ---------------------------------------------------------------

SYMBOL = '<symbol id="s" viewBox="0 0 10 10"><rect width="10" height="10"/></symbol>'


@pytest.mark.parametrize(
    "use,matrix",
    [
        ('<use href="#s"/>', (10.0, 0.0, 0.0, 10.0, 0.0, 0.0)),
        ('<use href="#s" width="50" height="20"/>', (2.0, 0.0, 0.0, 2.0, 15.0, 0.0)),
        ('<use href="#s" width="40"/>', (4.0, 0.0, 0.0, 4.0, 0.0, 30.0)),
        ('<use href="#s" x="5" y="6" width="10" height="10"/>', (1.0, 0.0, 0.0, 1.0, 5.0, 6.0)),
        ('<use href="#s" width="50%" height="10"/>', (1.0, 0.0, 0.0, 1.0, 20.0, 0.0)),
    ],
    ids=["default-size", "width-and-height", "width-only", "position", "percentage"],
)
def test_symbol_becomes_a_viewport_sized_by_the_use(use, matrix):
    result = supported(SYMBOL + use)
    assert [c.kind for c in result.commands] == ["clip_begin", "fill", "clip_end"]
    (fill,) = fills(result)
    assert fill.matrix == pytest.approx(matrix, abs=1e-12)


def test_symbol_viewport_clips_to_the_visible_view_box():
    result = supported(SYMBOL + '<use href="#s" width="50" height="20"/>')
    clip = result.commands[0]
    assert clip.matrix == pytest.approx((2.0, 0.0, 0.0, 2.0, 15.0, 0.0))
    assert clip.path_points[:4] == ((-7.5, 0.0), (17.5, 0.0), (17.5, 10.0), (-7.5, 10.0))


def test_symbol_with_zero_use_width_draws_nothing():
    assert supported(SYMBOL + '<use href="#s" width="0"/>').commands == ()


def test_svg_target_takes_the_use_size_too():
    body = '<svg id="v" width="10" height="10" viewBox="0 0 1 1"><rect width="1" height="1"/></svg>'
    result = supported(f'<defs>{body}</defs><use href="#v" width="30" height="30"/>')
    (fill,) = fills(result)
    assert fill.matrix == pytest.approx((30.0, 0.0, 0.0, 30.0, 0.0, 0.0))


def test_symbol_is_not_drawn_where_it_stands():
    assert supported(SYMBOL).commands == ()


# --- hostile documents --------------------------------------------------------------------------

def doubling_chain(levels, uses_per_level=2, extra=""):
    """Each level holds several uses of the level below: uses_per_level ** levels shapes in all."""
    parts = ["<defs>", '<g id="l0"><rect width="1" height="1"/></g>']
    for level in range(1, levels + 1):
        uses = f'<use href="#l{level - 1}"/>' * uses_per_level
        parts.append(f'<g id="l{level}">{uses}</g>')
    parts.append(f'</defs>{extra}<use href="#l{levels}"/>')
    return "".join(parts)


def test_moderate_fan_out_is_expanded_fully():
    assert len(fills(supported(doubling_chain(10)))) == 1024


@pytest.mark.parametrize(
    "levels,uses_per_level",
    [(40, 2), (10, 10), (64, 3), (200, 2)],
    ids=["2^40", "10^10", "3^64", "2^200"],
)
def test_use_bomb_is_refused(levels, uses_per_level):
    result = record(doubling_chain(levels, uses_per_level))
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")
    assert result.commands == ()


def test_use_bomb_beside_an_earlier_reason_keeps_that_reason():
    # Expansion is skipped once a reason exists, so the bomb costs nothing.
    result = record("<foo/>" + doubling_chain(60))
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_element")


def test_use_bomb_with_large_attributes_is_refused():
    # Few elements, but every copy repeats a long attribute value.
    big = "M0 0" + " L1 1" * 200_000
    body = doubling_chain(9).replace('<rect width="1" height="1"/>', f'<path d="{big}"/>')
    result = record(body)
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")


def use_chain(length):
    """Every link holds a use of the link before it, so each expansion nests one level deeper."""
    parts = ['<defs><g id="c0"><rect width="1" height="1"/></g>']
    parts += [f'<g id="c{i}"><use href="#c{i - 1}"/></g>' for i in range(1, length + 1)]
    parts.append(f'</defs><use href="#c{length}"/>')
    return "".join(parts)


def test_use_chain_within_the_nesting_limit_is_drawn():
    result = supported(use_chain(200))
    (fill,) = fills(result)
    assert fill.path_points[0] == (0.0, 0.0)


def test_use_chain_deeper_than_the_nesting_limit_is_refused():
    result = record(use_chain(600))
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")


def nested(open_tag, close_tag, levels):
    return open_tag * levels + '<rect width="1" height="1"/>' + close_tag * levels


@pytest.mark.parametrize(
    "open_tag,close_tag",
    [
        ("<use>", "</use>"),
        ("<a>", "</a>"),
        ("<svg>", "</svg>"),
        ('<g transform="translate(1 0)">', "</g>"),
        ("<clipPath>", "</clipPath>"),
    ],
    ids=["use", "a", "svg", "transformed-g", "clipPath"],
)
def test_200000_levels_of_nesting_are_refused(open_tag, close_tag):
    result = record(nested(open_tag, close_tag, 200_000))
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_complexity")
    assert result.commands == ()
