"""The replay environment variables, read once per analysis: the worker count they ask for, the forced
failure whose sequential retry gives the same arrays, and results that do not depend on the thread count."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
ARRAYS = ("coordinates", "ring_offsets", "polygon_offsets", "geometry_offsets", "hole_parent", "rgba_f64",
          "draw_indices", "contributor_weights")


def circles(count):
    shapes = "".join(
        f'<circle cx="{5 + (i * 7) % 90}" cy="{5 + (i * 11) % 40}" r="{2 + i % 4}" '
        f'fill="#{(i * 40503) % 0xFFFFFF:06x}"/>' for i in range(count))
    return f'<svg {SVG_NS} viewBox="0 0 100 50">{shapes}</svg>'


def polygons(count, corners=4):
    """Regular polygons of `corners` corners on a 100 x 100 page, side by side."""
    paths = "".join(
        '<path d="M {} Z" fill="#204080"/>'.format(" ".join(
            f"{(i % 10) * 10 + 5 + 4 * math.cos(2 * math.pi * k / corners):.4f},"
            f"{(i // 10) * 10 + 5 + 4 * math.sin(2 * math.pi * k / corners):.4f}" for k in range(corners)))
        for i in range(count))
    return f'<svg {SVG_NS} width="100" height="100" viewBox="0 0 100 100">{paths}</svg>'


# name: (document, target width, tolerance)
DOCUMENTS = {
    "circles": lambda: (circles(24), 80, 0.1), "circles3": lambda: (circles(3), 80, 0.1),
    "polygons3": lambda: (polygons(3), 200.0, 0.05), "polygons12": lambda: (polygons(12), 200.0, 0.05),
    "polygons60": lambda: (polygons(60, corners=40), 200.0, 0.05),
}


def analyze(monkeypatch, document, threads, fail_after=None):
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", threads)
    if fail_after is None:
        monkeypatch.delenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", raising=False)
    else:
        monkeypatch.setenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", fail_after)
    result = core.analyze_svg_svg(*DOCUMENTS[document]())
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def arrays(result):
    return {name: getattr(result.visible, name).copy() for name in ARRAYS} | {
        "raw": result.raw.coordinates.copy(), "raw_rings": result.raw.ring_offsets.copy(),
        "raw_geometries": result.raw.geometry_offsets.copy(),
        "fragments": result.unprintable_fragments.reason_ids.copy()}


@pytest.mark.parametrize("document, threads, fail_after, workers", [
    ("circles", "4", None, 4),
    ("circles", "16", None, 16),
    ("circles", "64", None, 16),       # never more than 16
    ("circles", "4", "1", 1),          # the forced failure falls back to the sequential replay
    ("circles", "4", "5", 1),
    ("circles", "4", "0", 4),          # 0 does not count as set
    ("circles", "4", "x", 4),
    ("polygons12", "4", "1", 1),
    ("polygons60", "3", None, 3),
    ("polygons60", "16", None, 16),
])
def test_worker_counts_and_the_forced_failure_give_identical_arrays(monkeypatch, document, threads,
                                                                    fail_after, workers):
    reference = analyze(monkeypatch, document, "1")
    assert reference.replay_worker_count == 1
    expected = arrays(reference)
    result = analyze(monkeypatch, document, threads, fail_after)
    assert result.replay_worker_count == workers
    got = arrays(result)
    for name in expected:
        assert np.array_equal(got[name], expected[name]), name


@pytest.mark.parametrize("document", ["circles3", "polygons3"])
@pytest.mark.parametrize("value, workers", [
    ("4", 3),  # asked-for threads win over the heuristic, but never exceed the items
    ("2", 2),
    ("0", 1),  # every text below is not a number by the rule: the small document stays on one thread
    ("-2", 1),
    (" 4", 1),
    ("4x", 1),
    ("18446744073709551616", 1),  # 2^64 does not fit
])
def test_replay_threads_variable(monkeypatch, document, value, workers):
    assert analyze(monkeypatch, document, value).replay_worker_count == workers
