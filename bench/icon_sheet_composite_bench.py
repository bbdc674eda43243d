"""Analysis of icon sheets against their floor and the Python painter's route, and how the composite
stage spreads over the workers.

Run inside the yardstick root, with the benchmark programs built:
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules:bench \
      python3 bench/icon_sheet_composite_bench.py [--build build/<dir>] [--icons 400] [--painter] \
      [--opaque] [--traced 4000] [--repeat 3]

For every sheet (bench/icon_sheet.py: the first N supported Papirus app icons on a 72-unit grid,
10 mm per icon, tolerance 0.05 mm) it prints the paints, the analysis time (default worker count),
the floor (bench/analysis_floor_bench: record, flatten, quantize, one Clipper2 NonZero union) and
analysis / floor, with --painter the Python painter's route (bench/python_route_bench.py) and how
many times faster the analysis is, the composite share, the composite stage on 1 and on 8 workers
(PAVRIX_SVG_REPLAY_THREADS, the best of --repeat each) and their ratio, and the single-worker
composite time per raw point (points of the raw collection). --traced N adds the traced-art ladder
rung closest to N paths (200 mm) as the reference for the cost per point; --opaque drops every
opacity from the sheets (the opaque compositor's road).
"""

import argparse
import os

import icon_sheet
import traced_art
from traced_art_composite_bench import best_analysis, floor_seconds, painter_seconds

TOLERANCE_MM = 0.05


def composite_on(workers, file_path, width_mm, repeat):
    """(fastest composite stage, its result) with the replay's worker count forced."""
    saved = os.environ.get("PAVRIX_SVG_REPLAY_THREADS")
    os.environ["PAVRIX_SVG_REPLAY_THREADS"] = str(workers)
    try:
        runs = [best_analysis(file_path, width_mm, TOLERANCE_MM, 1)[1] for _ in range(repeat)]
    finally:
        if saved is None:
            del os.environ["PAVRIX_SVG_REPLAY_THREADS"]
        else:
            os.environ["PAVRIX_SVG_REPLAY_THREADS"] = saved
    result = min(runs, key=lambda run: run.composite_seconds)
    return result.composite_seconds, result


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/dev")
    parser.add_argument("--icons", type=int, action="append", default=[])
    parser.add_argument("--painter", action="store_true")
    parser.add_argument("--opaque", action="store_true")
    parser.add_argument("--traced", type=int, default=None, help="add the traced ladder rung of about N paths")
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    program = os.path.join(args.build, "bench", "analysis_floor_bench")
    documents = []
    for count in args.icons or [100, 400, 1600]:
        file_path, icons, width = icon_sheet.sheet(count, args.opaque)
        documents.append((f"{icons} icons{' opaque' if args.opaque else ''}", file_path, width))
    if args.traced is not None:
        name, _, file_path = traced_art.document("ladder", args.traced)
        documents.append((name, file_path, 200.0))
    print(f"load average {' '.join(f'{value:.2f}' for value in os.getloadavg())}")
    print(f"{'document':<28}{'paints':>7}{'analysis':>9}{'floor':>7}{'/floor':>7}{'painter':>8}{'x':>6}"
          f"{'comp %':>7}{'comp 1':>8}{'comp 8':>8}{'1/8':>6}{'raw pts':>9}{'us/pt':>7}")
    for name, file_path, width in documents:
        best, result = best_analysis(file_path, width, TOLERANCE_MM, args.repeat)
        floor = floor_seconds(program, file_path, width, TOLERANCE_MM, args.repeat)
        painter = speedup = ""
        if args.painter:
            seconds = painter_seconds(file_path, width, TOLERANCE_MM)
            painter, speedup = f"{seconds:.2f}", f"{seconds / best:.1f}"
        one, single = composite_on(1, file_path, width, args.repeat)
        eight, _ = composite_on(8, file_path, width, args.repeat)
        points = int(single.raw.ring_offsets[-1])
        print(f"{name:<28}{result.input_paint_count:>7}{best:>9.3f}{floor:>7.3f}{best / floor:>7.2f}{painter:>8}"
              f"{speedup:>6}{100 * result.composite_seconds / best:>7.1f}{one:>8.3f}{eight:>8.3f}{one / eight:>6.1f}"
              f"{points:>9}{1e6 * one / points:>7.2f}  {result.status}", flush=True)
    print(f"load average {' '.join(f'{value:.2f}' for value in os.getloadavg())}")


if __name__ == "__main__":
    main()
