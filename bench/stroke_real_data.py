"""Stroke outlines of the installed icon themes held against the exact sweep of the pen.

Run inside the yardstick root (it has the icon themes):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 bench/stroke_real_data.py [--limit N] [--jobs J] [--worst K]

Every stroke command of the theme SVGs (at most --limit files a theme, evenly spread; 0 takes all of them,
which for the Papirus themes' hundred thousand files takes the better part of an hour) is analysed alone at
the scale its document prints at (the document 100 mm wide, T = 0.05 mm, so the command prints W = the
document's mm per unit × its outline's width), and its printed boundary is compared, both ways, with the
boundary of the exact union of pen positions, caps and joins. Prints the share within 0.6·T, the worst
commands, and the slits (ring vertices turning back by more than 179.5 degrees between edges of at least
0.25 mm) of the whole documents' raw, visible and silhouette collections.
"""

import argparse
import glob
import math
import multiprocessing
import os
import sys
import time

import numpy as np

import _pavrix_svg_core as core

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "python"))
from stroke_reference import (boundary_distances, ring_segments, slits, sweep_pieces, turn_for,  # noqa: E402
                              union_boundary)

ICON_ROOT = "/usr/share/icons"
DOCUMENT_WIDTH_MM, TOLERANCE_MM = 100.0, 0.05
WITHIN = 0.6  # tolerances
SLIT_EDGE_MM = 0.25
FEATURE = 0.01  # tolerances: narrower slivers of the reference are no boundary
MARGIN = 0.1  # of the outline's size, around it in the one-command document
SVG_NS = 'xmlns="http://www.w3.org/2000/svg"'
# Of the path's extent: lines shorter than this are dropped, as the printed outline drops them (a closing
# line of a rounding error would otherwise stand for a corner with miters).
NEGLIGIBLE = 1e-7


def theme_files(root, themes, limit):
    """SVG files per theme (links to one file counted once), at most `limit` of each theme."""
    files, seen = [], set()
    for theme in sorted(themes or os.listdir(root)):
        found = sorted(glob.glob(os.path.join(root, theme, "**", "*.svg"), recursive=True))
        found = [f for f in found if os.path.isfile(f) and os.path.realpath(f) not in seen]
        found = list(dict((os.path.realpath(f), f) for f in found).values())
        if limit and len(found) > limit:  # evenly spread over the theme's folders
            found = found[::math.ceil(len(found) / limit)]
        seen.update(os.path.realpath(f) for f in found)
        files += found
    return files


def subpaths_of(command):
    """(primitives, closed) per subpath in path units; None when a subpath is a dot (no direction to cap)."""
    out, path, start, current, closed, drawn = [], [], None, None, False, False
    points = iter(command.path_points)
    every = np.array(command.path_points, dtype=float).reshape(-1, 2)
    negligible = NEGLIGIBLE * np.ptp(every, axis=0).max() if len(every) else 0.0

    def far(p, q):
        return math.dist(p, q) > negligible

    def finish():
        if drawn:
            out.append((list(path), closed))
    for verb in command.path_verbs:
        if verb == "move_to":
            finish()
            path, closed, drawn = [], False, False
            start = current = next(points)
        elif verb in ("line_to", "cubic_to"):
            if closed:  # a piece after a close starts where the subpath started
                finish()
                path, closed, start = [], False, current
            drawn = True
            ends = [next(points)] if verb == "line_to" else [next(points), next(points), next(points)]
            if any(far(p, current) for p in ends):
                path.append(("line", *current, *ends[0]) if verb == "line_to" else
                            ("cubic", *current, *[v for p in ends for v in p]))
            current = ends[-1]
        elif verb == "close":
            drawn = True
            if far(current, start):
                path.append(("line", *current, *start))
            elif path:  # the last piece ends where the subpath started
                path[-1] = (*path[-1][:-2], *start)
            current, closed = start, True
    finish()
    if any(not path for path, _ in out) and command.stroke.line_cap != "butt":
        return None
    return [(path, closed) for path, closed in out if path]


def affine(matrix):
    a, b, c, d, e, f = matrix
    return np.array([[a, c, e], [b, d, f]], dtype=float)


def mapped(primitive, m):
    values = np.array(primitive[1:], dtype=float).reshape(-1, 2) @ m[:, :2].T + m[:, 2]
    return (primitive[0], *values.ravel())


