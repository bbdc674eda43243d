"""The interpreter lock is released while a document is analysed, and concurrent analyses agree."""

import os
import threading

import pytest

core = pytest.importorskip("_pavrix_svg_core")
np = pytest.importorskip("numpy")

SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
DOCUMENT = f'<svg {SVG_NS} viewBox="0 0 100 50"><rect width="60" height="50"/><circle cx="70" cy="25" r="20"/></svg>'


def test_lock_is_released_while_analysing(tmp_path):
    # The analysis blocks reading a pipe that only this thread writes: it can finish only when the
    # lock was released during the analysis.
    fifo = tmp_path / "document.svg"
    os.mkfifo(fifo)
    results = []
    worker = threading.Thread(target=lambda: results.append(core.analyze_svg(fifo, 80, 0.1)), daemon=True)
    worker.start()
    with open(fifo, "w") as pipe:
        pipe.write(DOCUMENT)
    worker.join(timeout=60)
    assert not worker.is_alive()
    assert results[0].status == "supported", results[0].reason_code


def test_concurrent_analyses_agree():
    expected = core.analyze_svg_svg(DOCUMENT, 80, 0.1).visible.coordinates.copy()
    outcomes = []

    def analyse():
        for _ in range(10):
            outcomes.append(np.array_equal(core.analyze_svg_svg(DOCUMENT, 80, 0.1).visible.coordinates, expected))

    threads = [threading.Thread(target=analyse) for _ in range(6)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert outcomes == [True] * 60
