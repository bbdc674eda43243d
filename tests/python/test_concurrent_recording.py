"""Recording from many threads at once: the record functions release the interpreter lock, and
every result must equal the one the same input gives when recorded alone."""

import random
import struct
import threading

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
THREADS = 8
CALLS_PER_THREAD = 50


def svg(body, attrs='width="100" height="100"'):
    return f"<svg {SVG_NS} {attrs}>{body}</svg>"


def marker_chain(count):
    # Each marker places the next one: box and render passes nest once per link.
    links = "".join(
        f'<marker id="m{i}" overflow="visible"><path d="M0 0 L1 0" stroke="black" '
        f'marker-start="url(#m{i + 1})"/></marker>'
        for i in range(count)
    )
    return svg('<path d="M0 0 L5 0" stroke="black" marker-start="url(#m0)"/>' + links)


def nested_marker(outer, inner):
    # Box and render nesting counts are kept per thread; at the edge of their caps, one level
    # left over from an earlier call (or counted by another thread) flips the outcome.
    content = "<g>" * inner + '<path d="M0 0 L1 0" stroke="black"/>' + "</g>" * inner
    path = '<path d="M0 0 L5 0" stroke="black" marker-start="url(#m)"/>'
    return svg(f'<marker id="m" overflow="visible">{content}</marker>' + "<g>" * outer + path + "</g>" * outer,
               'width="10" height="10"')


def use_bomb(levels, fan_out):
    defs = ['<rect id="l0" width="1" height="1"/>']
    for level in range(1, levels + 1):
        uses = "".join(f'<use href="#l{level - 1}" x="{i}"/>' for i in range(fan_out))
        defs.append(f'<g id="l{level}">{uses}</g>')
    return svg("<defs>" + "".join(defs) + f'</defs><use href="#l{levels}"/>')


def many_shapes(count):
    shapes = "".join(
        f'<rect x="{i % 37}" y="{i % 23}" width="{1 + i % 5}" height="{2 + i % 3}" '
        f'transform="rotate({i % 360} 5 5)" fill="#{i * 2654435761 % 0xFFFFFF:06x}" '
        f'clip-path="url(#c{i % 3})"/>'
        f'<path d="M{i % 41} {i % 13} l{1 + i % 7} {2 + i % 5}" stroke="black" marker-start="url(#mk)"/>'
        for i in range(count)
    )
    clips = "".join(
        f'<clipPath id="c{k}"><circle cx="{10 + k}" cy="10" r="{8 + k}"/></clipPath>' for k in range(3)
    )
    marker = '<marker id="mk" overflow="visible"><path d="M0 0 L2 1 L0 2 Z" fill="blue"/></marker>'
    return svg(clips + marker + f'<g opacity="0.5" transform="translate(3 4) scale(1.5)">{shapes}</g>')


