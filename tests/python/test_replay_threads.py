"""The replay's worker threads as seen through analyze_svg_svg: the two environment variables,
the sequential retry, and results that do not depend on the thread count."""

import math

import pytest

core = pytest.importorskip("_pavrix_svg_core")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'


def document(path_count, points_per_path=4):
    """Regular polygons of `points_per_path` corners on a 100 x 100 page, side by side."""
    paths = []
    for i in range(path_count):
        cx = (i % 10) * 10 + 5
        cy = (i // 10) * 10 + 5
        corners = " ".join(
            f"{cx + 4 * math.cos(2 * math.pi * k / points_per_path):.4f},"
            f"{cy + 4 * math.sin(2 * math.pi * k / points_per_path):.4f}"
            for k in range(points_per_path)
        )
        paths.append(f'<path d="M {corners} Z" fill="#204080"/>')
    return f'<svg {SVG_NS} width="100" height="100" viewBox="0 0 100 100">{"".join(paths)}</svg>'


def analyze(svg):
    result = core.analyze_svg_svg(svg, 200.0, 0.05)
    assert (result.status, result.reason_code) == ("supported", "")
    return result


def geometry(result):
    raw = result.raw
    return (raw.coordinates.tobytes(), raw.ring_offsets.tobytes(), raw.geometry_offsets.tobytes())


@pytest.mark.parametrize(
    "value,expected_workers",
    [
        ("4", 3),  # asked-for threads win over the heuristic, but never exceed the items
        ("2", 2),
        ("0", 1),  # every text below is not a number by the rule: the heuristic decides
        ("-2", 1),
        (" 4", 1),
        ("4x", 1),
        ("18446744073709551616", 1),  # 2^64 does not fit
    ],
)
def test_replay_threads_variable(monkeypatch, value, expected_workers):
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", value)
    monkeypatch.delenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", raising=False)
    assert analyze(document(3)).replay_worker_count == expected_workers


def test_fail_after_retries_sequentially(monkeypatch):
    monkeypatch.delenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", raising=False)
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", "1")
    reference = analyze(document(12))
    monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", "4")
    monkeypatch.setenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", "1")
    retried = analyze(document(12))
    assert retried.replay_worker_count == 1
    assert geometry(retried) == geometry(reference)


def test_thread_count_never_changes_the_result(monkeypatch):
    monkeypatch.delenv("PAVRIX_SVG_TEST_REPLAY_FAIL_AFTER", raising=False)
    svg = document(60, points_per_path=40)
    results = {}
    for threads in ("1", "3", "16"):
        monkeypatch.setenv("PAVRIX_SVG_REPLAY_THREADS", threads)
        results[threads] = analyze(svg)
    assert [r.replay_worker_count for r in results.values()] == [1, 3, 16]
    assert geometry(results["3"]) == geometry(results["1"])
    assert geometry(results["16"]) == geometry(results["1"])
