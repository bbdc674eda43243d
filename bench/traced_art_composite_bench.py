"""Analysis of traced art against its floor and against the Python painter's route, over sizes.

Run inside the yardstick root, with the benchmark programs built:
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules:bench \
      python3 bench/traced_art_composite_bench.py [--family ladder] [--build build/<dir>] [--painter] \
      [--opacity 0.9] [--max-paths N] [--width-mm 200] [--tolerance-mm 0.05] [--repeat 3]

For every document of the family (bench/traced_art.py builds them) it prints the analysis time,
the floor (bench/analysis_floor_bench: record, flatten, quantize, one Clipper2 NonZero union),
analysis / floor, the shares of the composite and export stages, the replay's worker count, and the
growth exponent k (time ~ paths^k) from the previous size; at the end k fitted over all sizes (least
squares on log time against log paths) for the analysis and for the floor. The `ladder` family (the
default) is one photo traced at five sizes, so its exponent is the fair one. --painter adds the
Python painter's route (bench/python_route_bench.py: svgelements, numpy flattening, shapely
differences with an STRtree) and how many times faster the analysis is. --opacity F writes every
document again with fill-opacity F on every path (alpha compositing).
"""

import argparse
import math
import os
import re
import subprocess
import time

import _pavrix_svg_core as core
import python_route_bench as route
import traced_art


def with_opacity(file_path, opacity, out):
    target = os.path.join(out, f"{os.path.basename(file_path)[:-4]}-opacity-{opacity}.svg")
    if not os.path.exists(target):
        with open(file_path, encoding="utf-8") as source:
            text = source.read()
        with open(target, "w", encoding="utf-8") as handle:
            handle.write(text.replace("<path ", f'<path fill-opacity="{opacity}" '))
    return target


def floor_seconds(program, file_path, width_mm, tolerance_mm, repeat):
    output = subprocess.run([program, file_path, str(width_mm), str(tolerance_mm), str(repeat)],
                            capture_output=True, text=True, check=False).stdout
    found = re.search(r"floor \(record, flatten, quantize, one NonZero union\): ([0-9.]+) s", output)
    return float(found.group(1)) if found else float("nan")


def best_analysis(file_path, width_mm, tolerance_mm, repeat):
    """The fastest of `repeat` analyses: (seconds, result)."""
    best, result = math.inf, None
    for _ in range(repeat):
        start = time.perf_counter()
        outcome = core.analyze_svg(file_path, width_mm, tolerance_mm)
        seconds = time.perf_counter() - start
        if seconds < best:
            best, result = seconds, outcome
    return best, result


def painter_seconds(file_path, width_mm, tolerance_mm):
    """The Python painter's route: parse, flatten at the same tolerance, painter's differences."""
    start = time.perf_counter()
    elements, width = route.parse(file_path)
    tolerance = tolerance_mm * width / width_mm
    route.painter([route.flatten(element, tolerance) for element in elements])
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--family", default="ladder", choices=traced_art.FAMILIES)
    parser.add_argument("--build", default="build/dev")
    parser.add_argument("--painter", action="store_true")
    parser.add_argument("--opacity", type=float, default=None)
    parser.add_argument("--width-mm", type=float, default=200.0)
    parser.add_argument("--tolerance-mm", type=float, default=0.05)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--max-paths", type=int, default=None, help="skip larger documents")
    args = parser.parse_args()
    program = os.path.join(args.build, "bench", "analysis_floor_bench")
    print(f"load average {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f} {os.getloadavg()[2]:.2f}")
    print(f"{'document':<34}{'paths':>7}{'analysis':>10}{'floor':>8}{'/floor':>8}{'comp %':>8}{'export %':>9}"
          f"{'workers':>8}{'growth':>8}{'painter':>9}{'x':>7}")
    previous = None
    sizes = []
    for name, paths, file_path in traced_art.documents(args.family):
        if args.max_paths is not None and paths > args.max_paths:
            continue
        if args.opacity is not None:
            file_path = with_opacity(file_path, args.opacity, os.path.dirname(file_path))
        best, result = best_analysis(file_path, args.width_mm, args.tolerance_mm, args.repeat)
        floor = floor_seconds(program, file_path, args.width_mm, args.tolerance_mm, args.repeat)
        growth = f"{math.log(best / previous[0]) / math.log(paths / previous[1]):.2f}" if previous else "-"
        previous = (best, paths)
        sizes.append((paths, best, floor))
        painter = speedup = ""
        if args.painter:
            seconds = painter_seconds(file_path, args.width_mm, args.tolerance_mm)
            painter, speedup = f"{seconds:.2f}", f"{seconds / best:.1f}"
        print(f"{name:<34}{paths:>7}{best:>10.3f}{floor:>8.3f}{best / floor:>8.2f}"
              f"{100 * result.composite_seconds / best:>8.1f}{100 * result.export_seconds / best:>9.1f}"
              f"{result.replay_worker_count:>8}{growth:>8}{painter:>9}{speedup:>7}  {result.status}", flush=True)
    if len(sizes) > 1:
        print(f"growth exponent over {len(sizes)} sizes: analysis {fitted_exponent(sizes, 1):.2f}, "
              f"floor {fitted_exponent(sizes, 2):.2f}")
    print(f"load average {os.getloadavg()[0]:.2f} {os.getloadavg()[1]:.2f} {os.getloadavg()[2]:.2f}")


def fitted_exponent(sizes, column):
    """Least-squares slope of log(time) against log(paths)."""
    xs = [math.log(size[0]) for size in sizes]
    ys = [math.log(size[column]) for size in sizes]
    mean_x, mean_y = sum(xs) / len(xs), sum(ys) / len(ys)
    return (sum((x - mean_x) * (y - mean_y) for x, y in zip(xs, ys))
            / sum((x - mean_x) ** 2 for x in xs))


if __name__ == "__main__":
    main()
