"""Sheets of real app icons, as a sticker or cutting sheet is laid out, for the analysis benchmarks.

Run inside the yardstick root (it has the Papirus icon theme):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 bench/icon_sheet.py --icons 400 [--out build/icon-sheets]

A sheet holds the first N Papirus 64x64 app icons (in file name order) that record as supported on
their own; each icon's children sit inside <g transform="translate(x y)"> on a 72-unit grid of
ceil(sqrt(N)) columns, as an editor's import lays them out. Papirus icons stack a shadow copy of a
shape one unit below the shape (opacity 0.2), highlights over the same edges and small details:
many nearly coincident edges per cell, few overlaps between cells. `--opaque` drops every opacity
(the opaque compositor's road). From another benchmark (bench on PYTHONPATH):
`icon_sheet.sheet(400)` gives (file_path, icon_count).
"""

import argparse
import glob
import math
import os
import re

import _pavrix_svg_core as core

ICON_ROOT = "/usr/share/icons/Papirus/64x64/apps"
REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(REPOSITORY, "build", "icon-sheets")
CELL = 72  # user units between icons: a 64-unit icon and its margin
# Millimetres one cell is analysed at: a 10 mm sticker; a sheet of 20 columns is 200 mm wide, the
# width the traced-art benchmark uses at the same 0.05 mm tolerance.
CELL_MM = 10.0

_ROOT_TAG = re.compile(r"<svg\b[^>]*>", re.S)


def icon_bodies(count, root=ICON_ROOT):
    """The children of the first `count` supported icons, as text."""
    names = sorted(glob.glob(os.path.join(root, "*.svg")))
    if not names:
        raise SystemExit(f"no icons under {root}: run inside the yardstick root (PAVRIX_ROOT_YARDSTICKS=1)")
    bodies = []
    for name in names:
        if not os.path.isfile(name):  # a dangling link
            continue
        with open(name, encoding="utf-8", errors="replace") as handle:
            text = handle.read()
        tag = _ROOT_TAG.search(text)
        end = text.rfind("</svg>")
        # Only icons drawn in their own 64-unit square keep their size under a bare translation.
        if tag is None or end < 0:
            continue
        view_box = re.search(r'viewBox="([^"]*)"', tag.group(0))
        if (view_box.group(1).split() != ["0", "0", "64", "64"]) if view_box else 'width="64"' not in tag.group(0):
            continue
        if core.record_paint_commands_svg(text).status != "supported":
            continue
        body = text[tag.end():end]
        # Ids made unique per icon, as an editor's import renames them.
        prefix = f"i{len(bodies)}-"
        body = re.sub(r'\bid="([^"]+)"', rf'id="{prefix}\1"', body)
        body = re.sub(r"(href=\"|url\()#", rf"\1#{prefix}", body)
        bodies.append(body)
        if len(bodies) == count:
            break
    return bodies


def sheet_text(bodies, opaque=False):
    columns = max(1, math.ceil(math.sqrt(len(bodies))))
    rows = max(1, math.ceil(len(bodies) / columns))
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" width="{columns * CELL}" height="{rows * CELL}" '
             f'viewBox="0 0 {columns * CELL} {rows * CELL}" xmlns:xlink="http://www.w3.org/1999/xlink">']
    for i, body in enumerate(bodies):
        if opaque:
            body = re.sub(r"(fill-|stroke-)?opacity:[^;\"]*;?", "", body)
            body = re.sub(r'\s(fill-|stroke-)?opacity="[^"]*"', "", body)
        parts.append(f'<g transform="translate({i % columns * CELL} {i // columns * CELL})">{body}</g>')
    parts.append("</svg>\n")
    return "\n".join(parts), columns


def width_mm(columns):
    return columns * CELL_MM


def sheet(count, opaque=False, out=None, root=ICON_ROOT):
    """(file_path, icons, width_mm) of the sheet of the first `count` supported icons, built once."""
    out = os.path.abspath(out or DEFAULT_OUT)
    target = os.path.join(out, f"papirus-{count}{'-opaque' if opaque else ''}.svg")
    bodies = None
    if not os.path.exists(target):
        bodies = icon_bodies(count, root)
        text, _ = sheet_text(bodies, opaque)
        os.makedirs(out, exist_ok=True)
        partial = f"{target}.{os.getpid()}.part"
        with open(partial, "w", encoding="utf-8") as handle:
            handle.write(text)
        os.replace(partial, target)
    return target, count, width_mm(max(1, math.ceil(math.sqrt(count))))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--icons", type=int, action="append", default=[])
    parser.add_argument("--opaque", action="store_true", help="drop every opacity")
    parser.add_argument("--out", default=DEFAULT_OUT)
    parser.add_argument("--root", default=ICON_ROOT, help="icon folder")
    args = parser.parse_args()
    for count in args.icons or [100, 400, 1600]:
        file_path, icons, width = sheet(count, args.opaque, args.out, args.root)
        recorded = core.record_paint_commands(file_path)
        print(f"{file_path}: {icons} icons, {len(recorded.commands)} commands, {recorded.status}, "
              f"analyse at {width:g} mm")


if __name__ == "__main__":
    main()
