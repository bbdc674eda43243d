"""Screening and parsing outcomes of record_paint_commands_svg: the status and the first
reason code for encodings, DOCTYPEs, namespaces, names, malformed XML and hostile nesting."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")

NS = 'xmlns="http://www.w3.org/2000/svg"'
RECT = '<rect width="1" height="1"/>'


def nested(name, levels):
    return f"<svg {NS}>" + f"<{name}>" * levels + f"</{name}>" * levels + "</svg>"


CASES = [
    ("supported", f"<svg {NS}>{RECT}</svg>", "supported", ""),
    ("bom", b"\xef\xbb\xbf" + f"<svg {NS}>{RECT}</svg>".encode(), "supported", ""),
    ("utf16_mark", b"\xff\xfe" + f"<svg {NS}/>".encode(), "unsupported", "unsupported_xml_encoding"),
    ("declared_latin1", f'<?xml version="1.0" encoding="ISO-8859-1"?><svg {NS}/>', "unsupported",
     "unsupported_xml_encoding"),
    ("encoding_before_doctype", f'<?xml version="1.0" encoding="ascii"?><!DOCTYPE svg><svg {NS}/>',
     "unsupported", "unsupported_xml_encoding"),
    ("doctype_before_namespace", '<!DOCTYPE svg><svg xmlns="http://example.com/"/>', "unsupported",
     "unsupported_doctype"),
    ("foreign_namespace", '<svg xmlns="http://example.com/"/>', "unsupported", "unsupported_namespace"),
    ("namespace_with_reference", f'<svg xmlns="http://www.w3.org/2000/sv&#103;">{RECT}</svg>',
     "supported", ""),
    ("non_ascii_name", f"<svg {NS}><\u00e9/></svg>", "unsupported", "unsupported_xml_name"),
    ("end_tag_mismatch", f"<svg {NS}></g>", "invalid", "invalid_svg"),
    ("duplicate_attribute", f'<svg {NS}><rect x="1" x="2"/></svg>', "invalid", "invalid_svg"),
    ("comment_with_double_hyphen", f"<svg {NS}><!-- a -- b --></svg>", "invalid", "invalid_svg"),
    ("root_not_svg", f"<g {NS}/>", "invalid", "invalid_svg"),
    ("stylesheet_instruction", f'<?xml-stylesheet href="a.css"?><svg {NS}>{RECT}</svg>', "unsupported",
     "unsupported_external_resource"),
    ("unknown_element", f"<svg {NS}><foo/>{RECT}</svg>", "unsupported", "unsupported_element"),
    ("first_reason_wins", f"<svg {NS}><mask/><linearGradient/></svg>", "unsupported", "unsupported_mask"),
    ("duplicate_id", f'<svg {NS}><g id="a"/><g id="a"/></svg>', "unsupported",
     "unsupported_duplicate_id"),
    ("deepest_nesting", nested("g", 1023), "supported", ""),
    ("too_deep", nested("g", 1024), "unsupported", "unsupported_complexity"),
    ("hostile_nesting", nested("g", 200_000), "unsupported", "unsupported_complexity"),
    ("deep_ignored_content", nested("foo", 200_000), "unsupported", "unsupported_element"),
]


@pytest.mark.parametrize("svg,status,reason", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_status_and_first_reason(svg, status, reason):
    result = core.record_paint_commands_svg(svg)
    assert (result.status, result.reason_code) == (status, reason)
    if status != "supported":
        assert len(result.commands) == 0


@pytest.mark.parametrize(
    "svg,expected",
    [
        (f'<svg {NS} data-pavrix-origin="image-vectorizer">{RECT}</svg>', True),
        (f'<svg {NS} data-pavrix-origin="Image-Vectorizer">{RECT}</svg>', False),
        (f'<svg {NS}><g data-pavrix-origin="image-vectorizer">{RECT}</g></svg>', False),
        (f"<svg {NS}>{RECT}</svg>", False),
    ],
    ids=["root", "other_case", "child", "absent"],
)
def test_origin_flag(svg, expected):
    assert core.record_paint_commands_svg(svg).image_vectorizer_origin is expected
