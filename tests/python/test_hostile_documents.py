"""Hostile and fuzz-found documents: every one ends as a status and a reason code, and a
supported recording is well formed (balanced clip and group stacks, finite numbers,
points matching the verbs). Inputs that once broke these promises are kept here."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

NS = 'xmlns="http://www.w3.org/2000/svg"'
RECT = '<rect width="1" height="1"/>'
POINTS_PER_VERB = {"move_to": 1, "line_to": 1, "cubic_to": 3, "close": 0}


def svg(body, attrs='width="10" height="10"'):
    return f"<svg {NS} {attrs}>{body}</svg>"


def marker_chain(count, both_ends):
    ends = ' marker-end="url(#k{next})"' if both_ends else ""
    markers = "".join(
        f'<marker id="k{i}"><path d="M0 0 L1 0" marker-start="url(#k{i + 1})"{ends.format(next=i + 1)}/></marker>'
        for i in range(count))
    return svg(f'<defs>{markers}</defs><path d="M0 0 L5 5" marker-start="url(#k0)"/>')


def use_chain(count):
    uses = "".join(f'<use id="v{i}" href="#v{i + 1}"/>' for i in range(count))
    return svg(f'<defs>{uses}<rect id="v{count}" width="1" height="1"/></defs><use href="#v0"/>')


def use_bomb(levels, width):
    groups = "".join(f'<g id="u{i}">' + f'<use href="#u{i - 1}"/>' * width + "</g>" for i in range(1, levels))
    return svg(f'<defs><rect id="u0" width="1" height="1"/>{groups}</defs><use href="#u{levels - 1}"/>')


SUPPORTED = ("supported", "")
COMPLEXITY = ("unsupported", "unsupported_complexity")
PRECISION = ("unsupported", "unsupported_input_precision")
INVALID = ("invalid", "invalid_svg")

# (id, document or a function building it, (status, reason))
CASES = [
    # Nesting near and past the element depth cap, also through references.
    ("groups_at_depth_cap", lambda: svg("<g>" * 1022 + RECT + "</g>" * 1022), SUPPORTED),
    ("groups_past_depth_cap", lambda: svg("<g>" * 1023 + RECT + "</g>" * 1023), COMPLEXITY),
    ("groups_far_past_depth_cap", lambda: svg("<g>" * 200000 + "</g>" * 200000), COMPLEXITY),
    ("unknown_elements_far_past_depth_cap", lambda: svg("<x>" * 200000 + "</x>" * 200000),
     ("unsupported", "unsupported_element")),
    ("deep_groups_inside_clip_path",
     lambda: svg('<clipPath id="c">' + "<g>" * 1000 + RECT + "</g>" * 1000 + "</clipPath>"
                 '<rect width="3" height="3" clip-path="url(#c)"/>'), ("unsupported", "unsupported_empty_clip")),
    ("nested_viewports_with_clips",
     lambda: svg('<svg width="10" height="10" overflow="hidden" viewBox="1 1 10 10">' * 1000 + RECT + "</svg>" * 1000),
     SUPPORTED),
    ("nested_opacity_groups_with_clips",
     lambda: svg('<clipPath id="c"><rect width="9" height="9"/></clipPath>'
                 + '<g opacity="0.5" clip-path="url(#c)">' * 1000 + RECT + "</g>" * 1000), SUPPORTED),
    # Reference cycles and amplification.
    ("use_of_itself", svg('<use id="u" href="#u"/>'), SUPPORTED),
    ("use_of_its_ancestor", svg('<g id="a"><use href="#a"/></g>'), SUPPORTED),
    ("uses_of_each_other", svg('<use id="a" href="#b"/><use id="b" href="#a"/>'), SUPPORTED),
    ("use_chain_past_depth_cap", lambda: use_chain(3000), COMPLEXITY),
    ("use_bomb", lambda: use_bomb(10, 10), COMPLEXITY),
    ("marker_of_itself", svg('<marker id="m"><path d="M0 0 L1 1" marker-end="url(#m)"/></marker>'
                             '<path d="M0 0 L3 4" marker-end="url(#m)"/>'), SUPPORTED),
    ("long_marker_chain", lambda: marker_chain(20000, False), COMPLEXITY),
    ("clip_path_of_itself", svg('<clipPath id="c" clip-path="url(#c)"><rect width="5" height="5"/></clipPath>'
                                '<rect width="3" height="3" clip-path="url(#c)"/>'),
     ("unsupported", "unsupported_complex_clip")),
    # Style sheets that nest or never end.
    ("deeply_nested_not", lambda: svg("<style>" + ":not(" * 10000 + ".a" + ")" * 10000 + "{fill:red}</style>" + RECT),
     COMPLEXITY),
    ("unclosed_nested_not", lambda: svg("<style>" + ":not(" * 100000 + "</style>" + RECT), COMPLEXITY),
    ("unclosed_comment_in_sheet", lambda: svg("<style>rect{fill:red} /*" + "x" * 100000 + "</style>" + RECT),
     SUPPORTED),
    ("open_braces_only", lambda: svg("<style>" + "{" * 100000 + "</style>" + RECT),
     ("unsupported", "unsupported_css_rule")),
    # Long values.
    ("long_unknown_attribute", lambda: svg(f'<rect width="1" height="1" data-x="{"v" * 1000000}"/>'), SUPPORTED),
    ("long_path_data", lambda: svg(f'<path d="M0 0{" l1 1" * 200000}"/>'), SUPPORTED),
    ("long_transform_list", lambda: svg(f'<rect width="1" height="1" transform="{" translate(1)" * 100000}"/>'),
     SUPPORTED),
    ("unterminated_doctype_subset", lambda: "<!DOCTYPE svg [" + "[" * 10000 + svg(RECT),
     ("unsupported", "unsupported_doctype")),
    # References and bytes the reader refuses.
    ("reference_above_unicode", svg('<rect id="&#x110000;"/>'), INVALID),
    ("reference_overflowing_32_bits", svg('<rect id="&#4294967296;"/>'), INVALID),
    ("encoded_surrogate", svg(RECT).encode().replace(b"<rect", b'<rect id="\xed\xa0\x80"'), INVALID),
    ("nul_byte_after_root", svg(RECT) + "\x00", INVALID),
    ("non_finite_words_as_numbers", svg('<rect width="inf" height="NaN"/>'),
     ("unsupported", "unsupported_attribute_value")),
    ("number_above_double_range", svg('<path d="M0 0 L1e999 0"/>'), ("unsupported", "unsupported_attribute_value")),
    # Float overflow in layout must not reach a supported recording as inf or NaN.
    ("transform_product_overflows", svg('<rect width="1" height="1" transform="scale(1e30) scale(1e30)"/>'),
     PRECISION),
    ("matrix_with_scaled_huge_entry",
     svg('<path transform="matrix(5 5 1e38 -4 .5 .1) scale(5)" d="M1 5 L7 0"/>'), PRECISION),
    ("percentage_of_huge_view_box", svg(RECT, 'viewBox="0 0 4e36 7"'), PRECISION),
    ("viewport_clip_of_huge_view_box", svg('<svg y="7mm" viewBox="0,1,5,1e38"/>', 'viewBox="0,3,50,5"'), PRECISION),
    ("path_end_past_float_range", svg('<path d="M0 0 L1e38 0 l3e38 0"/>'), PRECISION),
    ("nested_viewport_scales_past_float_range",
     lambda: svg('<svg width="10" height="10" viewBox="0 0 5 5">' * 1000 + RECT + "</svg>" * 1000), PRECISION),
    ("nested_scales_past_float_range",
     svg('<g transform="scale(1e30)"><rect width="1" height="1" transform="scale(1e30)"/></g>'), PRECISION),
    ("fuzz_viewbox_without_size",
     '<!----><svg m=\'\'k=\'\'viewBox="1\t1\t.4e38\t7"><svg x="3"/><rect\nm=""e=\'\'k=""x=\'1pt\'y=\'7\'r=""'
     'ry=\'5em\'></rect></svg><!---->', PRECISION),
    ("fuzz_nested_viewport_clip",
     '<svg s=\'\'viewBox="0,3,50,5"><clipPath i=""><polygon s=""></polygon></clipPath><g t=""><svg\tt=""y=\'7mm\''
     'h=""viewBox="0,1,5,1e38"/><marker i=\'\'s=\'\'x=""w=""></marker></g></svg>', PRECISION),
    ("fuzz_transform_chain",
     '<svg\tk=\'\'o=""h=""><path\tt=""transform=\'translate(1)matrix(5 5,1e38-4 .5.1)rotate(5)scale(5)scale(8)\''
     'e=""d="M1,5,7 0M3,5"></path></svg><!---->', PRECISION),
]


def finite(value):
    return isinstance(value, float) and math.isfinite(value)


def violations(result):
    found = []
    if result.status not in ("supported", "unsupported", "invalid"):
        found.append(f"status {result.status!r}")
    if (result.status == "supported") != (result.reason_code == ""):
        found.append(f"status {result.status} with reason {result.reason_code!r}")
    if result.status != "supported":
        if len(result.commands):
            found.append("commands without support")
        return found
    if not all(map(finite, tuple(result.bounds) + tuple(result.viewport))):
        found.append(f"bounds {tuple(result.bounds)} viewport {tuple(result.viewport)}")
    stack = []
    for index, command in enumerate(result.commands):
        kind = command.kind
        if kind in ("clip_begin", "group_begin"):
            stack.append(kind[:-6])
        elif kind in ("clip_end", "group_end"):
            if not stack or stack.pop() != kind[:-4]:
                found.append(f"command {index}: unmatched {kind}")
        if not all(map(finite, command.matrix)):
            found.append(f"command {index}: matrix {command.matrix}")
        points = command.path_points
        if len(points) != sum(POINTS_PER_VERB[verb] for verb in command.path_verbs):
            found.append(f"command {index}: {len(points)} points for its verbs")
        if not all(finite(x) and finite(y) for x, y in points):
            found.append(f"command {index}: non-finite point")
    if stack:
        found.append(f"open at the end: {stack}")
    return found


def many_rules(rule, element, count=20000):
    """`count` style rules and `count` elements, rule i written for element i only."""
    rules = "".join(rule(i) + f" {{ fill: #{i % 256:02x}{i // 256 % 256:02x}00 }}\n" for i in range(count))
    return svg(f"<style>{rules}</style>" + "".join(element(i) for i in range(count)))


def deep_chain_with_many_rules(depth=1000, count=20000):
    rules = "".join(f".c{i % depth} .c{(i * 7) % depth} rect {{ fill: #{i % 256:02x}{i // 256 % 256:02x}00 }}\n"
                    for i in range(count))
    return svg(f"<style>{rules}</style>" + "".join(f'<g class="c{k}">' for k in range(depth)) + RECT + "</g>" * depth)


# Many rules times many elements: each element's rules are found through the features of its
# ancestors instead of a walk per rule, so these stay fast (bench/css_rules_bench.py times them).
# (id, document builder, expected colour bytes of the last paint)
MANY_RULES = [
    ("class_rule_per_group", lambda: many_rules(lambda i: f".c{i} rect", lambda i: f'<g class="c{i}">{RECT}</g>'),
     (0x1f, 0x4e, 0, 255)),
    ("id_child_rule_per_group",
     lambda: many_rules(lambda i: f"#g{i} > circle", lambda i: f'<g id="g{i}"><circle r="1"/></g>'),
     (0x1f, 0x4e, 0, 255)),
    ("universal_under_class", lambda: many_rules(lambda i: f".c{i} *", lambda i: f'<g class="c{i}"><g>{RECT}</g></g>'),
     (0x1f, 0x4e, 0, 255)),
    # Rule i matches when class i % 1000 sits above class 7i % 1000 on the chain; the last such
    # rule is 19857 (857 above 999).
    ("two_classes_over_deep_chain", deep_chain_with_many_rules, (19857 % 256, 19857 // 256, 0, 255)),
]


@pytest.mark.parametrize("case_id, document, expected", MANY_RULES, ids=[case[0] for case in MANY_RULES])
def test_many_rules_over_many_elements(case_id, document, expected):
    result = core.record_paint_commands_svg(document())
    assert (result.status, result.reason_code) == SUPPORTED
    assert tuple(result.commands[-1].rgba) == expected


@pytest.mark.parametrize("case_id, document, expected", CASES, ids=[case[0] for case in CASES])
def test_hostile_document_ends_in_a_status(case_id, document, expected):
    text = document() if callable(document) else document
    result = core.record_paint_commands_svg(text)
    assert (result.status, result.reason_code) == expected
    assert violations(result) == []


def test_supported_recordings_of_deep_documents_are_balanced():
    # Groups, viewport clips and shape clips interleaved to the depth cap.
    body = ('<clipPath id="c"><rect width="9" height="9"/></clipPath>'
            + '<g opacity="0.5"><svg width="9" height="9" overflow="hidden"><g clip-path="url(#c)">' * 300
            + '<rect width="1" height="1" stroke="red"/>'
            + "</g></svg></g>" * 300)
    result = core.record_paint_commands_svg(svg(body))
    assert result.status == "supported"
    assert len(result.commands) > 1800
    assert violations(result) == []