# Supported documents touch most of the recorder; the rest end unsupported or invalid at
# different steps (pre-scan, reader, cascade, layout, box nesting, use expansion, render).
TEXT_DOCUMENTS = {
    "rect": svg('<rect x="1" y="2" width="30" height="40" fill="red"/>'),
    "shapes": svg(
        '<circle cx="20" cy="20" r="10" fill="#0a0"/><ellipse cx="50" cy="50" rx="20" ry="5"/>'
        '<line x1="0" y1="0" x2="90" y2="90" stroke="black" stroke-width="3"/>'
        '<polyline points="0,0 10,20 30,5" fill="none" stroke="blue" stroke-linejoin="round"/>'
        '<polygon points="5,5 50,5 25,40" fill-rule="evenodd" fill-opacity="0.5"/>'
        '<rect x="10" y="10" width="20" height="20" rx="4" ry="6"/>'
    ),
    "path": svg(
        '<path d="M10 10 h20 v20 q10 10 20 0 t20 0 c5 5 10 5 15 0 s10 -5 15 0 '
        'a10 15 30 1 0 20 10 A5 5 0 0 1 90 90 z m5 5 l3 3 Z" stroke="black" fill="none" '
        'stroke-dasharray="3 1.5" stroke-dashoffset="0.7" stroke-linecap="square"/>'
    ),
    "transforms": svg(
        '<g transform="translate(10,20) rotate(30) skewX(10)">'
        '<g transform="matrix(1 0.5 -0.5 1 3 4) scale(2 0.5)"><rect width="10" height="10"/></g>'
        '<rect transform="skewY(-20)" width="5" height="5" stroke="red" '
        'vector-effect="non-scaling-stroke"/></g>'
    ),
    "groups": svg(
        '<g opacity="0.5"><rect width="10" height="10"/><g opacity="0.25" fill="green">'
        '<circle cx="5" cy="5" r="5"/></g></g><g display="none"><rect width="1" height="1"/></g>'
        '<g visibility="hidden"><rect width="2" height="2"/></g>'
    ),
    "clips": svg(
        '<clipPath id="c"><rect x="5" y="5" width="50" height="50"/></clipPath>'
        '<clipPath id="d"><circle cx="20" cy="20" r="15"/></clipPath>'
        '<g clip-path="url(#c)"><rect width="80" height="80" clip-path="url(#d)"/></g>'
    ),
    "clip-units": svg('<clipPath id="d" clipPathUnits="objectBoundingBox"><rect width="1" height="1"/>'
                      '</clipPath><rect width="8" height="8" clip-path="url(#d)"/>'),
    "precision": svg('<marker id="m"><path d="M0 0 L1 1"/></marker>'
                     '<rect width="2" height="3" marker-start="url(#m)"/>'),
    "styles": svg(
        "<style>rect { fill: #123456 } .a { stroke: red; stroke-width: 2 } #z { fill-opacity: .3 }"
        " g > rect:first-child { stroke-miterlimit: 7 } circle ~ rect { fill: blue }</style>"
        '<g><rect class="a" width="5" height="5"/><rect id="z" x="6" width="5" height="5"/></g>'
        '<circle r="3"/><rect style="fill: yellow; stroke: black" y="20" width="3" height="3"/>'
    ),
    "markers": svg(
        '<marker id="m" orient="auto" markerWidth="4" markerHeight="4" refX="1" refY="1">'
        '<path d="M0 0 L2 1 L0 2 Z"/></marker>'
        '<path d="M0 0 L10 0 L10 10 L20 5" fill="none" stroke="black" '
        'marker-start="url(#m)" marker-mid="url(#m)" marker-end="url(#m)"/>'
    ),
    "use": svg(
        '<defs><g id="g"><rect width="3" height="3"/><circle cx="5" cy="5" r="1"/></g>'
        '<symbol id="s" viewBox="0 0 10 10"><rect width="10" height="10"/></symbol></defs>'
        '<use href="#g" x="10"/><use href="#g" transform="scale(2)"/>'
        '<use href="#s" width="20" height="20"/>'
    ),
    "view-box": svg(
        '<svg x="10" y="10" width="50" height="50" viewBox="0 0 10 10" overflow="hidden">'
        '<rect width="20" height="20"/></svg>',
        'width="200" height="100" viewBox="0 0 100 50" preserveAspectRatio="xMidYMid slice"',
    ),
    "origin-flag": svg('<rect width="1" height="1"/>', 'data-pavrix-origin="image-vectorizer"'),
    "many-shapes": many_shapes(120),
    "empty": svg(""),
    # text is refused, but a document with a view box is still laid out (fonts included)
    "text": svg('<text x="1" y="10" font-family="serif, monospace">Hello</text>',
                'width="10" height="10" viewBox="0 0 10 10"'),
    "tspan": svg('<text><tspan font-weight="bold" font-style="italic">x</tspan></text>',
                 'width="10" height="10" viewBox="0 0 10 10"'),
    "gradient": svg('<linearGradient id="g"><stop offset="0"/></linearGradient>'
                    '<rect width="1" height="1" fill="url(#g)"/>'),
    "mask": svg('<mask id="k"><rect width="1" height="1"/></mask><rect mask="url(#k)" width="1" height="1"/>'),
    "image": svg('<image width="1" height="1" href="data:image/png;base64,AAAA"/>'),
    "script": svg("<script>1</script>"),
    "namespace": '<svg xmlns="http://example.com/ns"/>',
    "doctype": "<!DOCTYPE svg><svg/>",
    "encoding": '<?xml version="1.0" encoding="latin1"?><svg/>',
    "too-deep": svg("<g>" * 1100 + "</g>" * 1100),
    "use-cycle": svg('<g id="a"><use href="#b"/></g><g id="b"><use href="#a"/></g>'),
    "use-bomb": use_bomb(8, 8),
    "marker-chain": marker_chain(2100),
    "nesting-edge-in": nested_marker(1020, 1021),
    "nesting-edge-out": nested_marker(1020, 1022),
    "invalid-unclosed": "<svg>",
    "invalid-mismatch": f"<svg {SVG_NS}></g>",
    "invalid-empty": "",
    "bom": "\ufeff" + svg('<rect width="2" height="3"/>'),
}


