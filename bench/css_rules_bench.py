"""Recording time of the many-rules-times-many-elements documents of the hostile-document tests.

Run by hand: tools/sid-root run env PYTHONPATH=build/<dir>/modules python3 bench/css_rules_bench.py

Each document has 20,000 style rules and 20,000 elements (or a 1,000-deep chain); a walk of the
ancestors per rule and element would take tens of seconds. A case above 0.5 s is flagged SLOW.
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "tests", "python"))
from test_hostile_documents import MANY_RULES  # noqa: E402

import _pavrix_svg_core as core  # noqa: E402

LIMIT_SECONDS = 0.5

for case_id, build, _ in MANY_RULES:
    text = build()
    best = float("inf")
    for _ in range(3):
        start = time.perf_counter()
        result = core.record_paint_commands_svg(text)
        best = min(best, time.perf_counter() - start)
    flag = "SLOW" if best > LIMIT_SECONDS else "ok"
    print(f"{case_id:30s} {len(text) / 1e6:6.2f} MB  {best:7.3f} s  {result.status:10s} {flag}")
