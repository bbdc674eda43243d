"""Hostile geometry at full size: each case is analyzed in a child process, which reports its status,
reason, wall time and peak memory; a case over the time or memory limit is flagged, a child that dies is
a crash and one that outlives the timeout is a hang. The document builders are those of
tests/python/test_hostile_geometry.py, which runs them at sizes small enough for the test suite.

  tools/sid-root run env PYTHONPATH=build/<dir>/modules python3 bench/hostile_geometry_bench.py \
      [--only NAME ...] [--slow 5] [--memory-mb 2048] [--timeout 300] [--digest]

--digest adds the visible region count and a digest of their colours and contributor records, so that
two builds can be checked for the same visible output.

Exits non-zero when a case crashed, hung, or was flagged.
"""

import argparse
import hashlib
import multiprocessing
import os
import resource
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "python"))

import test_hostile_geometry as cases  # noqa: E402

# (name, builder, width mm, tolerance mm)
CASES = [
    ("dash_1e-12_on_100_unit_line", lambda: cases.dashed_line("1e-12 1e-12"), 100, 0.05),
    ("dash_1e-9_on_1e6_unit_line", lambda: cases.dashed_line("1e-9 1e-9", length=1e6), 100, 0.05),
    ("dash_1e-7_on_100000_point_zigzag", lambda: cases.dashed_polyline(100000, "1e-7 1e-7"), 100, 0.05),
    ("wavy_ring_10^4_points", lambda: cases.wavy_ring(10**4), 100, 0.05),
    ("wavy_ring_10^5_points", lambda: cases.wavy_ring(10**5), 100, 0.05),
    ("wavy_ring_10^6_points", lambda: cases.wavy_ring(10**6), 100, 0.05),
    ("stroked_spiral_10^4_points", lambda: cases.stroked_spiral(10**4), 100, 0.05),
    ("stroked_spiral_10^5_points", lambda: cases.stroked_spiral(10**5), 100, 0.05),
    ("stroked_spiral_10^6_points", lambda: cases.stroked_spiral(10**6), 100, 0.05),
    ("stroked_zigzag_2000_points", lambda: cases.stroked_zigzag(2000), 100, 0.05),
    ("stroked_zigzag_10^4_points", lambda: cases.stroked_zigzag(10**4), 100, 0.05),
    ("opacity_groups_1000_deep", lambda: cases.nested_groups(1000), 100, 0.05),
    ("opacity_groups_10000_deep", lambda: cases.nested_groups(10000), 100, 0.05),
    ("translucent_overlaps_100", lambda: cases.translucent_overlaps(100), 100, 0.05),
    ("translucent_overlaps_300", lambda: cases.translucent_overlaps(300), 100, 0.05),
    ("translucent_overlaps_1000", lambda: cases.translucent_overlaps(1000), 100, 0.05),
    ("translucent_overlaps_10^4", lambda: cases.translucent_overlaps(10**4), 100, 0.05),
    ("translucent_discs_100", lambda: cases.translucent_discs(100), 100, 0.05),
    ("translucent_discs_300", lambda: cases.translucent_discs(300), 100, 0.05),
    ("translucent_discs_1000", lambda: cases.translucent_discs(1000), 100, 0.05),
    ("coordinates_3e38_tolerance_1e-300", lambda: cases.huge_coordinates("3e38"), 100, 1e-300),
    ("coordinates_3e38_width_1e30", lambda: cases.huge_coordinates("3e38"), 1e30, 1e-30),
    ("star_10^4_crossings", lambda: cases.star_polygon(141), 100, 0.05),
    ("star_10^5_crossings", lambda: cases.star_polygon(447), 100, 0.05),
    ("star_10^6_crossings", lambda: cases.star_polygon(1415), 100, 0.05),
    ("modular_polygon_10^6_points", lambda: cases.modular_polygon(10**6), 100, 0.05),
    ("stroked_star_10^5_crossings",
     lambda: cases.star_polygon(447).replace("<path ", '<path fill="none" stroke="#000" '), 100, 0.05),
    ("clip_reference_chain_10^4", lambda: cases.clip_reference_chain(10**4), 100, 0.05),
    ("nested_clipped_groups_1000", lambda: cases.nested_clipped_groups(1000), 100, 0.05),
    # Not hostile at all: one circle clipping one circle, as in many icons.
    ("circle_clip_of_a_circle", lambda: cases.svg('<clipPath id="a"><circle cx="50" cy="50" r="45"/></clipPath>'
                                                   '<circle cx="30" cy="50" r="20" clip-path="url(#a)"/>'), 100, 0.05),
]


