"""Throughput of analyze_svg_svg on generated documents.

Run by hand:  tools/sid-root run env PYTHONPATH=build/<dir>/modules python3 bench/analyze_bench.py [--sizes 1000,10000,100000]

Each family is analysed at every size (default 10^3, 10^4 and 10^5 shapes); the report shows MB/s of
SVG text and paints per second, the growth exponent k (time ~ size^k) from the previous size (1 when
the analysis scales linearly) and where the time went: recording, the share of kernel time spent on
bounds (stroke bounds included), and replay, compositing and export.
--family NAME (repeatable, substring match) picks families; --repeat N keeps the best of N runs;
--save DIR also writes every document (for bench/analysis_floor_bench and bench/python_route_bench.py).
"""

import argparse
import math
import os
import random
import time

import _pavrix_svg_core as core

SVG_OPEN = '<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 1000 1000">'


def grid_document(n, element, offset=0.0, group=1):
    """n elements on a square grid over the page; element(i, x, y, step) writes one. With group > 1
    every `group` consecutive elements share one translucent group."""
    parts = [SVG_OPEN]
    side = max(1, int(n ** 0.5))
    step = 1000 / side
    for i in range(n):
        if group > 1 and i % group == 0:
            parts.append('<g opacity="0.6">')
        parts.append(element(i, (i % side + offset) * step, (i // side % side + offset) * step, step))
        if group > 1 and (i % group == group - 1 or i == n - 1):
            parts.append("</g>")
    parts.append("</svg>")
    return "".join(parts)


def opaque_rectangles(n):
    # Overlapping opaque rectangles on a grid: painter's order hides part of every earlier one.
    return grid_document(n, lambda i, x, y, step: (
        f'<rect x="{x:.3f}" y="{y:.3f}" width="{step * 1.5:.3f}" height="{step * 1.3:.3f}" '
        f'fill="#{i * 2654435761 % 0xFFFFFF:06x}"/>'))


def opaque_circles_and_strokes(n):
    def element(i, x, y, step):
        if i % 2:
            return f'<circle cx="{x:.3f}" cy="{y:.3f}" r="{step * 0.7:.3f}" fill="#{i % 256:02x}8040"/>'
        return (f'<path d="M{x - step:.3f} {y:.3f} L{x + step:.3f} {y + step * 0.5:.3f}" '
                f'stroke="#204080" stroke-width="{step * 0.2:.3f}" fill="none"/>')
    return grid_document(n, element, offset=0.5)


def translucent_rectangles(n):
    # Half-transparent overlaps: every overlap becomes a region of its own colour.
    return grid_document(n, lambda i, x, y, step: (
        f'<rect x="{x:.3f}" y="{y:.3f}" width="{step * 1.5:.3f}" height="{step * 1.3:.3f}" '
        f'fill="#{i * 40503 % 0xFFFFFF:06x}" fill-opacity="0.5"/>'))


def translucent_groups(n):
    return grid_document(n, lambda i, x, y, step: (
        f'<circle cx="{x:.3f}" cy="{y:.3f}" r="{step * 0.8:.3f}" fill="#{i % 256:02x}40c0"/>'), offset=0.5, group=8)


def stroked_curves(join, cap, dashed=False):
    # Two cubics meeting at a corner per path, so that every join, cap and curve end is exercised.
    dash = ' stroke-dasharray="3 2"' if dashed else ""

    def build(n):
        return grid_document(n, lambda i, x, y, step: (
            f'<path d="M{x:.3f} {y:.3f} c{step * 0.2:.3f} {-step * 0.4:.3f} {step * 0.4:.3f} {-step * 0.4:.3f} '
            f'{step * 0.5:.3f} 0 c{step * 0.1:.3f} {step * 0.4:.3f} {step * 0.3:.3f} {step * 0.2:.3f} '
            f'{step * 0.4:.3f} {-step * 0.3:.3f}" fill="none" stroke="#{i % 256:02x}3060" '
            f'stroke-width="{step * 0.08:.3f}" stroke-linejoin="{join}" stroke-linecap="{cap}"{dash}/>'), offset=0.2)
    return build


def traced_outlines(n):
    # As an image tracer writes them: abutting filled regions of curves, each outlined by a 1-px stroke.
    def element(i, x, y, step):
        s = step * 0.55
        return (f'<path d="M{x:.3f} {y:.3f} c{s * 0.3:.3f} {-s * 0.2:.3f} {s * 0.7:.3f} {-s * 0.2:.3f} {s:.3f} 0 '
                f'c{s * 0.2:.3f} {s * 0.3:.3f} {s * 0.2:.3f} {s * 0.7:.3f} 0 {s:.3f} '
                f'c{-s * 0.3:.3f} {s * 0.2:.3f} {-s * 0.7:.3f} {s * 0.2:.3f} {-s:.3f} 0 '
                f'c{-s * 0.2:.3f} {-s * 0.3:.3f} {-s * 0.2:.3f} {-s * 0.7:.3f} 0 {-s:.3f}z" '
                f'fill="#{i * 2654435761 % 0xFFFFFF:06x}" stroke="#{i * 40503 % 0xFFFFFF:06x}" stroke-width="1"/>')
    return grid_document(n, element, offset=0.2)


def blob(rng, cx, cy, radius, lobes):
    """A closed cubic outline wobbling around a circle, like a traced colour region."""
    count = rng.randint(6, 14)
    points = []
    for k in range(count):
        angle = 2 * math.pi * k / count
        r = radius * (1 + 0.35 * math.sin(lobes * angle + rng.random() * 6) * rng.random())
        points.append((cx + r * math.cos(angle), cy + r * math.sin(angle)))
    parts = [f"M{points[0][0]:.2f} {points[0][1]:.2f}"]
    for k in range(count):
        (x0, y0), (x1, y1) = points[k], points[(k + 1) % count]
        bend = 0.3 * rng.uniform(-1, 1)
        parts.append(f"C{x0 + (x1 - x0) / 3 - bend * (y1 - y0):.2f} {y0 + (y1 - y0) / 3 + bend * (x1 - x0):.2f} "
                     f"{x0 + 2 * (x1 - x0) / 3 - bend * (y1 - y0):.2f} {y0 + 2 * (y1 - y0) / 3 + bend * (x1 - x0):.2f} "
                     f"{x1:.2f} {y1:.2f}")
    parts.append("Z")
    return "".join(parts)


def stacked_layers(n):
    # Like an image tracer's stacked output: colour layers painted one over the other, each
    # layer of blobs smaller and more numerous than the one below, some with a hole, so nearly
    # every paint is overlapped by many later ones.
    rng = random.Random(n)
    layers = max(2, min(16, int(math.log2(n))))
    parts = [SVG_OPEN, '<rect width="1000" height="1000" fill="#808080"/>']
    painted = 1
    for layer in range(layers):
        count = max(1, (n - 1) * (2 ** layer) // (2 ** layers - 1)) if layer < layers - 1 else n - painted
        radius = 1000 / math.sqrt(max(count, 1)) * 0.9
        colour = f"#{(layer * 2654435761) % 0xFFFFFF:06x}"
        for _ in range(max(0, min(count, n - painted))):
            cx, cy = rng.uniform(0, 1000), rng.uniform(0, 1000)
            d = blob(rng, cx, cy, radius, rng.randint(2, 5))
            if rng.random() < 0.2:
                d += blob(rng, cx, cy, radius * 0.3, 2)
                parts.append(f'<path fill-rule="evenodd" fill="{colour}" d="{d}"/>')
            else:
                parts.append(f'<path fill="{colour}" d="{d}"/>')
            painted += 1
    parts.append("</svg>")
    return "".join(parts)


def outlined_layers(n):
    # The same stacks with a one-unit outline on every paint without a hole, overlapping its
    # neighbours.
    return stacked_layers(n).replace('<path fill=', '<path stroke="#202020" stroke-width="1" fill=')


FAMILIES = {
    "opaque_rectangles": opaque_rectangles,
    "opaque_circles_and_strokes": opaque_circles_and_strokes,
    "translucent_rectangles": translucent_rectangles,
    "translucent_groups": translucent_groups,
    "stroked_curves_miter_butt": stroked_curves("miter", "butt"),
    "stroked_curves_round_round": stroked_curves("round", "round"),
    "stroked_curves_bevel_square": stroked_curves("bevel", "square"),
    "stroked_curves_round_butt": stroked_curves("round", "butt"),
    "stroked_curves_dashed": stroked_curves("miter", "butt", dashed=True),
    "traced_outlines": traced_outlines,
    "stacked_layers": stacked_layers,
    "outlined_layers": outlined_layers,
}


def measure(text, repeat):
    best = None
    for _ in range(repeat):
        start = time.perf_counter()
        result = core.analyze_svg_svg(text, 200.0, 0.05)
        elapsed = time.perf_counter() - start
        if best is None or elapsed < best[0]:
            best = (elapsed, result)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--sizes", default="1000,10000,100000")
    parser.add_argument("--family", action="append", default=[])
    parser.add_argument("--repeat", type=int, default=1)
    parser.add_argument("--save", metavar="DIR", help="also write each document to DIR/FAMILY-SIZE.svg")
    args = parser.parse_args()
    sizes = [int(size) for size in args.sizes.split(",")]
    print(f"{'family':<28}{'shapes':>8}{'MB':>8}{'s':>9}{'MB/s':>8}{'paints/s':>11}{'growth':>7}  status / split")
    for name, build in FAMILIES.items():
        if args.family and not any(wanted in name for wanted in args.family):
            continue
        previous = None
        for size in sizes:
            text = build(size)
            if args.save:
                with open(os.path.join(args.save, f"{name}-{size}.svg"), "w", encoding="utf-8") as handle:
                    handle.write(text)
            megabytes = len(text.encode()) / 1e6
            elapsed, result = measure(text, args.repeat)
            # Growth exponent k of time ~ size^k between this size and the previous one.
            ratio = f"{math.log(elapsed / previous[0]) / math.log(size / previous[1]):.2f}" if previous else "-"
            previous = (elapsed, size)
            bounds_share = result.bounds_seconds / result.kernel_seconds if result.kernel_seconds > 0 else 0.0
            split = (f"rec {result.recorder_seconds:.2f} bounds {result.bounds_seconds:.3f} ({bounds_share:.0%}) "
                     f"replay {result.replay_seconds:.2f} "
                     f"comp {result.composite_seconds:.2f} export {result.export_seconds:.2f} "
                     f"workers {result.replay_worker_count}")
            print(f"{name:<28}{size:>8}{megabytes:>8.2f}{elapsed:>9.3f}{megabytes / elapsed:>8.2f}"
                  f"{result.input_paint_count / elapsed:>11.0f}{ratio:>7}  {result.status} {result.reason_code} {split}")


if __name__ == "__main__":
    main()
