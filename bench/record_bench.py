"""Throughput of record_paint_commands_svg on generated documents.

Run by hand:  tools/sid-root run env PYTHONPATH=build/<dir>/modules python3 bench/record_bench.py [--scale 1.0]

Each document family is recorded at three sizes (1x, 2x, 4x); the report shows
MB/s and commands/s per size, and the time ratio between consecutive sizes
(about 2.0 when recording scales linearly).

With --worst-case the families that once scaled quadratically (sibling combinators,
many typed rules, one clip path shared by every shape) run too, at smaller sizes.
--family NAME (repeatable, substring match) picks families; --cpu times with process CPU time.
"""

import argparse
import time

import _pavrix_svg_core as core

SVG_OPEN = '<svg xmlns="http://www.w3.org/2000/svg" width="1000" height="1000" viewBox="0 0 1000 1000">'


def shapes_with_transforms(n):
    parts = [SVG_OPEN]
    for i in range(n):
        x, y = i % 1000, (i // 1000) % 1000
        parts.append(
            f'<rect x="{x}" y="{y}" width="0.8" height="0.6" fill="#{i % 256:02x}40c0" '
            f'transform="translate(0.5 0.25) rotate({i % 90} {x} {y})"/>'
        )
    parts.append("</svg>")
    return "".join(parts)


def groups_classes_and_style_sheet(n):
    rules = "".join(f".c{k} {{ fill: #{k * 7 % 256:02x}{k * 13 % 256:02x}80; stroke-width: {k % 5 + 1} }}\n"
                    for k in range(50))
    parts = [SVG_OPEN, f"<style>{rules}</style>"]
    for i in range(0, n, 10):
        parts.append(f'<g opacity="0.5" transform="scale(1.001)">')
        for j in range(min(10, n - i)):
            k = i + j
            parts.append(f'<circle class="c{k % 50}" cx="{k % 1000}" cy="{k // 1000 % 1000}" r="0.4" '
                         f'stroke="black"/>')
        parts.append("</g>")
    parts.append("</svg>")
    return "".join(parts)


def deep_nesting(n):
    depth = 1000  # inside the reader's nesting limit of 1024 levels, root included
    parts = [SVG_OPEN]
    per_chain = max(1, n // depth)
    for chain in range(per_chain):
        parts.append('<g transform="translate(0.001 0)">' * depth)
        parts.append(f'<rect x="{chain % 1000}" y="1" width="1" height="1"/>')
        parts.append("</g>" * depth)
    parts.append("</svg>")
    return "".join(parts)


def long_path_data(n):
    segments = " ".join(f"l {(i % 7) - 3}.5 {(i % 5) - 2}.25 a 3 2 15 0 1 4 1" for i in range(n))
    return f'{SVG_OPEN}<path d="M 500 500 {segments} z" fill="none" stroke="red"/></svg>'


def arc_path_data(n):
    # Arcs only: every arc appends its cubics to one long path.
    segments = " ".join(f"a 2 1 {i % 90} {i % 2} 1 {(i % 3) + 1} {(i % 5) - 2}" for i in range(n))
    return f'{SVG_OPEN}<path d="M 500 500 {segments}"/></svg>'


def mixed_document(n):
    # Every construct at once: a style sheet with class, id and descendant
    # rules, groups with opacity and transforms, clips, and all six shapes.
    rules = "".join(f".k{k} {{ fill: #{k * 37 % 256:02x}6080; stroke: #000; stroke-width: 0.{k % 9 + 1} }}\n"
                    for k in range(40))
    rules += "g.outer rect { fill-opacity: 0.5 }\n#s0 { stroke-dasharray: 1 1 }\n"
    kinds = (
        '<rect id="s{i}" class="k{k}" x="{x}" y="{y}" width="2" height="1" rx="0.3"/>',
        '<circle class="k{k}" cx="{x}" cy="{y}" r="0.7"/>',
        '<ellipse class="k{k}" cx="{x}" cy="{y}" rx="0.9" ry="0.4" transform="rotate(30 {x} {y})"/>',
        '<line x1="{x}" y1="{y}" x2="{x}.5" y2="{y}.5" stroke="blue" stroke-linecap="round"/>',
        '<polyline points="{x},{y} {x}.5,{y}.2 {x}.9,{y}" fill="none" stroke="red"/>',
        '<path class="k{k}" d="M{x} {y} q 0.5 -1 1 0 t 1 0 a 0.5 0.5 0 0 1 -2 0z"/>',
    )
    parts = [SVG_OPEN, f"<style>{rules}</style>",
             '<clipPath id="clip"><rect width="900" height="900"/></clipPath>']
    for i in range(0, n, 20):
        parts.append(f'<g class="outer" opacity="0.8" transform="translate({i % 7} 0)" clip-path="url(#clip)">')
        for j in range(min(20, n - i)):
            index = i + j
            x, y = index % 997, index // 997 % 997
            parts.append(kinds[index % len(kinds)].format(i=index, k=index % 40, x=x, y=y))
        parts.append("</g>")
    parts.append("</svg>")
    return "".join(parts)


FAMILIES = {
    "shapes with transforms": (shapes_with_transforms, 100_000),
    "groups, classes, style sheet": (groups_classes_and_style_sheet, 100_000),
    "deep nesting": (deep_nesting, 50_000),
    "long path data": (long_path_data, 100_000),
    "arc-only path data": (arc_path_data, 100_000),
    "mixed document": (mixed_document, 100_000),
}


def sibling_combinator(n):
    # The left compound never matches, so every rect looks at all its earlier siblings.
    rects = "".join(f'<rect x="{i % 1000}" y="{i // 1000 % 1000}" width="1" height="1"/>' for i in range(n))
    return f"{SVG_OPEN}<style>circle ~ rect {{ fill: red }}</style>{rects}</svg>"


def many_typed_rules(n):
    # One rule per ten rects, none of them a bare class selector.
    count = max(1, n // 10)
    rules = "".join(f"rect.c{k} {{ fill: #{k % 256:02x}2040 }}\n" for k in range(count))
    rects = "".join(f'<rect class="c{i % count}" x="{i % 1000}" width="1" height="1"/>' for i in range(n))
    return f"{SVG_OPEN}<style>{rules}</style>{rects}</svg>"


def shared_clip_path(n):
    # One clip path whose usable shape comes after n skipped children, referenced n times.
    clip = '<clipPath id="c">' + "<g/>" * n + '<rect width="500" height="500"/></clipPath>'
    rects = "".join(f'<rect x="{i % 1000}" width="1" height="1" clip-path="url(#c)"/>' for i in range(n))
    return f"{SVG_OPEN}{clip}{rects}</svg>"


WORST_CASE_FAMILIES = {
    "sibling combinator": (sibling_combinator, 40_000),
    "many typed rules": (many_typed_rules, 40_000),
    "shared clip path": (shared_clip_path, 40_000),
}


def measure(svg, repeats, clock):
    best = float("inf")
    result = None
    for _ in range(repeats):
        start = clock()
        result = core.record_paint_commands_svg(svg)
        best = min(best, clock() - start)
    return best, result


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scale", type=float, default=1.0, help="multiplies every base size")
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--worst-case", action="store_true", help="also run the worst-case families")
    parser.add_argument("--family", action="append", default=[], help="run only families containing this text")
    parser.add_argument("--cpu", action="store_true",
                        help="time with process CPU time (steadier on a loaded machine; recording is single-threaded)")
    args = parser.parse_args()
    families = dict(FAMILIES)
    if args.worst_case:
        families.update(WORST_CASE_FAMILIES)
    if args.family:
        families = {name: entry for name, entry in families.items() if any(f in name for f in args.family)}
    print(f"{'family':32} {'size':>8} {'MB':>8} {'seconds':>9} {'MB/s':>8} {'commands/s':>12} {'points/s':>12} {'ratio':>6} status")
    for name, (make, base) in families.items():
        previous = None
        for factor in (1, 2, 4):
            size = max(1, int(base * args.scale * factor / 4))
            svg = make(size)
            megabytes = len(svg.encode("utf-8")) / 1e6
            seconds, result = measure(svg, args.repeats, time.process_time if args.cpu else time.perf_counter)
            commands = result.commands
            points = sum(len(c.path_points) for c in commands)
            ratio = f"{seconds / previous:6.2f}" if previous else "     -"
            previous = seconds
            print(f"{name:32} {size:8d} {megabytes:8.2f} {seconds:9.4f} {megabytes / seconds:8.1f} "
                  f"{len(commands) / seconds:12.0f} {points / seconds:12.0f} {ratio} {result.status} {result.reason_code}")


if __name__ == "__main__":
    main()
