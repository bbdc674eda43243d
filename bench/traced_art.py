"""Traced-art SVG documents built from real raster images, for the recording and analysis benchmarks.

Run inside the yardstick root (the tracers, Pillow and the images live only there):
  y="env PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules"
  $y python3 bench/traced_art.py --list                       # build every document, list the ladder
  $y python3 bench/traced_art.py --family stacked --paths 5000  # print the closest document's file
  $y python3 bench/traced_art.py --record [--family F]         # record each: status and paint count
  $y python3 bench/traced_art.py --analyze --family stacked --paths 5000 [--width-mm 200] [--tolerance-mm 0.05]
From another benchmark (bench on PYTHONPATH): `traced_art.documents("stacked")` gives
[(name, path_count, file_path)], `traced_art.document("outlined", 5000)` the closest one.

Image tracers turn photos into thousands of colour regions; such documents cost far more per path
than grids of rectangles, so throughput is measured on them. Families:
- stacked:  imagetracerjs at 8 to 64 colours with its strokes set to width 0, as it writes them
            (each path also carries a zero-width stroke of its own colour, which the analysis
            reports as unprintable); colour layers follow one another in palette order.
- outlined: imagetracerjs with its default 1-px stroke on every filled region: each region's
            outline overlaps its neighbours; two paints per path.
- potrace:  the photo posterized to N colours, one potrace run per threshold (the pixels at least
            as dark as that colour), painted light to dark so every layer covers the ones before.
- ladder:   one photo (ladybird) traced like `stacked` at 64 colours and five widths, from about
            1,000 to 25,000 paths: the same picture at every size, so time against paths shows how
            the cost grows (the stacked rungs are different pictures).
The tracer's output is kept byte for byte; potrace's layers are gathered into one document, each a
group carrying potrace's own transform and the layer's colour. Documents are built once into the
cache folder (default build/traced-art/, --out DIR) and reused: the same packages give the same
bytes. imagetracerjs comes from npm into the cache's node/ folder on first use; its random colour
sampling runs on a fixed seed. Delete the cache folder after changing how documents are built.
"""

import argparse
import json
import os
import re
import subprocess
import sys
import time

from PIL import Image

REPOSITORY = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DEFAULT_OUT = os.path.join(REPOSITORY, "build", "traced-art")
TRACER = "imagetracerjs@1.2.6"

PHOTOS = "/usr/lib/python3/dist-packages/skimage/data"  # python3-skimage
IMAGES = {
    "chelsea": f"{PHOTOS}/chelsea.png",  # a cat, 451 x 300
    "coffee": f"{PHOTOS}/coffee.png",  # a cup of coffee, 600 x 400
    "astronaut": f"{PHOTOS}/astronaut.png",  # a portrait, 512 x 512
    "rocket": f"{PHOTOS}/rocket.jpg",  # a launch pad, 640 x 427
    "ladybird": "/usr/share/backgrounds/mate/nature/LadyBird.jpg",  # mate-backgrounds, 2560 x 1600
    "joy": "/usr/share/desktop-base/joy-theme/grub/grub-16x9.png",  # desktop-base wallpaper, 1920 x 1080
    "digikam": "/usr/share/icons/oxygen/base/256x256/apps/digikam.png",  # oxygen-icon-theme icon
}

# (family, nominal paths, image, width in pixels, colours): the nominal size picks a rung; the real
# path count (within about 10 % of it) is listed by --list.
LADDER = [
    ("stacked", 1000, "chelsea", 256, 8),
    ("stacked", 2500, "coffee", 400, 12),
    ("stacked", 3500, "joy", 1280, 32),
    ("stacked", 5000, "astronaut", 512, 24),
    ("stacked", 10000, "astronaut", 512, 64),
    ("stacked", 25000, "ladybird", 1800, 64),
    ("outlined", 500, "digikam", 256, 8),
    ("outlined", 1000, "digikam", 256, 16),
    ("outlined", 2500, "chelsea", 420, 11),
    ("outlined", 5000, "rocket", 640, 24),
    ("outlined", 10000, "coffee", 600, 32),
    ("potrace", 1000, "chelsea", 451, 8),
    ("potrace", 2500, "coffee", 600, 16),
    ("potrace", 5000, "coffee", 600, 32),
    ("potrace", 10000, "ladybird", 1920, 28),
    ("ladder", 1000, "ladybird", 160, 64),
    ("ladder", 2500, "ladybird", 320, 64),
    ("ladder", 5000, "ladybird", 540, 64),
    ("ladder", 10000, "ladybird", 950, 64),
    ("ladder", 25000, "ladybird", 1850, 64),
]
FAMILIES = sorted({family for family, *_ in LADDER})