def visible_digest(visible):
    """Region count and a digest of the sorted (colour, contributor records) of the visible regions."""
    colours = visible.rgba_f64.tolist()
    offsets = visible.contributor_offsets.tolist()
    columns = [getattr(visible, name).tolist() for name in (
        "contributor_draw_indices", "contributor_source_indices", "contributor_source_kinds", "contributor_weights")]
    records = sorted(repr((colours[g], [tuple(column[k] for column in columns)
                                        for k in range(offsets[g], offsets[g + 1])])) for g in range(len(colours)))
    return len(records), hashlib.sha256("\n".join(records).encode()).hexdigest()[:12]


def run_case(connection, builder, width_mm, tolerance_mm, digest):
    import _pavrix_svg_core as core
    document = builder()
    start = time.perf_counter()
    result = core.analyze_svg_svg(document, width_mm, tolerance_mm)
    seconds = time.perf_counter() - start
    stages = {name: getattr(result, name) for name in (
        "bounds_seconds", "replay_seconds", "topology_seconds", "normalization_raw_seconds",
        "composite_seconds", "export_seconds")}
    peak_mb = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024
    visible = visible_digest(result.visible) if digest and result.status == "supported" else None
    connection.send((result.status, result.reason_code, seconds, peak_mb, stages, visible))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--only", nargs="*", default=None, help="run only these cases")
    parser.add_argument("--slow", type=float, default=5.0, help="seconds above which a case is flagged")
    parser.add_argument("--memory-mb", type=float, default=2048.0, help="peak memory above which a case is flagged")
    parser.add_argument("--timeout", type=float, default=300.0, help="seconds before a case counts as a hang")
    parser.add_argument("--digest", action="store_true", help="print a digest of the visible colours")
    args = parser.parse_args()

    problems = 0
    context = multiprocessing.get_context("fork")
    for name, builder, width_mm, tolerance_mm in CASES:
        if args.only and name not in args.only:
            continue
        receiver, sender = context.Pipe(duplex=False)
        child = context.Process(target=run_case, args=(sender, builder, width_mm, tolerance_mm, args.digest), daemon=True)
        child.start()
        sender.close()
        if receiver.poll(args.timeout):
            try:
                status, reason, seconds, peak_mb, stages, visible = receiver.recv()
            except EOFError:
                status = None
        else:
            status = "hang"
        child.kill() if child.is_alive() and status == "hang" else None
        child.join()
        if status == "hang":
            problems += 1
            print(f"{name:40s} HANG (over {args.timeout:.0f} s)", flush=True)
            continue
        if status is None:
            problems += 1
            print(f"{name:40s} CRASH (exit code {child.exitcode})", flush=True)
            continue
        flags = []
        if seconds > args.slow:
            flags.append("SLOW")
        if peak_mb > args.memory_mb:
            flags.append("MEMORY")
        problems += bool(flags)
        slowest_stage = max(stages, key=stages.get)
        print(f"{name:40s} {seconds:9.3f} s {peak_mb:8.0f} MB  {status:11s} {reason:30s} "
              f"(most in {slowest_stage} {stages[slowest_stage]:.3f} s) {' '.join(flags)}"
              + (f" visible {visible[0]} {visible[1]}" if visible else ""), flush=True)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
