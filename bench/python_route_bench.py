"""analyze_svg against the ordinary Python route on the same file: parse with svgelements, flatten
the curves, union the fills with shapely.

Run inside the yardstick root (svgelements and shapely live only there; the modules never need them):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules:bench \
      python3 bench/python_route_bench.py [FILE.svg | --paths 5000] [--width-mm 1000] [--tolerance-mm 0.05]

Without a file the document is built from real icon path data (bench/icon_document.py). Flattening
uses the same tolerance as the analysis, in user units, with the usual a-priori subdivision counts
(Wang's bound for Bézier curves; arcs go through svgelements' own cubic conversion). Each path's
rings are made valid and combined even-odd, then everything is unioned at once. Prints each step's
time and how many times faster analyze_svg is than the whole route. --painter also runs the
painter's loop (each path minus the union of the later paths an STRtree finds near it), the route
a Python program would take to get what analyze_svg's visible geometry holds.
"""

import argparse
import math
import os
import tempfile
import time

import numpy as np
import shapely
from svgelements import SVG, Arc, Close, CubicBezier, Line, Move, Path, QuadraticBezier, Shape

import _pavrix_svg_core as core


def parse(name):
    svg = SVG.parse(name)  # transforms are applied to the shapes (reified)
    width = float(svg.viewbox.width) if svg.viewbox is not None else float(svg.width)
    return [Path(element) for element in svg.elements() if isinstance(element, Shape)
            and element.fill is not None and element.fill.value is not None], width


def cubic_points(p0, p1, p2, p3, tolerance, out):
    m = max(math.hypot(p0[0] - 2 * p1[0] + p2[0], p0[1] - 2 * p1[1] + p2[1]),
            math.hypot(p1[0] - 2 * p2[0] + p3[0], p1[1] - 2 * p2[1] + p3[1]))
    n = max(1, math.ceil(math.sqrt(0.75 * m / tolerance)))
    t = np.arange(1, n + 1) / n
    s = 1 - t
    xs = s ** 3 * p0[0] + 3 * s * s * t * p1[0] + 3 * s * t * t * p2[0] + t ** 3 * p3[0]
    ys = s ** 3 * p0[1] + 3 * s * s * t * p1[1] + 3 * s * t * t * p2[1] + t ** 3 * p3[1]
    out.extend(zip(xs.tolist(), ys.tolist()))


def flatten(path, tolerance):
    """The closed rings of one path, as lists of (x, y)."""
    rings, ring = [], []
    for segment in path:
        if isinstance(segment, Move):
            if len(ring) >= 3:
                rings.append(ring)
            ring = [(segment.end.x, segment.end.y)]
        elif isinstance(segment, (Line, Close)):
            if segment.end is not None:
                ring.append((segment.end.x, segment.end.y))
        elif isinstance(segment, CubicBezier):
            cubic_points((segment.start.x, segment.start.y), (segment.control1.x, segment.control1.y),
                         (segment.control2.x, segment.control2.y), (segment.end.x, segment.end.y), tolerance, ring)
        elif isinstance(segment, QuadraticBezier):
            p0, c, p2 = (segment.start.x, segment.start.y), (segment.control.x, segment.control.y), \
                (segment.end.x, segment.end.y)
            cubic_points(p0, (p0[0] + 2 / 3 * (c[0] - p0[0]), p0[1] + 2 / 3 * (c[1] - p0[1])),
                         (p2[0] + 2 / 3 * (c[0] - p2[0]), p2[1] + 2 / 3 * (c[1] - p2[1])), p2, tolerance, ring)
        elif isinstance(segment, Arc):
            for cubic in segment.as_cubic_curves():
                cubic_points((cubic.start.x, cubic.start.y), (cubic.control1.x, cubic.control1.y),
                             (cubic.control2.x, cubic.control2.y), (cubic.end.x, cubic.end.y), tolerance, ring)
    if len(ring) >= 3:
        rings.append(ring)
    return rings


def path_shapes(all_rings):
    """One shapely geometry per path (its rings combined even-odd), in paint order."""
    shapes = []
    for rings in all_rings:
        polygons = [shapely.make_valid(shapely.Polygon(ring)) for ring in rings if len(ring) >= 3]
        if polygons:
            shapes.append(shapely.symmetric_difference_all(polygons) if len(polygons) > 1 else polygons[0])
    return shapes


def union(all_rings):
    return shapely.union_all(path_shapes(all_rings))


def painter(all_rings):
    """What shows of every path: the path minus the union of the later paths that an STRtree finds
    near it (a painter's loop, the Python counterpart of opaque compositing)."""
    shapes = path_shapes(all_rings)
    tree = shapely.STRtree(shapes)
    visible = []
    for i, shape in enumerate(shapes):
        later = [j for j in tree.query(shape) if j > i]
        visible.append(shape.difference(shapely.union_all([shapes[j] for j in later])) if later else shape)
    return visible


def best_of(repeat, work):
    best, value = float("inf"), None
    for _ in range(repeat):
        start = time.perf_counter()
        value = work()
        best = min(best, time.perf_counter() - start)
    return best, value


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("file", nargs="?")
    parser.add_argument("--paths", type=int, default=5000)
    parser.add_argument("--width-mm", type=float, default=1000.0)
    parser.add_argument("--tolerance-mm", type=float, default=0.05)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--painter", action="store_true",
                        help="also run the painter's loop (differences against later paths)")
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        name = args.file
        if name is None:
            from icon_document import document, icon_path_data
            text, _ = document(icon_path_data(), paths=args.paths)
            name = os.path.join(folder, "icons.svg")
            with open(name, "w", encoding="utf-8") as handle:
                handle.write(text)
        size = os.path.getsize(name) / 1e6

        ours, result = best_of(args.repeat, lambda: core.analyze_svg(name, args.width_mm, args.tolerance_mm))
        parse_seconds, (paths, width) = best_of(1, lambda: parse(name))
        tolerance = args.tolerance_mm * width / args.width_mm  # in user units
        flatten_seconds, all_rings = best_of(1, lambda: [flatten(path, tolerance) for path in paths])
        union_seconds, united = best_of(1, lambda: union(all_rings))
        route = parse_seconds + flatten_seconds + union_seconds
        points = sum(len(ring) for rings in all_rings for ring in rings)
        print(f"{name}: {size:.2f} MB, {len(paths)} paths, {points} flattened points")
        print(f"python route: parse {parse_seconds:.2f} s, flatten {flatten_seconds:.2f} s, "
              f"union {union_seconds:.2f} s, total {route:.2f} s, union area {united.area:.1f}")
        print(f"analyze_svg: {ours:.3f} s ({result.status}{' ' + result.reason_code if result.reason_code else ''})")
        print(f"analyze_svg is {route / ours:.1f} times faster")
        if args.painter:
            painter_seconds, visible = best_of(1, lambda: painter(all_rings))
            painter_route = parse_seconds + flatten_seconds + painter_seconds
            print(f"python painter's route: differences {painter_seconds:.2f} s, total {painter_route:.2f} s, "
                  f"{sum(not v.is_empty for v in visible)} visible; analyze_svg is {painter_route / ours:.1f} times "
                  f"faster (composite {result.composite_seconds:.3f} s)")


if __name__ == "__main__":
    main()