# Reads RGBA pixels on stdin, writes the SVG on stdout. Math.random is replaced by a seeded
# generator (mulberry32) so the tracer's sampling gives the same document on every run.
TRACE_JS = """\
"use strict";
let seed = 0x9e3779b9;
Math.random = () => {
  seed = (seed + 0x6d2b79f5) | 0;
  let t = Math.imul(seed ^ (seed >>> 15), 1 | seed);
  t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
  return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
};
const tracer = require(require("path").join(__dirname, "node_modules", "imagetracerjs"));
const [width, height, options] = process.argv.slice(2);
const data = require("fs").readFileSync(0);
process.stdout.write(tracer.imagedataToSVG({ width: +width, height: +height, data }, JSON.parse(options)));
"""


def name_of(family, image, width, colours):
    return f"{family}-{image}-{width}px-{colours}c"


def load_image(image, width):
    """The image on white at `width` pixels wide, RGB."""
    if not os.path.exists(IMAGES[image]):
        raise FileNotFoundError(f"{IMAGES[image]}: run inside the yardstick root (PAVRIX_ROOT_YARDSTICKS=1)")
    picture = Image.open(IMAGES[image])
    picture = Image.alpha_composite(Image.new("RGBA", picture.size, "white"), picture.convert("RGBA"))
    if width != picture.width:
        picture = picture.resize((width, round(picture.height * width / picture.width)), Image.LANCZOS)
    return picture.convert("RGB")


def tracer_script(out):
    folder = os.path.join(out, "node")
    script = os.path.join(folder, "trace.js")
    if not os.path.isdir(os.path.join(folder, "node_modules", "imagetracerjs")):
        os.makedirs(folder, exist_ok=True)
        subprocess.run(["npm", "install", "--prefix", folder, "--no-audit", "--no-fund", "--loglevel=error",
                        TRACER], check=True, stdout=sys.stderr,  # stdout may carry a document's file name
                       env=dict(os.environ, npm_config_cache=os.path.join(folder, "cache")))
    if not os.path.exists(script) or open(script, encoding="utf-8").read() != TRACE_JS:
        with open(script, "w", encoding="utf-8") as handle:
            handle.write(TRACE_JS)
    return script


def imagetracer(out, picture, colours, stroke_width):
    options = {"numberofcolors": colours, "viewbox": True}
    if stroke_width is not None:
        options["strokewidth"] = stroke_width
    return subprocess.run(["node", tracer_script(out), str(picture.width), str(picture.height),
                           json.dumps(options)], input=picture.convert("RGBA").tobytes(),
                          capture_output=True, check=True).stdout.decode()