def exact_outline(command, width_mm_per_unit):
    """Pieces and boundary of the command's exact stroke in device units, or None when it cannot be built."""
    subpaths = subpaths_of(command)
    if not subpaths or command.stroke.width <= 0:
        return None
    m, s = affine(command.matrix), command.stroke
    singular = np.linalg.svd(m[:, :2], compute_uv=False)
    if singular[-1] <= 0:
        return None
    if command.non_scaling_stroke:
        subpaths, m = [([mapped(p, m) for p in path], closed) for path, closed in subpaths], affine((1, 0, 0, 1, 0, 0))
    # First a coarse box to find the print width, then steps fine enough for it.
    reach = s.width / 2 * max(1.0, s.miter_limit if s.line_join == "miter" else 1.0)
    points = np.array([v for path, _ in subpaths for p in path for v in p[1:]], dtype=float).reshape(-1, 2)
    span = np.ptp(points @ m[:, :2].T, axis=0).max() + 2 * reach * singular[0]
    turn = turn_for(max(span * width_mm_per_unit, TOLERANCE_MM), TOLERANCE_MM) * singular[-1] / singular[0]
    polygons, edges = sweep_pieces(subpaths, s.width, s.line_cap, s.line_join, s.miter_limit,
                                   list(s.dash_array) or None, s.dash_offset, turn=turn)
    polygons = polygons @ m[:, :2].T + m[:, 2]
    if np.linalg.det(m[:, :2]) < 0:
        polygons = polygons[:, ::-1]
    edges = edges @ m[:, :2].T + m[:, 2]
    # Printed points are held against every edge with an open side: a cusp between two shapes (a round cap
    # touching another stroke's side) narrows below any feature width, and its tip is boundary all the same.
    tolerance = TOLERANCE_MM / width_mm_per_unit
    return (polygons, union_boundary(polygons, edges, FEATURE * tolerance, tolerance),
            union_boundary(polygons, edges, spacing=tolerance))


def path_data(command):
    points = iter(command.path_points)
    parts = []
    for verb in command.path_verbs:
        count = {"move_to": 1, "line_to": 1, "cubic_to": 3, "close": 0}[verb]
        letter = {"move_to": "M", "line_to": "L", "cubic_to": "C", "close": "Z"}[verb]
        parts.append(letter + " ".join(f"{x!r} {y!r}" for x, y in (next(points) for _ in range(count))))
    return " ".join(parts)


def one_command_document(command, box):
    s = command.stroke
    x0, y0, x1, y1 = (float(v) for v in box)
    w, h = x1 - x0, y1 - y0
    style = (f'fill="none" stroke="#000" stroke-width="{s.width!r}" stroke-linecap="{s.line_cap}" '
             f'stroke-linejoin="{s.line_join}" stroke-miterlimit="{s.miter_limit!r}"')
    if len(s.dash_array):
        style += f' stroke-dasharray="{" ".join(repr(v) for v in s.dash_array)}" stroke-dashoffset="{s.dash_offset!r}"'
    if command.non_scaling_stroke:
        style += ' vector-effect="non-scaling-stroke"'
    matrix = " ".join(repr(v) for v in command.matrix)
    return (f'<svg {SVG_NS} width="{w!r}" height="{h!r}" viewBox="0 0 {w!r} {h!r}">'
            f'<g transform="translate({-x0!r} {-y0!r})"><path transform="matrix({matrix})" d="{path_data(command)}" '
            f'{style}/></g></svg>')


def check_command(task):
    """(file, command index, error in T or None, why) for one stroke command."""
    name, index, mm_per_unit = task
    with open(name, encoding="utf-8", errors="replace") as handle:
        command = core.record_paint_commands_svg(handle.read()).commands[index]
    try:
        exact = exact_outline(command, mm_per_unit)
    except (StopIteration, ValueError, ArithmeticError) as fault:
        return name, index, None, f"no reference: {fault!r}"
    if exact is None:
        return name, index, None, "no reference: no width, a dot or a singular matrix"
    polygons, boundary, loose = exact
    lo, hi = polygons.reshape(-1, 2).min(0), polygons.reshape(-1, 2).max(0)
    margin = MARGIN * max(np.ptp(polygons.reshape(-1, 2), axis=0).max(), 1e-9)
    box = (lo[0] - margin, lo[1] - margin, hi[0] + margin, hi[1] + margin)
    target = (hi - lo)[0] * mm_per_unit
    result = core.analyze_svg_svg(one_command_document(command, box), target, TOLERANCE_MM)
    if result.status != "supported":
        return name, index, None, f"{result.status} {result.reason_code}"
    unit = result.scale_factor
    origin = np.array(result.bbox[:2]) + box[:2]
    _, printed = ring_segments(result.raw, origin, result.grid_to_source_unit)
    there, back = boundary_distances(printed, boundary, TOLERANCE_MM / unit / 3, loose)
    return name, index, max(there, back) * unit / TOLERANCE_MM, f"W {target:.1f} mm"