def float_key(value):
    # Bit-exact: NaN equals NaN and -0.0 differs from 0.0.
    return struct.pack("<d", value)


def normalized(value):
    if isinstance(value, float):
        return float_key(value)
    if isinstance(value, (tuple, list)):
        return tuple(normalized(item) for item in value)
    return value


def public_fields(obj):
    names = [name for name in dir(type(obj)) if not name.startswith("_")]
    return {name: getattr(obj, name) for name in names}


def snapshot(result):
    fields = public_fields(result)
    commands = fields.pop("commands")
    out = {name: normalized(value) for name, value in fields.items()}
    out["commands"] = []
    for command in commands:
        cfields = public_fields(command)
        stroke = cfields.pop("stroke")
        entry = {name: normalized(value) for name, value in cfields.items()}
        entry["stroke"] = {name: normalized(value) for name, value in public_fields(stroke).items()}
        out["commands"].append(entry)
    return out


@pytest.fixture(scope="module")
def inputs(tmp_path_factory):
    folder = tmp_path_factory.mktemp("concurrent")
    cases = [("text", name, text) for name, text in TEXT_DOCUMENTS.items()]
    for name in ("rect", "markers", "clips", "many-shapes", "text", "invalid-mismatch"):
        path = folder / f"{name}.svg"
        path.write_bytes(TEXT_DOCUMENTS[name].encode())
        cases.append(("file", name, str(path)))
    cases.append(("file", "missing", str(folder / "missing.svg")))
    cases.append(("file", "directory", str(folder)))
    return cases


def record(case):
    kind, _, payload = case
    if kind == "file":
        return core.record_paint_commands(payload)
    return core.record_paint_commands_svg(payload)


def test_corpus_covers_every_outcome(inputs):
    # The comparison below is only worth something if the inputs reach every step.
    outcomes = {(case[0], case[1]): record(case) for case in inputs}
    assert {result.status for result in outcomes.values()} == {"supported", "unsupported", "invalid"}
    assert len(outcomes["text", "many-shapes"].commands) > 500
    assert outcomes["file", "markers"].commands
    assert outcomes["text", "text"].viewport == (0.0, 0.0, 10.0, 10.0)
    assert outcomes["text", "marker-chain"].reason_code == "unsupported_complexity"
    assert outcomes["file", "missing"].status == "invalid"
    assert outcomes["text", "nesting-edge-in"].status == "supported"
    assert outcomes["text", "nesting-edge-out"].reason_code == "unsupported_complexity"
    snap = snapshot(outcomes["text", "markers"])
    assert {"status", "reason_code", "viewport", "bounds"} <= snap.keys()
    assert {"kind", "path_verbs", "path_points", "matrix", "rgba", "stroke"} <= snap["commands"][0].keys()
    assert {"width", "dash_array", "line_cap", "line_join"} <= snap["commands"][0]["stroke"].keys()


