"""The replay environment variables, read once per analysis: the worker count they ask for, and the
forced failure whose sequential retry gives the same arrays."""

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
ARRAYS = ("coordinates", "ring_offsets", "polygon_offsets", "geometry_offsets", "hole_parent", "rgba_f64",
          "draw_indices", "contributor_weights")


def document(count=24):
    shapes = "".join(
        f'<circle cx="{5 + (i * 7) % 90}" cy="{5 + (i * 11) % 40}" r="{2 + i % 4}" '
        f'fill="#{(i * 40503) % 0xFFFFFF:06x}"/>' for i in range(count))
    return f'<svg {SVG_NS} viewBox="0 0 100 50">{shapes}</svg>'


def arrays(result):
    return {name: getattr(result.visible, name).copy() for name in ARRAYS} | {
        "raw": result.raw.coordinates.copy(), "fragments": result.unprintable_fragments.reason_ids.copy()}


@pytest.fixture
def reference(monkeypatch):
    monkeypatch.delenv("PAVRIX_SVG_REPLAY_THREADS", raising=False)
    monkeypatch.delenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", raising=False)
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", "1")
    result = core.analyze_svg_svg(document(), 80, 0.1)
    assert result.status == "supported", result.reason_code
    assert result.replay_worker_count == 1
    return arrays(result)


@pytest.mark.parametrize("threads, fail_after, workers", [
    ("4", None, 4),
    ("16", None, 16),
    ("64", None, 16),       # never more than 16
    ("4", "1", 1),          # the forced failure falls back to the sequential replay
    ("4", "5", 1),
    ("4", "0", 4),          # 0 does not count as set
    ("4", "x", 4),
])
def test_worker_counts_and_the_forced_failure_give_identical_arrays(monkeypatch, reference, threads,
                                                                    fail_after, workers):
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", threads)
    if fail_after is not None:
        monkeypatch.setenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", fail_after)
    result = core.analyze_svg_svg(document(), 80, 0.1)
    assert result.status == "supported", result.reason_code
    assert result.replay_worker_count == workers
    got = arrays(result)
    for name, expected in reference.items():
        assert np.array_equal(got[name], expected), name


@pytest.mark.parametrize("value", ["0", "-2", " 4", "4x", "18446744073709551616"])
def test_unusable_thread_counts_fall_back_to_the_heuristic(monkeypatch, value):
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", value)
    result = core.analyze_svg_svg(document(3), 80, 0.1)  # small: the heuristic stays on one thread
    assert result.status == "supported", result.reason_code
    assert result.replay_worker_count == 1


def test_fewer_items_than_asked_threads(monkeypatch):
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", "4")
    assert core.analyze_svg_svg(document(3), 80, 0.1).replay_worker_count == 3
