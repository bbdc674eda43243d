"""Analyzes an SVG file for print, prints what the kernel found and writes a preview SVG.

Usage: python3 examples/show_analysis.py FILE.svg [--width MM] [--tolerance MM] [--preview OUT.svg]

The preview (in millimetres) shows every visible region in its colour, the silhouette outline, and a
dashed box with the reason around each paint that could not print.
"""

import argparse
import html
import sys
from pathlib import Path

import _pavrix_svg_core as core

TIMINGS = ("recorder_seconds", "kernel_seconds", "bounds_seconds", "replay_seconds", "topology_seconds",
           "normalization_raw_seconds", "composite_seconds", "export_seconds", "result_conversion_seconds")


def ring_path_data(collection, first_ring, end_ring, grid_mm, margin):
    """SVG path data of rings [first_ring, end_ring): one subpath per ring, in millimetres."""
    coordinates, offsets = collection.coordinates, collection.ring_offsets
    parts = []
    for ring in range(first_ring, end_ring):
        points = coordinates[offsets[ring]:offsets[ring + 1]] * grid_mm + margin
        parts.append("M" + " L".join(f"{x:.4f} {y:.4f}" for x, y in points.tolist()) + " Z")
    return " ".join(parts)


def geometry_paths(collection, grid_mm, margin):
    """(index, path data) per geometry of the collection."""
    for index in range(collection.geometry_count):
        first_polygon, end_polygon = collection.geometry_offsets[index], collection.geometry_offsets[index + 1]
        first_ring = collection.polygon_offsets[first_polygon]
        end_ring = collection.polygon_offsets[end_polygon]
        yield index, ring_path_data(collection, first_ring, end_ring, grid_mm, margin)


def paint_boxes_mm(path, result, margin):
    """Box in preview millimetres of every fill and stroke command, by draw index."""
    recording = core.record_paint_commands(path)
    x0, y0 = result.bbox[0], result.bbox[1]
    boxes = []
    for command in recording.commands:
        if command.kind not in ("fill", "stroke"):
            continue
        a, b, c, d, e, f = command.matrix
        xs = [a * x + c * y + e for x, y in command.path_points] or [x0]
        ys = [b * x + d * y + f for x, y in command.path_points] or [y0]
        boxes.append(tuple((value - origin) * result.scale_factor + margin
                           for value, origin in ((min(xs), x0), (min(ys), y0), (max(xs), x0), (max(ys), y0))))
    return boxes


def write_preview(path, result, out_path):
    grid_mm = result.grid_to_source_unit * result.scale_factor
    margin = 2.0
    fragments = result.unprintable_fragments
    marks = []  # (reason, box) of each unprintable paint, which may lie beyond the printed area
    if fragments.count:
        boxes = paint_boxes_mm(path, result, margin)
        marks = [(reason, boxes[index]) for reason, index in zip(fragments.reason_codes,
                                                                 fragments.draw_indices.tolist())
                 if 0 <= index < len(boxes)]
    left = min([0.0] + [box[0] - margin for _, box in marks])
    top = min([0.0] + [box[1] - 2 * margin for _, box in marks])
    right = max([result.bbox[2] * result.scale_factor + 2 * margin] + [box[2] + margin for _, box in marks])
    bottom = max([result.bbox[3] * result.scale_factor + 2 * margin] + [box[3] + margin for _, box in marks])
    width, height = right - left, bottom - top
    lines = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{width:.3f}mm" height="{height:.3f}mm" '
             f'viewBox="{left:.4f} {top:.4f} {width:.4f} {height:.4f}">',
             f'<rect x="{left:.4f}" y="{top:.4f}" width="{width:.4f}" height="{height:.4f}" fill="white"/>']
    visible = result.visible
    for index, data in geometry_paths(visible, grid_mm, margin):
        r, g, b, a = visible.rgba[index].tolist()
        lines.append(f'<path d="{data}" fill="rgb({r},{g},{b})" fill-opacity="{a / 255:.3f}" '
                     f'fill-rule="evenodd"/>')
    for _, data in geometry_paths(result.silhouette, grid_mm, margin):
        lines.append(f'<path d="{data}" fill="none" stroke="black" stroke-width="0.2" fill-rule="evenodd"/>')
    for reason, (x0, y0, x1, y1) in marks:
        lines.append(f'<rect x="{x0:.4f}" y="{y0:.4f}" width="{max(x1 - x0, 0.5):.4f}" '
                     f'height="{max(y1 - y0, 0.5):.4f}" fill="none" stroke="magenta" stroke-width="0.3" '
                     f'stroke-dasharray="1 0.6"/>')
        lines.append(f'<text x="{x0:.4f}" y="{y0 - 0.5:.4f}" font-size="2" fill="magenta">'
                     f'{html.escape(reason)}</text>')
    lines.append("</svg>")
    out_path.write_text("\n".join(lines) + "\n")


def collection_counts(collection):
    return (f"{collection.geometry_count} geometries, {collection.component_count} polygons, "
            f"{collection.hole_count} holes, {len(collection.coordinates)} points")


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("svg", nargs="?", default="examples/badge.svg")
    parser.add_argument("--width", type=float, default=80.0, help="printed width in mm (default 80)")
    parser.add_argument("--tolerance", type=float, default=0.05, help="geometric tolerance in mm (default 0.05)")
    parser.add_argument("--preview", help="preview SVG to write (default: build/example/<name>-preview.svg)")
    args = parser.parse_args(argv)

    result = core.analyze_svg(args.svg, args.width, args.tolerance)
    print(f"{args.svg}: {result.status}  reason: {result.reason_code or '-'}")
    print(f"paints: {result.input_paint_count}  replay workers: {result.replay_worker_count}")
    print(f"scale: {result.scale_factor:.6g} mm per unit  grid: {result.grid_to_source_unit:.6g} units")
    print(f"errors: flattening {result.max_flattening_error_mm:.3g} mm, "
          f"quantization {result.max_quantization_error_mm:.3g} mm (tolerance {args.tolerance} mm)")
    print("timings: " + ", ".join(f"{name.removesuffix('_seconds')} {getattr(result, name) * 1e3:.2f} ms"
                                  for name in TIMINGS))
    for name in ("raw", "visible", "silhouette"):
        print(f"{name}: {collection_counts(getattr(result, name))}")
    fragments = result.unprintable_fragments
    print(f"unprintable fragments: {fragments.count}" +
          (f" ({', '.join(sorted(set(fragments.reason_codes)))})" if fragments.count else ""))
    if result.status != "supported":
        return 0
    out_path = Path(args.preview) if args.preview else Path("build/example") / f"{Path(args.svg).stem}-preview.svg"
    out_path.parent.mkdir(parents=True, exist_ok=True)
    write_preview(args.svg, result, out_path)
    print(f"preview: {out_path}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
