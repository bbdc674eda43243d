"""Recording speed side by side with an independent SVG parser, on real icon path data.

Run inside the yardstick root (it has resvg and the Adwaita icons):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 bench/record_vs_resvg.py [--megabytes 20 2] [--repeat 3] [--threads 8]

Documents are built from the path data of every icon of the Adwaita theme: <path> elements with
transforms and fills, about 500 bytes each. `resvg --query-all` parses, applies CSS and normalizes
the tree without rendering, which is comparable work to recording. Prints MB/s of both and the
ratio (above 1.0: recording is faster), then the efficiency of N threads recording concurrently
against N sequential calls.
"""

import argparse
import os
import subprocess
import tempfile
import threading
import time

import _pavrix_svg_core as core
from icon_document import document, icon_path_data


def best_of(repeat, work):
    best = float("inf")
    for _ in range(repeat):
        start = time.perf_counter()
        work()
        best = min(best, time.perf_counter() - start)
    return best


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=float, nargs="+", default=[20.0, 2.0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--threads", type=int, default=8)
    args = parser.parse_args()
    path_data = icon_path_data()
    with tempfile.TemporaryDirectory() as folder:
        for megabytes in args.megabytes:
            text, count = document(path_data, megabytes=megabytes)
            name = os.path.join(folder, f"icons-{megabytes:g}MB.svg")
            with open(name, "w", encoding="utf-8") as handle:
                handle.write(text)
            mb = len(text) / 1e6
            result = core.record_paint_commands(name)
            ours = best_of(args.repeat, lambda: core.record_paint_commands(name))
            theirs = best_of(args.repeat, lambda: subprocess.run(["resvg", "--query-all", name], check=True,
                                                                 stdout=subprocess.DEVNULL))
            print(f"{mb:7.2f} MB, {count} paths, {result.status} {result.reason_code}, {len(result.commands)} commands: "
                  f"record {ours:.3f} s ({mb / ours:.1f} MB/s), resvg --query-all {theirs:.3f} s "
                  f"({mb / theirs:.1f} MB/s), ratio {theirs / ours:.2f}")

            sequential = best_of(1, lambda: [core.record_paint_commands_svg(text) for _ in range(args.threads)])
            threads = [threading.Thread(target=core.record_paint_commands_svg, args=(text,))
                       for _ in range(args.threads)]
            start = time.perf_counter()
            for thread in threads:
                thread.start()
            for thread in threads:
                thread.join()
            concurrent = time.perf_counter() - start
            print(f"          {args.threads} threads: sequential {sequential:.3f} s, concurrent {concurrent:.3f} s, "
                  f"speed-up {sequential / concurrent:.2f}, efficiency {sequential / concurrent / args.threads:.0%}")


if __name__ == "__main__":
    main()