def potrace(picture, colours):
    quantized = picture.quantize(colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    palette = quantized.getpalette()[:3 * colours]
    rgb = [tuple(palette[3 * i:3 * i + 3]) for i in range(len(palette) // 3)]
    # Light to dark: the rank of each palette entry by luminance.
    order = sorted(range(len(rgb)), key=lambda i: -(299 * rgb[i][0] + 587 * rgb[i][1] + 114 * rgb[i][2]))
    rank = {index: position for position, index in enumerate(order)}
    indices = quantized.tobytes()
    header = f"P4\n{picture.width} {picture.height}\n".encode()
    parts = [f'<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 {picture.width} {picture.height}">']
    for position, index in enumerate(order):
        # Set bits (black in the bitmap) are the pixels at least as dark as this colour.
        darker = bytes(255 if rank.get(i, 0) >= position else 0 for i in range(256))
        bitmap = Image.frombytes("L", picture.size, indices.translate(darker)).convert("1", dither=Image.Dither.NONE)
        traced = subprocess.run(["potrace", "-b", "svg", "-o", "-", "-"], input=header + bitmap.tobytes(),
                                capture_output=True, check=True).stdout.decode()
        transform = re.search(r'<g transform="([^"]*)"', traced).group(1)
        paths = [" ".join(d.split()) for d in re.findall(r'<path d="([^"]*)"', traced)]
        if paths:
            colour = "#{:02x}{:02x}{:02x}".format(*rgb[index])
            parts.append(f'<g transform="{transform}" fill="{colour}">')
            parts.extend(f'<path d="{d}"/>' for d in paths)
            parts.append("</g>")
    parts.append("</svg>\n")
    return "\n".join(parts)


def build(family, image, width, colours, out=None):
    """The file of one rung, built on first use."""
    out = os.path.abspath(out or DEFAULT_OUT)
    target = os.path.join(out, family, name_of(family, image, width, colours) + ".svg")
    if os.path.exists(target):
        return target
    picture = load_image(image, width)
    if family == "potrace":
        text = potrace(picture, colours)
    else:
        text = imagetracer(out, picture, colours, 0 if family in ("stacked", "ladder") else None)
    os.makedirs(os.path.dirname(target), exist_ok=True)
    partial = f"{target}.{os.getpid()}.part"
    with open(partial, "w", encoding="utf-8") as handle:
        handle.write(text)
    os.replace(partial, target)  # never a half-written document in the cache
    return target


def path_count(file_path):
    with open(file_path, encoding="utf-8") as handle:
        return handle.read().count("<path")


def documents(family, out=None):
    """[(name, path_count, file_path)] of every rung of `family`, smallest nominal size first."""
    if family not in FAMILIES:
        raise ValueError(f"unknown family {family!r}; one of {', '.join(FAMILIES)}")
    result = []
    for rung_family, _, image, width, colours in LADDER:
        if rung_family == family:
            file_path = build(family, image, width, colours, out)
            result.append((name_of(family, image, width, colours), path_count(file_path), file_path))
    return result


def document(family, paths, out=None):
    """(name, path_count, file_path) of the rung of `family` whose nominal size is closest to `paths`."""
    rungs = [rung for rung in LADDER if rung[0] == family]
    if not rungs:
        raise ValueError(f"unknown family {family!r}; one of {', '.join(FAMILIES)}")
    _, _, image, width, colours = min(rungs, key=lambda rung: abs(rung[1] - paths))
    file_path = build(family, image, width, colours, out)
    return name_of(family, image, width, colours), path_count(file_path), file_path


def outcome(result):
    return f"{result.status} {result.reason_code}" if result.reason_code else result.status


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=DEFAULT_OUT, help="cache folder (default build/traced-art)")
    parser.add_argument("--family", choices=FAMILIES, action="append", default=[])
    parser.add_argument("--paths", type=int, help="with --family: only the rung closest to this size")
    parser.add_argument("--list", action="store_true", help="build and list (the default without --paths)")
    parser.add_argument("--record", action="store_true", help="record each document: status, paints")
    parser.add_argument("--analyze", action="store_true", help="analyse each document with analyze_svg")
    parser.add_argument("--width-mm", type=float, default=200.0)
    parser.add_argument("--tolerance-mm", type=float, default=0.05)
    args = parser.parse_args()
    families = args.family or FAMILIES
    if args.paths is not None:
        chosen = [document(family, args.paths, args.out) for family in families]
    else:
        chosen = [entry for family in families for entry in documents(family, args.out)]
    if args.paths is not None and not (args.list or args.record or args.analyze):
        for _, _, file_path in chosen:
            print(file_path)
        return
    core = None
    if args.record or args.analyze:
        import _pavrix_svg_core as core
    print(f"{'document':<42}{'paths':>7}{'MB':>7}" + ("  record" if args.record else "")
          + ("  analyze" if args.analyze else ""))
    for name, count, file_path in chosen:
        line = f"{name:<42}{count:>7}{os.path.getsize(file_path) / 1e6:>7.2f}"
        if args.record:
            start = time.perf_counter()
            recorded = core.record_paint_commands(file_path)
            line += (f"  {outcome(recorded)} paints {len(recorded.commands)} "
                     f"{time.perf_counter() - start:.2f} s")
        if args.analyze:
            start = time.perf_counter()
            result = core.analyze_svg(file_path, args.width_mm, args.tolerance_mm)
            line += (f"  {outcome(result)} {time.perf_counter() - start:.2f} s "
                     f"(rec {result.recorder_seconds:.2f} bounds {result.bounds_seconds:.2f} "
                     f"replay {result.replay_seconds:.2f} comp {result.composite_seconds:.2f} "
                     f"normalize {result.normalization_raw_seconds + result.normalization_visible_seconds:.2f} "
                     f"export {result.export_seconds:.2f}) regions {result.visible.geometry_count}")
        print(line, flush=True)
    if args.record or args.analyze:
        print(f"load average {' '.join(f'{value:.2f}' for value in os.getloadavg())}")


if __name__ == "__main__":
    main()
