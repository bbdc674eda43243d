"""Large SVG documents built from real icon path data, for the analysis and recording benchmarks.

Run inside the yardstick root (it has the Adwaita icons):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 bench/icon_document.py --paths 5000 OUT.svg

Each path is an icon's <path> data placed on a 16-unit tile with a transform and an opaque fill
(about 400 bytes each: 5,000 paths make about 2 MB). Only path data the recorder supports on its
own is used, so the document records whole.
"""

import argparse
import glob
import os
import re

import _pavrix_svg_core as core

ICON_ROOT = "/usr/share/icons/Adwaita"
SIDE = 4000  # user units of the page side; tiles of 16 wrap in rows


def icon_path_data():
    data = []
    for name in sorted(glob.glob(os.path.join(ICON_ROOT, "**", "*.svg"), recursive=True)):
        with open(name, encoding="utf-8", errors="replace") as handle:
            data.extend(d for d in re.findall(r'\sd="([^"]{20,4000})"', handle.read()))
    data = [d for d in data if core.record_paint_commands_svg(
        f'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 16 16"><path d="{d}"/></svg>').status == "supported"]
    if not data:
        raise SystemExit(f"no icon path data under {ICON_ROOT}: run inside the yardstick root")
    return data


def document(path_data, megabytes=None, paths=None):
    """The document text and its path count: stops at `megabytes` of text or at `paths` paths."""
    target = int(megabytes * 1e6) if megabytes is not None else None
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{SIDE}" height="{SIDE}" '
             f'viewBox="0 0 {SIDE} {SIDE}">']
    size, i = len(parts[0]), 0
    while (target is None or size < target) and (paths is None or i < paths):
        d = path_data[i % len(path_data)]
        x, y = (i * 16) % SIDE, (i * 16 // SIDE * 16) % SIDE
        part = (f'<path transform="translate({x} {y}) scale(0.9)" fill="#{i * 2654435761 % 0xFFFFFF:06x}" '
                f'd="{d}"/>')
        parts.append(part)
        size += len(part)
        i += 1
    # resvg refuses a document without any id; one keeps its output to a line.
    parts.append('<rect id="end" width="1" height="1"/></svg>')
    return "".join(parts), i


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--paths", type=int, default=None)
    parser.add_argument("--megabytes", type=float, default=None)
    parser.add_argument("output")
    args = parser.parse_args()
    if args.paths is None and args.megabytes is None:
        args.paths = 5000
    text, count = document(icon_path_data(), args.megabytes, args.paths)
    with open(args.output, "w", encoding="utf-8") as handle:
        handle.write(text)
    print(f"{args.output}: {count} paths, {len(text) / 1e6:.2f} MB")


if __name__ == "__main__":
    main()