def test_threads_reproduce_sequential_results(inputs):
    expected = [snapshot(record(case)) for case in inputs]
    # Recording the same inputs twice in a row must agree before threads are compared at all.
    assert [snapshot(record(case)) for case in inputs] == expected

    barrier = threading.Barrier(THREADS)
    mismatches = []
    failures = []
    lock = threading.Lock()

    def worker(seed):
        order = random.Random(seed)
        picks = [order.randrange(len(inputs)) for _ in range(CALLS_PER_THREAD)]
        try:
            barrier.wait()
            for index in picks:
                got = snapshot(record(inputs[index]))
                if got != expected[index]:
                    with lock:
                        mismatches.append((seed, inputs[index][:2]))
        except BaseException as error:  # reported below, never lost in the thread
            with lock:
                failures.append((seed, repr(error)))

    threads = [threading.Thread(target=worker, args=(seed,)) for seed in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert failures == []
    assert mismatches == []


def test_same_document_from_all_threads_at_once(inputs):
    # Every thread records the same heavy inputs in the same order, so they overlap as much as
    # possible on shared lazily built state.
    heavy = [case for case in inputs
             if case[1] in ("many-shapes", "marker-chain", "use-bomb", "text", "nesting-edge-in")]
    expected = [snapshot(record(case)) for case in heavy]
    barrier = threading.Barrier(THREADS)
    results = [None] * THREADS

    def worker(slot):
        barrier.wait()
        results[slot] = [snapshot(record(case)) for case in heavy for _ in range(3)]

    threads = [threading.Thread(target=worker, args=(slot,)) for slot in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    want = [snap for snap in expected for _ in range(3)]
    for got in results:
        assert got == want


@pytest.fixture
def comma_decimal_locale():
    import locale

    saved = locale.setlocale(locale.LC_ALL)
    for name in ("de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"):
        try:
            locale.setlocale(locale.LC_ALL, name)
        except locale.Error:
            continue
        if locale.localeconv()["decimal_point"] == ",":
            break
    else:
        locale.setlocale(locale.LC_ALL, saved)
        pytest.skip("no locale with a decimal comma is installed")
    yield
    locale.setlocale(locale.LC_ALL, saved)


DECIMAL_DOCUMENTS = [
    svg('<rect x="0.5" y="1.25" width="1.5" height="2.75" fill="rgb(10.5%, 20.25%, 30%)" '
        'fill-opacity="0.5" stroke="hsl(120.5, 50.5%, 50%)" stroke-width="0.75" '
        'stroke-dasharray="0.5,1.5" transform="translate(0.5 0.25) scale(1.5)"/>',
        'width="10.5" height="10.5" viewBox="0.5 0.5 10.5 10.5"'),
    svg('<path d="M0.5.5L1e-1 2.5E0c.1.2.3.4.5.6" stroke="black"/>', 'width="1.5" height="2.5" viewBox="0 0 1.5 2.5"'),
]


def test_host_locale_changes_nothing(inputs, comma_decimal_locale):
    # Numbers are read the same whatever the host's C locale, also from several threads.
    import locale

    cases = inputs + [("text", f"decimal-{i}", text) for i, text in enumerate(DECIMAL_DOCUMENTS)]
    current = locale.setlocale(locale.LC_ALL)
    locale.setlocale(locale.LC_ALL, "C")
    expected = [snapshot(record(case)) for case in cases]
    locale.setlocale(locale.LC_ALL, current)
    assert all(snap["status"] == "supported" for snap in expected[-len(DECIMAL_DOCUMENTS):])
    assert [snapshot(record(case)) for case in cases] == expected

    results = [None] * THREADS

    def worker(slot):
        results[slot] = [snapshot(record(case)) for case in cases[slot::THREADS]]

    threads = [threading.Thread(target=worker, args=(slot,)) for slot in range(THREADS)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for slot in range(THREADS):
        assert results[slot] == expected[slot::THREADS]
