"""The render pass as seen through record_paint_commands_svg: screening order,
references, groups, clips, transforms, paint and stroke data, markers."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def record(body, attrs='width="100" height="100"'):
    return core.record_paint_commands_svg(f"<svg {SVG_NS} {attrs}>{body}</svg>")


def kinds(result):
    return [c.kind for c in result.commands]


def supported(body, attrs='width="100" height="100"'):
    result = record(body, attrs)
    assert (result.status, result.reason_code) == ("supported", "")
    return result


# --- screening and entry points -------------------------------------------------------------

@pytest.mark.parametrize(
    "text,status,reason",
    [
        ('<?xml version="1.0" encoding="latin1"?><!DOCTYPE svg><svg/>',
         "unsupported", "unsupported_xml_encoding"),
        (b"\xff\xfe" + f"<svg {SVG_NS}/>".encode(), "unsupported", "unsupported_xml_encoding"),
        ('<!DOCTYPE svg><svg xmlns="http://example.com/ns"/>', "unsupported", "unsupported_doctype"),
        ('<svg xmlns="http://example.com/ns"/>', "unsupported", "unsupported_namespace"),
        (f"<svg {SVG_NS}><\u00e9/></svg>", "unsupported", "unsupported_xml_name"),
        ("<svg></g>", "invalid", "invalid_svg"),
        ("", "invalid", "invalid_svg"),
        ("<svg>", "invalid", "invalid_svg"),
        (f"<svg {SVG_NS}>" + "<g>" * 2000 + "</g>" * 2000 + "</svg>",
         "unsupported", "unsupported_complexity"),
        (f"<svg {SVG_NS}>" + "<x>" * 200000 + "</x>" * 200000 + "</svg>",
         "unsupported", "unsupported_element"),
    ],
    ids=["encoding-first", "utf16-mark", "doctype-before-namespace", "namespace", "xml-name",
         "namespace-invalid", "empty", "unclosed", "too-deep", "deep-unknown"],
)
def test_screening_order(text, status, reason):
    result = core.record_paint_commands_svg(text)
    assert (result.status, result.reason_code) == (status, reason)
    assert result.commands == ()
    assert result.schema_version == 4


def test_byte_order_mark_is_ignored():
    body = f'<svg {SVG_NS} width="10" height="10"><rect width="3" height="4"/></svg>'
    plain = core.record_paint_commands_svg(body)
    marked = core.record_paint_commands_svg(b"\xef\xbb\xbf" + body.encode())
    assert marked.status == plain.status == "supported"
    assert [c.path_points for c in marked.commands] == [c.path_points for c in plain.commands]


@pytest.mark.parametrize("make_path", [lambda d: d / "missing.svg", lambda d: d])
def test_unreadable_paths_are_invalid(tmp_path, make_path):
    result = core.record_paint_commands(make_path(tmp_path))
    assert (result.status, result.reason_code) == ("invalid", "invalid_svg")


@pytest.mark.parametrize(
    "content",
    [b"", b"\xef\xbb\xbf" + f'<svg {SVG_NS} width="10" height="10"><rect width="3" height="4"/></svg>'.encode()],
    ids=["empty", "marked-document"],
)
def test_files_record_like_their_text(tmp_path, content):
    path = tmp_path / "doc.svg"
    path.write_bytes(content)
    from_file = core.record_paint_commands(path)
    from_text = core.record_paint_commands_svg(content)
    assert (from_file.status, from_file.reason_code) == (from_text.status, from_text.reason_code)
    summary = lambda r: [(c.kind, c.path_points, c.matrix, c.rgba) for c in r.commands]
    assert summary(from_file) == summary(from_text)
    assert from_file.viewport == from_text.viewport


@pytest.mark.parametrize(
    "attrs,viewport",
    [
        ('width="40" height="20"', (0.0, 0.0, 0.0, 0.0)),
        ('width="40" height="20" viewBox="5,6,7,8"', (0.0, 0.0, 40.0, 20.0)),
        ('width="40" height="20" viewBox="0 0 0 8"', (0.0, 0.0, 0.0, 0.0)),
        ('width="40" height="20" viewBox="0 0 7 8 9"', (0.0, 0.0, 0.0, 0.0)),
        ('viewBox="0 0 40 20"', (0.0, 0.0, 40.0, 20.0)),
        ('width="80" viewBox="0 0 40 20"', (0.0, 0.0, 80.0, 40.0)),
    ],
    ids=["no-viewbox", "commas", "zero-width", "five-numbers", "size-from-viewbox", "ratio"],
)
def test_viewport(attrs, viewport):
    assert record("", attrs).viewport == viewport


def test_unsupported_result_keeps_bounds_and_viewport():
    result = record('<rect width="10" height="10" paint-order="stroke"/>',
                    'width="40" height="20" viewBox="0 0 40 20"')
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_paint_order")
    assert result.commands == ()
    assert result.bounds == (0.0, 0.0, 10.0, 10.0)
    assert result.viewport == (0.0, 0.0, 40.0, 20.0)


def test_reader_reason_leaves_bounds_zero():
    result = record('<rect width="10" height="10"/><text>a</text>')
    assert result.reason_code == "unsupported_text"
    assert result.bounds == (0.0, 0.0, 0.0, 0.0)


def test_origin_flag():
    result = record("", 'width="10" height="10" data-pavrix-origin="image-vectorizer"')
    assert result.image_vectorizer_origin is True
    assert record("").image_vectorizer_origin is False


# --- references -----------------------------------------------------------------------------

@pytest.mark.parametrize(
    "body,reason",
    [
        ('<rect width="1" height="1" clip-path="none"/><rect width="1" height="1" clip-path="inherit"/>', ""),
        ('<rect width="1" height="1" clip-path=" none "/>', ""),
        ('<rect width="1" height="1" clip-path="url(#nowhere)"/>', "unresolved_clip_path"),
        ('<use href="#nowhere"/>', "unresolved_reference"),
        ('<use href="#nowhere"/><rect width="1" height="1" clip-path="url(#gone)"/>',
         "unresolved_reference"),
    ],
    ids=["none-and-inherit", "padded-none", "clip-path", "use", "first-found-wins"],
)
def test_references(body, reason):
    result = record(body)
    assert result.reason_code == reason
    assert result.status == ("supported" if not reason else "unsupported")


# --- groups ---------------------------------------------------------------------------------

def test_opacity_group_wraps_its_content():
    result = supported('<g opacity="0.5"><rect width="10" height="10"/></g>')
    assert kinds(result) == ["group_begin", "fill", "group_end"]
    begin, fill, end = result.commands
    assert begin.group_opacity == end.group_opacity == 0.5
    assert begin.source_index == end.source_index != fill.source_index
    assert begin.source_kind == end.source_kind == "group"
    assert fill.group_opacity == 1.0


@pytest.mark.parametrize(
    "body",
    [
        '<g opacity="0.5"></g>',
        '<g opacity="0.5"><g clip-path="url(#c)"/></g><clipPath id="c"><rect width="5" height="5"/></clipPath>',
        '<g opacity="0.5"><g opacity="0.5"><rect width="10" height="10" fill="none"/></g></g>',
        '<g opacity="0"><rect width="10" height="10"/></g>',
        '<g opacity="0.5"><rect width="10" height="10" display="none"/></g>',
    ],
    ids=["empty", "only-clip", "nested-invisible", "transparent", "hidden-child"],
)
def test_groups_without_paint_record_nothing(body):
    assert supported(body).commands == ()


def test_nested_groups_keep_their_order():
    result = supported('<g opacity="0.5"><g opacity="0.25"><rect width="1" height="1"/></g>'
                       '<g opacity="0.5"/></g>')
    assert kinds(result) == ["group_begin", "group_begin", "fill", "group_end", "group_end"]
    assert [c.group_opacity for c in result.commands] == [0.5, 0.25, 1.0, 0.25, 0.5]


# --- clips ----------------------------------------------------------------------------------

CLIPPED = '<rect width="10" height="10" clip-path="url(#c)"/>'


@pytest.mark.parametrize(
    "clip,reason",
    [
        ('<clipPath id="c"><rect width="5" height="5"/><circle r="3"/></clipPath>',
         "unsupported_complex_clip"),
        ('<clipPath id="c" clip-path="url(#d)"><rect width="5" height="5"/></clipPath>'
         '<clipPath id="d"><rect width="5" height="5"/></clipPath>', "unsupported_complex_clip"),
        ('<clipPath id="c" clipPathUnits="objectBoundingBox"><rect width="5" height="5"/></clipPath>',
         "unsupported_clip_path_units"),
        ('<clipPath id="c"></clipPath>', "unsupported_empty_clip"),
        ('<clipPath id="c"><rect width="5" height="5" visibility="hidden"/></clipPath>',
         "unsupported_empty_clip"),
    ],
    ids=["two-shapes", "nested-clip", "bounding-box-units", "empty", "hidden-shape"],
)
def test_clip_refusals(clip, reason):
    result = record(CLIPPED + clip)
    assert (result.status, result.reason_code) == ("unsupported", reason)


@pytest.mark.parametrize(
    "clip",
    [
        '<clipPath id="c"><rect id="r" width="5" height="5"/></clipPath>',
        '<clipPath id="c"><use href="#r"/></clipPath><defs><rect id="r" width="5" height="5"/></defs>',
        '<clipPath id="c"><rect width="5" height="5" display="none"/><rect id="r" width="5" height="5"/>'
        '</clipPath>',
    ],
    ids=["shape", "through-use", "hidden-sibling"],
)
def test_simple_clip_records_one_shape(clip):
    result = supported(CLIPPED + clip, 'width="100" height="100" id="root"')
    assert kinds(result) == ["clip_begin", "fill", "clip_end"]
    clip_begin, fill, clip_end = result.commands
    assert clip_begin.rgba == (255, 255, 255, 255)
    assert clip_begin.source_kind == "clip"
    assert clip_begin.paint_opacity == 1.0
    assert clip_begin.path_points[:3] == ((0.0, 0.0), (5.0, 0.0), (5.0, 5.0))
    assert clip_end.source_kind == "clip_end"
    assert clip_end.source_index == fill.source_index
    assert clip_begin.source_index not in (fill.source_index, -1)


def test_clip_rule_is_recorded():
    result = supported(CLIPPED + '<clipPath id="c"><rect width="5" height="5" clip-rule="evenodd"/></clipPath>')
    assert result.commands[0].fill_rule == "evenodd"


def test_root_overflow_hidden_clips_the_viewport():
    result = supported('<rect width="10" height="10"/>', 'width="40" height="30" overflow="hidden"')
    assert kinds(result) == ["clip_begin", "fill", "clip_end"]
    clip = result.commands[0]
    assert clip.path_points[:4] == ((0.0, 0.0), (40.0, 0.0), (40.0, 30.0), (0.0, 30.0))
    assert clip.path_verbs[0] == "move_to" and clip.path_verbs[-1] == "close"
    assert result.commands[0].path_coordinates_exact is False


def test_nested_svg_clips_and_maps_its_viewbox():
    result = supported('<svg x="5" width="10" height="10" viewBox="0 0 20 20"><rect width="10" height="10"/></svg>')
    assert kinds(result) == ["clip_begin", "fill", "clip_end"]
    assert all(c.matrix == (0.5, 0.0, 0.0, 0.5, 5.0, 0.0) for c in result.commands)


@pytest.mark.parametrize("size", ['width="0" height="10"', 'width="10" height="0"'])
def test_svg_without_area_records_nothing(size):
    assert supported(f'<svg {size}><rect width="10" height="10"/></svg>').commands == ()


# --- transforms -----------------------------------------------------------------------------

def test_transform_text_is_read_exactly():
    (fill,) = supported('<rect transform="translate(0.1 0.2)" width="1" height="1"/>').commands
    assert fill.matrix == (1.0, 0.0, 0.0, 1.0, 0.1, 0.2)
    assert fill.transform_coordinates_exact is True
    assert fill.transform_operation_count == 1
    assert fill.transform_linear_precision_error == fill.transform_translation_precision_error == 0.0


def test_nested_transforms_compose_outer_last():
    (fill,) = supported('<g transform="translate(10 0)"><rect transform="rotate(90)" width="1" height="1"/></g>').commands
    a, b, c, d, e, f = fill.matrix
    assert abs(a) < 1e-15 and abs(d) < 1e-15
    assert b == pytest.approx(1.0, abs=1e-15) and c == pytest.approx(-1.0, abs=1e-15)
    assert (e, f) == (10.0, 0.0)
    assert fill.transform_operation_count == 2


def test_use_translation_acts_before_its_transform():
    (fill,) = supported('<use x="10" transform="rotate(90)" href="#r"/>'
                        '<defs><rect id="r" width="5" height="5"/></defs>').commands
    a, b, c, d, e, f = fill.matrix
    assert (e, f) == pytest.approx((0.0, 10.0), abs=1e-12)
    assert fill.transform_operation_count == 1


def test_view_transform_counts_once():
    (fill,) = supported('<rect width="1" height="1"/>', 'width="100" height="100" viewBox="0 0 50 50"').commands
    assert fill.matrix == (2.0, 0.0, 0.0, 2.0, 0.0, 0.0)
    assert fill.transform_operation_count == 1


def test_singular_transform_keeps_the_float_matrix():
    (fill,) = supported('<rect transform="scale(0)" width="1" height="1"/>').commands
    assert fill.matrix == (0.0, 0.0, 0.0, 0.0, 0.0, 0.0)


@pytest.mark.parametrize(
    "body,attrs",
    [
        # the float transform overflows: its exact twin cannot be recovered
        ('<rect width="1" height="1" transform="scale(1e30) scale(1e30)"/>', 'width="10" height="10"'),
        # 100% of a huge view box overflows the root's float width
        ('<rect width="1" height="1"/>', 'viewBox="0 0 4e36 7"'),
        # the viewport clip of a nested svg lands outside the float range
        ('<svg y="7mm" viewBox="0,1,5,1e38"/>', 'viewBox="0,3,50,5"'),
        # finite commands whose float bounds overflow
        ('<path d="M0 0 L1e38 0 l3e38 0"/>', 'width="10" height="10"'),
    ],
)
def test_float_overflow_is_refused_not_recorded(body, attrs):
    result = record(body, attrs)
    assert (result.status, result.reason_code) == ("unsupported", "unsupported_input_precision")
    assert len(result.commands) == 0


# --- paint and stroke data ------------------------------------------------------------------

def test_invisible_fill_records_only_the_stroke():
    result = supported('<rect width="10" height="10" fill-opacity="0" stroke="red"/>')
    assert kinds(result) == ["stroke"]
    assert result.commands[0].rgba == (255, 0, 0, 255)


def test_partial_alpha_and_colour():
    (fill,) = supported('<rect width="1" height="1" fill="#ff000080"/>').commands
    assert fill.rgba == (255, 0, 0, 128)
    assert fill.paint_opacity == 128 / 255
    assert fill.has_partial_alpha is True


def test_stroke_data():
    result = supported('<rect width="10" height="10" fill="none" stroke="blue" stroke-width="2mm" '
                       'stroke-dasharray="1, 2.5" stroke-dashoffset="0.1" stroke-linecap="round" '
                       'stroke-linejoin="bevel" stroke-miterlimit="7" fill-rule="evenodd" '
                       'vector-effect=" non-scaling-stroke"/>')
    (stroke,) = result.commands
    assert stroke.kind == stroke.source_kind == "stroke"
    assert stroke.stroke.width == 7.559055118110237
    assert stroke.stroke.dash_array == (1.0, 2.5)
    assert stroke.stroke.dash_offset == 0.1
    assert (stroke.stroke.line_cap, stroke.stroke.line_join) == ("round", "bevel")
    assert stroke.stroke.miter_limit == 7.0
    assert stroke.fill_rule == "evenodd"
    assert stroke.non_scaling_stroke is True
    assert result.has_non_scaling_stroke is True


def test_fill_carries_no_stroke_data():
    (fill,) = supported('<rect width="1" height="1" vector-effect="non-scaling-stroke"/>').commands
    assert fill.non_scaling_stroke is False
    assert fill.stroke.width == 1.0 and fill.stroke.dash_array == ()


@pytest.mark.parametrize(
    "body,reason",
    [
        ('<rect width="1" height="1" paint-order="stroke"/>', "unsupported_paint_order"),
        ('<g paint-order="stroke"><rect width="1" height="1"/></g>', "unsupported_paint_order"),
        ('<g paint-order="stroke"/>', ""),
        ('<rect width="1" height="1" fill="none" paint-order="stroke"/>', ""),
        ('<g paint-order="stroke"><g><use href="#r"/></g></g><defs><rect id="r" width="1" height="1"/></defs>',
         "unsupported_paint_order"),
        ('<g paint-order="stroke"><path d="M0 0 L5 5" fill="none" marker-end="url(#m)"/></g>'
         '<marker id="m"><rect width="1" height="1"/></marker>', "unsupported_paint_order"),
        ('<g paint-order="stroke"><path d="M0 0 L5 5" fill="none" marker-end="url(#m)"/></g>'
         '<marker id="m" overflow="visible"><rect width="1" height="1" fill="none"/></marker>', ""),
    ],
    ids=["painting-shape", "painting-descendant", "empty-group", "nothing-painted", "through-use",
         "through-marker", "marker-paints-nothing"],
)
def test_deferred_capabilities_count_only_when_painting(body, reason):
    assert record(body).reason_code == reason


def test_subpath_flags_follow_the_path():
    (fill,) = supported('<path d="M0 0 L10 0 L10 10 Z M20 20 L30 20 M40 40 L50 50 L40 50"/>').commands
    assert list(fill.source_subpath_area_potential) == [1, 0, 1]


def test_rect_area_bound():
    (fill,) = supported('<rect width="10" height="10"/>').commands
    bound = 10.0 + 4 * (math.nextafter(10.0, 11.0) - 10.0) * 2 ** 29
    assert fill.source_fill_area_upper_bound == bound * bound
    (circle,) = supported('<circle r="3"/>').commands
    assert circle.source_fill_area_upper_bound == 0.0


# --- markers --------------------------------------------------------------------------------

MARKER = '<marker id="m" orient="auto"><path d="M0 0 L1 1 L1 0 Z"/></marker>'


def test_marker_is_recorded_at_the_path_end():
    result = supported('<path d="M0 0 L10 0 L10 10" fill="none" stroke="black" marker-end="url(#m)"/>' + MARKER)
    assert kinds(result) == ["stroke", "clip_begin", "fill", "clip_end"]
    a, b, c, d, e, f = result.commands[2].matrix
    assert (e, f) == (10.0, 10.0)
    assert (a, b) == pytest.approx((0.0, 1.0), abs=1e-6)


@pytest.mark.parametrize(
    "markers,fills",
    [
        ('<marker id="m"><path d="M0 0 L1 1 L1 0 Z" marker-end="url(#m)"/></marker>', 1),
        ('<marker id="m"><path d="M0 0 L1 1 L1 0 Z" marker-end="url(#n)"/></marker>'
         '<marker id="n"><path d="M0 0 L1 1 L1 0 Z" marker-end="url(#m)"/></marker>', 2),
    ],
    ids=["itself", "through-another"],
)
def test_marker_that_refers_to_itself_renders_once(markers, fills):
    result = supported('<path d="M0 0 L10 0" fill="none" stroke="black" marker-end="url(#m)"/>' + markers)
    assert kinds(result).count("fill") == fills


@pytest.mark.parametrize(
    "path",
    [
        '<path d="M0.1 0 L10 0" fill="none" stroke="black" marker-end="url(#m)"/>',
        '<path d="M 0.1 0 L 0.1000000001 0 L 5 5" fill="none" stroke="black" marker-end="url(#m)"/>',
    ],
    ids=["not-a-float", "ambiguous-direction"],
)
def test_marker_refused_when_its_position_is_uncertain(path):
    assert record(path + MARKER).reason_code == "unsupported_input_precision"


def marker_chain(count, vertices, placement, content_class=""):
    """A path whose markers hold paths with markers in turn, `count` markers deep."""
    d = "M0 0" + "".join(f" L{i + 1} {i % 2}" for i in range(vertices - 1))
    cls = f' class="{content_class}"' if content_class else ""
    parts = [f'<path d="{d}" fill="none" stroke="black" {placement}="url(#m0)"/>']
    for i in range(count):
        nested = f' {placement}="url(#m{i + 1})"' if i + 1 < count else ""
        parts.append(f'<marker id="m{i}" orient="0"><path d="{d}"{cls}{nested}/></marker>')
    return "".join(parts)


@pytest.mark.parametrize(
    "body,reason",
    [
        (marker_chain(3, 4, "marker-mid"), ""),
        # 6 mid markers per path, 12 levels: 6^12 instances from a few kilobytes.
        (marker_chain(12, 8, "marker-mid", "c" * 10000), "unsupported_complexity"),
        # One instance per level, but deeper than the stack can follow.
        (marker_chain(1100, 2, "marker-start"), "unsupported_complexity"),
        # No nesting: 3000 instances of a marker whose content weighs 100 KB.
        (marker_chain(1, 3000, "marker-mid", "c" * 100000), "unsupported_complexity"),
    ],
    ids=["shallow", "exponential", "deep", "heavy-content"],
)
def test_marker_expansion_is_bounded(body, reason):
    result = record(body)
    assert result.reason_code == reason
    assert (result.commands == ()) == bool(reason)


# --- per-pass clip summaries ----------------------------------------------------------------

@pytest.mark.parametrize("size", [2, 40])
@pytest.mark.parametrize(
    "filler,shape",
    [
        ("<g/>", '<rect width="5" height="5"/>'),
        ('<rect width="1" height="1" display="none"/>', '<use href="#r"/>'),
    ],
    ids=["skipped-groups", "hidden-shapes-then-use"],
)
def test_clip_used_many_times_records_the_same_clip(size, filler, shape):
    clip = f'<clipPath id="c">{filler * size}{shape}</clipPath><defs><rect id="r" width="5" height="5"/></defs>'
    result = supported('<rect width="10" height="10" clip-path="url(#c)"/>' * size + clip)
    assert kinds(result) == ["clip_begin", "fill", "clip_end"] * size
    begins = result.commands[0::3]
    assert len({c.source_index for c in begins}) == 1
    assert all(c.path_points == begins[0].path_points for c in begins)


def test_each_clip_keeps_its_own_summary():
    result = supported('<rect width="10" height="10" clip-path="url(#a)"/>'
                       '<rect width="10" height="10" clip-path="url(#b)"/>'
                       '<rect width="10" height="10" clip-path="url(#a)"/>'
                       '<clipPath id="a"><rect width="5" height="5"/></clipPath>'
                       '<clipPath id="b"><circle r="3"/></clipPath>')
    begins = [c for c in result.commands if c.kind == "clip_begin"]
    assert [len(c.path_verbs) for c in begins] == [5, 18, 5]
    assert begins[0].source_index == begins[2].source_index != begins[1].source_index
    two = record('<rect width="10" height="10" clip-path="url(#a)"/>'
                 '<rect width="10" height="10" clip-path="url(#b)"/>'
                 '<clipPath id="a"><rect width="5" height="5"/></clipPath>'
                 '<clipPath id="b"><rect width="5" height="5"/><circle r="3"/></clipPath>')
    assert two.reason_code == "unsupported_complex_clip"


# --- visibility -----------------------------------------------------------------------------

@pytest.mark.parametrize("visibility", ["hidden", "collapse"])
def test_invisible_shapes_paint_and_clip_nothing(visibility):
    assert supported(f'<rect width="10" height="10" visibility="{visibility}"/>').commands == ()
    clipped = record(CLIPPED + f'<clipPath id="c"><rect width="5" height="5" visibility="{visibility}"/>'
                     '<rect width="2" height="2"/></clipPath>')
    assert kinds(clipped) == ["clip_begin", "fill", "clip_end"]
    assert clipped.commands[0].path_points[2] == (2.0, 2.0)
