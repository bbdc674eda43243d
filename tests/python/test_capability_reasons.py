"""Capability screening of attributes, style elements and CSS declarations as a host sees it:
the status and first reason code of record_paint_commands_svg, including which rule wins when
several could apply and when a reason waits until its element actually paints."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def outcome(body):
    result = core.record_paint_commands_svg(f'<svg {SVG_NS} width="100" height="100">{body}</svg>')
    if result.status != "supported":
        assert result.commands == ()
    return result.status, result.reason_code


def painted_rect(attrs):
    return f'<rect width="10" height="10" {attrs}/>'


def expect(reason):
    return ("unsupported", reason) if reason else ("supported", "")


# Attributes on a rect that paints, so that deferred reasons surface too.
RECT_ATTRIBUTE_CASES = [
    # conditional processing, path length and base URIs
    ("required_extensions", 'requiredExtensions="http://example.com/x"', "unsupported_conditional_processing"),
    ("required_features", 'requiredFeatures=""', "unsupported_conditional_processing"),
    ("system_language", 'systemLanguage="en"', "unsupported_conditional_processing"),
    ("path_length", 'pathLength="10"', "unsupported_path_length"),
    ("xml_base", 'xml:base="http://example.com/"', "unsupported_external_resource"),
    # inherit is accepted before any url, range or colour test
    ("fill_inherit", 'fill="inherit"', ""),
    ("fill_padded_inherit", 'fill=" inherit "', ""),
    ("stroke_width_inherit", 'stroke-width="inherit"', ""),
    ("fill_upper_case_inherit", 'fill="INHERIT"', ""),
    # url scan: only the first url( counts, any letter case, quotes and spaces skipped
    ("fill_external_url", 'fill="url(a.svg#x)"', "unsupported_external_resource"),
    ("fill_external_url_upper_case", "fill=\"URL( 'a.svg#x')\"", "unsupported_external_resource"),
    ("clip_path_external_url", 'clip-path="url(other.svg#c)"', "unsupported_external_resource"),
    ("url_scan_before_range", 'x="url(a.svg) 1e39"', "unsupported_external_resource"),
    ("first_url_only", 'fill="url(#g) url(b.svg)"', "unsupported_paint_server"),
    # float range of geometry numbers
    ("x_above_float", 'x="3.5e38"', "unsupported_input_precision"),
    ("x_below_normal_float", 'x="1e-39"', "unsupported_input_precision"),
    ("x_smallest_normal_passes", 'x="2e-38"', ""),
    ("x_largest_passes", 'x="3.4e38"', ""),
    ("x_zero_passes", 'x="0"', ""),
    ("range_before_value_test", 'stroke-width="-1e-39"', "unsupported_input_precision"),
    ("range_skips_units", 'stroke-width="2em"', ""),
    ("range_on_non_geometry_ignored", 'opacity="1e-39"', ""),
    # colour properties
    ("fill_local_url", 'fill="url(#g)"', "unsupported_paint_server"),
    ("fill_local_url_with_fallback", 'fill="url(#g) red"', "unsupported_paint_server"),
    ("stroke_local_url_quoted", "stroke=\"url('#g')\"", "unsupported_paint_server"),
    ("fill_empty", 'fill=""', "unsupported_color_syntax"),
    ("fill_blank", 'fill="  "', "unsupported_color_syntax"),
    ("fill_unknown_colour", 'fill="reddish"', "unsupported_color_syntax"),
    ("fill_trailing_text", 'fill="red blue"', "unsupported_color_syntax"),
    ("fill_padded_colour", 'fill=" red "', ""),
    ("fill_none", 'fill="none" stroke="black"', ""),
    ("stroke_none", 'stroke="none"', ""),
    ("color_current_color", 'color="currentColor"', ""),
    ("stop_color_on_shape", 'stop-color="oops"', "unsupported_color_syntax"),
    # keyword-valued capabilities: the accepted value ends the classification
    ("vector_effect_none", 'vector-effect="none"', ""),
    ("vector_effect_non_scaling", 'vector-effect="non-scaling-stroke"', ""),
    ("vector_effect_other", 'vector-effect="non-rotation"', "unsupported_vector_effect"),
    ("paint_order_normal", 'paint-order=" normal "', ""),
    ("paint_order_other", 'paint-order="stroke fill"', "unsupported_paint_order"),
    ("filter_none", 'filter="none"', ""),
    ("filter_url", 'filter="url(#f)"', "unsupported_filter"),
    ("mask_none", 'mask="none"', ""),
    ("mask_url", 'mask="url(#m)"', "unsupported_mask"),
    ("blend_normal", 'mix-blend-mode="normal"', ""),
    ("blend_multiply", 'mix-blend-mode="multiply"', "unsupported_blend_mode"),
    ("isolation_auto", 'isolation="auto"', ""),
    ("isolation_isolate", 'isolation="isolate"', "unsupported_blend_mode"),
    ("color_interpolation_srgb", 'color-interpolation="sRGB"', ""),
    ("color_interpolation_linear", 'color-interpolation="linearRGB"', "unsupported_color_interpolation"),
    ("color_interpolation_any_case", 'color-interpolation="srgb"', ""),
    # scripts
    ("onclick", 'onclick="alert(1)"', "unsupported_script"),
    ("bare_on", 'on="x"', "unsupported_script"),
    ("single_o_is_unknown", 'o="x"', ""),
    ("upper_case_on_is_unknown", 'ONCLICK="x"', ""),
    # clip-path references
    ("clip_path_trailing_text", 'clip-path="url(#c) x"', "unsupported_clip_path"),
    ("clip_path_not_a_reference", 'clip-path="circle(5px)"', "unsupported_clip_path"),
    ("clip_path_unclosed", 'clip-path="url(#c"', "unsupported_clip_path"),
    ("clip_path_empty_id", 'clip-path="url(#)"', "unsupported_clip_path"),
    ("clip_path_upper_case_url", 'clip-path="URL(#c)"', "unresolved_clip_path"),
    ("clip_path_none", 'clip-path="none"', ""),
    # keyword properties
    ("fill_rule_evenodd", 'fill-rule="evenodd"', ""),
    ("fill_rule_any_case", 'fill-rule="evenOdd"', ""),
    ("clip_rule_other", 'clip-rule="inherit-ish"', "unsupported_property_value"),
    ("display_block", 'display="block"', "unsupported_property_value"),
    ("visibility_collapse", 'visibility="collapse"', ""),
    ("overflow_scroll", 'overflow="scroll"', "unsupported_property_value"),
    ("linecap_square", 'stroke-linecap="square"', ""),
    ("linejoin_arcs", 'stroke-linejoin="arcs"', "unsupported_property_value"),
    ("pointer_events_bounding_box", 'pointer-events="bounding-box"', ""),
    ("pointer_events_other", 'pointer-events="visibleAll"', "unsupported_property_value"),
    # stroke parameters
    ("stroke_width_negative", 'stroke-width="-1"', "unsupported_property_value"),
    ("stroke_width_percent", 'stroke-width="5%"', ""),
    ("stroke_width_unknown_unit", 'stroke-width="2vw"', "unsupported_property_value"),
    ("stroke_dashoffset_negative", 'stroke-dashoffset="-1px"', ""),
    ("stroke_dasharray_mixed_separators", 'stroke-dasharray="5, 3 2"', ""),
    ("stroke_dasharray_none", 'stroke-dasharray="none"', ""),
    ("stroke_dasharray_double_comma", 'stroke-dasharray="5,,3"', "unsupported_property_value"),
    ("stroke_dasharray_trailing_comma", 'stroke-dasharray="5,"', "unsupported_property_value"),
    ("stroke_dasharray_negative", 'stroke-dasharray="5 -3"', "unsupported_property_value"),
    ("stroke_miterlimit_below_one", 'stroke-miterlimit="0.5"', "unsupported_property_value"),
    ("stroke_miterlimit_one", 'stroke-miterlimit="1"', ""),
    ("stroke_miterlimit_unit", 'stroke-miterlimit="4px"', "unsupported_property_value"),
    # opacities
    ("opacity_percent", 'opacity="50%"', ""),
    ("opacity_two_points", 'opacity="0.5.5"', "unsupported_property_value"),
    ("opacity_out_of_range_is_accepted", 'opacity="7"', ""),
    ("fill_opacity_word", 'fill-opacity="half"', "unsupported_property_value"),
    ("stop_opacity_partial", 'stop-opacity="0.5"', "unsupported_partial_alpha"),
    ("stop_opacity_partial_percent", 'stop-opacity="50%"', "unsupported_partial_alpha"),
    ("stop_opacity_one", 'stop-opacity="1.0e0"', ""),
    ("stop_opacity_ten_tenths", 'stop-opacity="10e-1"', ""),
    ("stop_opacity_negative", 'stop-opacity="-0.5"', ""),
    ("stop_opacity_just_below_one", 'stop-opacity="0.999999999999999999999"', "unsupported_partial_alpha"),
    ("stop_opacity_tiny", 'stop-opacity="1e-1000000000000"', "unsupported_partial_alpha"),
    # unknown attributes are no capability question
    ("unknown_attribute", 'data-note="x"', ""),
]


@pytest.mark.parametrize("attrs,reason", [c[1:] for c in RECT_ATTRIBUTE_CASES],
                         ids=[c[0] for c in RECT_ATTRIBUTE_CASES])
def test_attribute_on_a_painting_shape(attrs, reason):
    assert outcome(painted_rect(attrs)) == expect(reason)


OTHER_CASES = [
    # references through href: a leading "#" after whitespace is local
    ("use_local_href", '<rect id="r" width="1" height="1"/><use href=" #r"/>', ""),
    ("use_external_href", '<use href="a.svg#r"/>', "unsupported_external_resource"),
    ("use_external_xlink_href", '<use xmlns:xlink="http://www.w3.org/1999/xlink" xlink:href="a.svg#r"/>',
     "unsupported_external_resource"),
    ("use_blank_href", '<use href="  "/>', "unresolved_reference"),
    ("image_href_is_an_image", '<image href="#r"/>', "unsupported_image"),
    ("image_external_href_is_an_image", '<image href="/etc/passwd"/>', "unsupported_image"),
    # style elements
    ("style_media_all", '<style media="all">rect { fill: red }</style>', ""),
    ("style_media_empty", '<style media="">rect { fill: red }</style>', ""),
    ("style_media_print", '<style media="print"/>', "unsupported_css_media"),
    ("style_type_css", '<style type=" text/css ">rect { fill: red }</style>', ""),
    ("style_type_other", '<style type="text/less"/>', "unsupported_css_type"),
    ("style_scoped", '<style scoped=""/>', "unsupported_css_scope"),
    ("style_element_reasons_are_immediate", '<style pathLength="1"/>', "unsupported_path_length"),
    ("media_only_counts_on_style", painted_rect('media="print"'), ""),
    # CSS declarations
    ("css_width", '<style>rect { width: 10px }</style>' + painted_rect(""), "unsupported_css_property"),
    ("css_transform", '<style>rect { transform: rotate(1deg) }</style>' + painted_rect(""),
     "unsupported_css_property"),
    ("css_offset_path", painted_rect('style="offset-path: none"'), "unsupported_css_property"),
    ("css_all", painted_rect('style="all: initial"'), "unsupported_css_property"),
    ("css_unknown_name", painted_rect('style="foo: 1"'), ""),
    ("css_inherit", painted_rect('style="stroke-width: inherit"'), ""),
    ("css_bad_colour", painted_rect('style="fill: reddish"'), "unsupported_color_syntax"),
    ("css_paint_order", '<style>rect { paint-order: markers }</style>' + painted_rect(""),
     "unsupported_paint_order"),
    # float range of path data, which is read before it is classified
    ("path_data_exponent_below_float", '<path d="M0 0 L1 1 1e-39 0"/>', "unsupported_input_precision"),
    ("path_data_long_run_below_float", '<path d="M0 0 L1 1 .' + "0" * 38 + '1 0"/>', "unsupported_input_precision"),
    ("path_data_long_run_in_range", '<path d="M0 0 L1 1 .' + "0" * 36 + '1 0"/>', ""),
    ("path_data_exponent_in_range", '<path d="M0 0 L1 1 2e-38 0"/>', ""),
    ("path_data_range_waits_in_defs", '<defs><path d="M0 0 L1 1 1e-39 0"/></defs>', ""),
]


@pytest.mark.parametrize("body,reason", [c[1:] for c in OTHER_CASES], ids=[c[0] for c in OTHER_CASES])
def test_references_style_elements_and_declarations(body, reason):
    assert outcome(body) == expect(reason)


DEFERRAL_CASES = [
    # deferred reasons wait for paint
    ("hidden_shape", painted_rect('paint-order="stroke" display="none"'), ""),
    ("invisible_fill", painted_rect('paint-order="stroke" fill="none"'), ""),
    ("fully_transparent_fill", painted_rect('stroke-width="-1" fill-opacity="0"'), ""),
    ("empty_group", '<g stroke-width="-1"/>', ""),
    ("group_with_painting_child", '<g stroke-width="-1"><rect width="1" height="1"/></g>',
     "unsupported_property_value"),
    ("definition_never_drawn", '<defs><rect width="1" height="1" filter="url(#f)"/></defs>', ""),
    ("definition_drawn_through_use", '<defs><rect id="r" width="1" height="1" filter="url(#f)"/></defs>'
     '<use href="#r"/>', "unsupported_filter"),
    ("use_carries_the_reason", '<defs><rect id="r" width="1" height="1"/></defs><use href="#r" mask="url(#m)"/>',
     "unsupported_mask"),
    # immediate reasons do not wait (x, y, width, height, d and points wait like CSS properties)
    ("deferred_geometry_in_defs", '<defs><rect width="1" height="1" x="1e39"/></defs>', ""),
    ("immediate_on_empty_group", '<g onload="x"/>', "unsupported_script"),
    ("immediate_in_defs", '<defs><line x2="1" x1="1e39"/></defs>', "unsupported_input_precision"),
    ("immediate_before_deferred", painted_rect('stroke-width="-1" onclick="x"'), "unsupported_script"),
    ("first_immediate_wins", painted_rect('xml:base="a" onclick="x"'), "unsupported_external_resource"),
    ("deferred_in_document_order",
     painted_rect('paint-order="stroke"') + painted_rect('vector-effect="x"'), "unsupported_paint_order"),
    # a stronger declaration clears a weaker deferred reason and a weaker one cannot
    ("inline_style_clears_attribute", painted_rect('stroke-width="-1" style="stroke-width: 2"'), ""),
    ("attribute_cannot_clear_inline_style", painted_rect('style="stroke-width: -1" stroke-width="2"'),
     "unsupported_property_value"),
    ("sheet_clears_attribute", '<style>rect { paint-order: normal }</style>' + painted_rect('paint-order="stroke"'),
     ""),
    ("sheet_cannot_clear_inline_style",
     '<style>rect { paint-order: normal }</style>' + painted_rect('style="paint-order: stroke"'),
     "unsupported_paint_order"),
    ("important_sheet_clears_inline_style",
     '<style>rect { paint-order: normal !important }</style>' + painted_rect('style="paint-order: stroke"'), ""),
    ("important_inline_beats_important_sheet",
     '<style>rect { paint-order: normal !important }</style>'
     + painted_rect('style="paint-order: stroke !important"'), "unsupported_paint_order"),
]


@pytest.mark.parametrize("body,reason", [c[1:] for c in DEFERRAL_CASES], ids=[c[0] for c in DEFERRAL_CASES])
def test_deferred_and_immediate_reasons(body, reason):
    assert outcome(body) == expect(reason)


def test_inherit_value_still_has_to_parse_as_the_property():
    # The screen lets "inherit" through; a geometry property that cannot hold it then fails to parse.
    assert outcome(painted_rect('x="inherit"')) == ("unsupported", "unsupported_attribute_value")


def test_refused_fill_is_not_applied():
    # An attribute with a reason is never set: the fill would otherwise be red.
    result = core.record_paint_commands_svg(
        f'<svg {SVG_NS} width="10" height="10"><g fill="red"><rect width="1" height="1" fill="url(#g)"/></g></svg>')
    assert result.reason_code == "unsupported_paint_server"


# Each source beats the ones before it: attribute 1 < sheet 16 < style attribute 256
# < sheet !important 4096 < style attribute !important 65536.
LADDER = [
    ("attribute", "", 'fill="#010000"', (1, 0, 0, 255)),
    ("sheet_beats_attribute", "rect { fill: #020000 }", 'fill="#010000"', (2, 0, 0, 255)),
    ("style_beats_sheet", "rect { fill: #020000 }", 'fill="#010000" style="fill: #030000"', (3, 0, 0, 255)),
    ("important_sheet_beats_style", "rect { fill: #040000 !important } rect { fill: #020000 }",
     'style="fill: #030000"', (4, 0, 0, 255)),
    ("important_style_beats_important_sheet", "rect { fill: #040000 !important }",
     'style="fill: #050000 !important"', (5, 0, 0, 255)),
    ("later_equal_rule_wins", "rect { fill: #060000 } rect { fill: #070000 }", "", (7, 0, 0, 255)),
    ("more_specific_rule_wins_over_later", "#r { fill: #080000 } rect { fill: #090000 }", 'id="r"', (8, 0, 0, 255)),
]


@pytest.mark.parametrize("sheet,attrs,rgba", [c[1:] for c in LADDER], ids=[c[0] for c in LADDER])
def test_specificity_ladder(sheet, attrs, rgba):
    result = core.record_paint_commands_svg(
        f'<svg {SVG_NS} width="10" height="10"><style>{sheet}</style><rect width="1" height="1" {attrs}/></svg>')
    assert (result.status, result.reason_code) == ("supported", "")
    (fill,) = result.commands
    assert fill.rgba == rgba


@pytest.mark.parametrize(
    "attrs,reason",
    [
        ('x="' + "1" * 1_000_000 + '"', "unsupported_input_precision"),
        ('x="0.' + "0" * 1_000_000 + '1"', ""),
        ('opacity="' + "9" * 1_000_000 + '"', "unsupported_property_value"),
    ],
    ids=["digits", "long-fraction", "digits-outside-geometry"],
)
def test_megabyte_digit_runs_are_screened(attrs, reason):
    # A run of digits too long for a double is skipped byte by byte until what is left fits, and
    # that tail lies beyond the float range.
    assert outcome(painted_rect(attrs)) == expect(reason)


@pytest.mark.parametrize(
    "body,reason",
    [
        ('<text textLength="10" lengthAdjust="spacingAndGlyphs">a</text>', "unsupported_text"),
        ('<text><tspan textLength="5">b</tspan>c</text>', "unsupported_text"),
        ("<text font-family=\"'\">a</text>", "unsupported_text"),
        ("<text font-family='\"'>a</text>", "unsupported_text"),
        ("<text font-family=\"''\" textLength=\"0\"> </text>", "unsupported_text"),
        ('<linearGradient id="g" href="#g"><stop offset="0.5" stop-color="red"/></linearGradient>'
         '<rect width="1" height="1" fill="url(#g)"/>', "unsupported_paint_server"),
        ('<radialGradient id="a" href="#b"/><radialGradient id="b" href="#a"/>'
         '<rect width="1" height="1" stroke="url(#a)"/>', "unsupported_paint_server"),
        ('<pattern id="p" width="1" height="1" patternContentUnits="objectBoundingBox" href="#p">'
         '<rect width="1" height="1" fill="url(#p)"/></pattern><rect width="1" height="1" fill="url(#p)"/>',
         "unsupported_paint_server"),
        ('<mask id="m"><rect width="1" height="1" mask="url(#m)"/></mask><rect width="1" height="1" mask="url(#m)"/>',
         "unsupported_mask"),
        ('<image width="1" height="1" href="data:image/png;base64,"/>', "unsupported_image"),
    ],
    ids=["text-length-one-char", "tspan-length", "family-single-quote", "family-double-quote",
         "family-empty-quotes", "gradient-self-reference", "gradient-mutual-reference", "pattern-self-use",
         "mask-self-reference", "image-empty-data"],
)
def test_refused_documents_still_lay_out_safely(body, reason):
    # The viewport of an unsupported document is still read, which lays the whole tree out.
    result = core.record_paint_commands_svg(
        f'<svg {SVG_NS} width="20" height="10" viewBox="0 0 20 10">{body}</svg>')
    assert (result.status, result.reason_code) == ("unsupported", reason)
    assert result.viewport == (0.0, 0.0, 20.0, 10.0)
