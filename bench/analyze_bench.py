"""Throughput of analyze_svg_svg on generated documents.

Run by hand:  tools/sid-root run env PYTHONPATH=build/<dir>/modules python3 bench/analyze_bench.py [--sizes 1000,10000,100000]

Each family is analysed at every size (default 10^3, 10^4 and 10^5 shapes); the report shows MB/s of
SVG text and paints per second, the time ratio to the previous size (about 10 when the analysis
scales linearly with a tenfold size) and where the time went: recording, the share of kernel time spent on
bounds (stroke bounds included), and replay, compositing and export.
--family NAME (repeatable, substring match) picks families; --repeat N keeps the best of N runs.
"""

import argparse
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
    args = parser.parse_args()
    sizes = [int(size) for size in args.sizes.split(",")]
    print(f"{'family':<28}{'shapes':>8}{'MB':>8}{'s':>9}{'MB/s':>8}{'paints/s':>11}{'ratio':>7}  status / split")
    for name, build in FAMILIES.items():
        if args.family and not any(wanted in name for wanted in args.family):
            continue
        previous = None
        for size in sizes:
            text = build(size)
            megabytes = len(text.encode()) / 1e6
            elapsed, result = measure(text, args.repeat)
            ratio = f"{elapsed / previous:.1f}" if previous else "-"
            previous = elapsed
            bounds_share = result.bounds_seconds / result.kernel_seconds if result.kernel_seconds > 0 else 0.0
            split = (f"rec {result.recorder_seconds:.2f} bounds {result.bounds_seconds:.3f} ({bounds_share:.0%}) "
                     f"replay {result.replay_seconds:.2f} "
                     f"comp {result.composite_seconds:.2f} export {result.export_seconds:.2f} "
                     f"workers {result.replay_worker_count}")
            print(f"{name:<28}{size:>8}{megabytes:>8.2f}{elapsed:>9.3f}{megabytes / elapsed:>8.2f}"
                  f"{result.input_paint_count / elapsed:>11.0f}{ratio:>7}  {result.status} {result.reason_code} {split}")


if __name__ == "__main__":
    main()