def document_census(name):
    """Stroke commands to check and slits per collection of the whole document printed 100 mm wide."""
    with open(name, encoding="utf-8", errors="replace") as handle:
        text = handle.read()
    recorded = core.record_paint_commands_svg(text)
    if recorded.status != "supported":
        return name, [], None
    result = core.analyze_svg_svg(text, DOCUMENT_WIDTH_MM, TOLERANCE_MM)
    if result.status != "supported":
        return name, [], None
    unit, origin = result.scale_factor, np.array(result.bbox[:2])
    counts = {}
    for label in ("raw", "visible", "silhouette"):
        collection = getattr(result, label)
        rings, _ = ring_segments(collection, origin, result.grid_to_source_unit)
        if label != "silhouette":  # split by what painted the ring
            ring_geometry = np.searchsorted(np.asarray(collection.geometry_offsets), np.searchsorted(
                np.asarray(collection.polygon_offsets), np.arange(len(rings)), side="right") - 1, side="right") - 1
            kinds = np.asarray(collection.source_kinds)[ring_geometry] if len(rings) else np.zeros(0, int)
            counts[f"{label} strokes"] = slits([r for r, k in zip(rings, kinds) if k == 1], SLIT_EDGE_MM / unit)
            counts[f"{label} fills"] = slits([r for r, k in zip(rings, kinds) if k != 1], SLIT_EDGE_MM / unit)
        else:
            counts[label] = slits(rings, SLIT_EDGE_MM / unit)
    strokes = [(name, k, unit) for k, c in enumerate(recorded.commands) if c.kind == "stroke"]
    return name, strokes, counts


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--limit", type=int, default=1000,
                        help="at most about this many SVG files of each theme, evenly spread (0: all)")
    parser.add_argument("--themes", default="", help="comma-separated theme folders (default: all)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    parser.add_argument("--worst", type=int, default=15, help="rows of the worst commands to print")
    parser.add_argument("--root", default=ICON_ROOT, help="folder of the themes")
    args = parser.parse_args()
    files = theme_files(args.root, [t for t in args.themes.split(",") if t], args.limit)
    if not files:
        raise SystemExit(f"no SVG files under {args.root}: run inside the yardstick root")
    themes = sorted({os.path.relpath(f, args.root).split(os.sep)[0] for f in files})
    with multiprocessing.Pool(args.jobs) as pool:
        started = time.monotonic()
        census = pool.map(document_census, files, chunksize=8)
        tasks = [task for _, strokes, _ in census for task in strokes]
        print(f"documents: {time.monotonic() - started:.0f} s", file=sys.stderr)
        rows = pool.map(check_command, tasks, chunksize=1)
        print(f"commands: {time.monotonic() - started:.0f} s", file=sys.stderr)
    slit_totals, slit_files = {}, []
    for name, _, counts in census:
        for label, count in (counts or {}).items():
            slit_totals[label] = slit_totals.get(label, 0) + count
        if counts and any(counts.values()):
            slit_files.append((name, counts))
    measured = [r for r in rows if r[2] is not None]
    within = sum(r[2] <= WITHIN for r in measured)
    print(f"themes: {', '.join(themes)}; {len(files)} SVG files, {sum(c is not None for _, _, c in census)} "
          f"analysed whole, {len(tasks)} stroke commands")
    if measured:
        print(f"within {WITHIN}·T: {within} of {len(measured)} ({100 * within / len(measured):.1f} %); "
              f"worst {max(r[2] for r in measured):.2f}·T")
    for name, index, error, why in sorted(measured, key=lambda r: -r[2])[:args.worst]:
        print(f"  {error:9.2f}·T  {os.path.relpath(name, args.root)} command {index} ({why})")
    skipped = [r for r in rows if r[2] is None]
    if skipped:
        print(f"not measured: {len(skipped)}")
        for name, index, _, why in skipped[:args.worst]:
            print(f"  {os.path.relpath(name, args.root)} command {index}: {why}")
    print("slits of the whole documents: " + ", ".join(f"{k} {v}" for k, v in sorted(slit_totals.items())))
    slit_files.sort(key=lambda row: -sum(v for k, v in row[1].items() if "strokes" in k))  # strokes' first
    for name, counts in slit_files[:args.worst]:
        print(f"  {os.path.relpath(name, args.root)}: " + ", ".join(f"{k} {v}" for k, v in counts.items() if v))


if __name__ == "__main__":
    main()
