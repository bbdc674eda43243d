"""Recording speed side by side with an independent SVG parser, on real icon path data.

Run inside the yardstick root (it has resvg and the Adwaita icons):
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 bench/record_vs_resvg.py [--megabytes 20 2] [--repeat 3] [--threads 8]

Documents are built from the path data of every icon of the Adwaita theme: <path> elements with
transforms and fills, about 500 bytes each. `resvg --query-all` parses, applies CSS and normalizes
the tree without rendering, which is comparable work to recording. Prints MB/s of both and the
ratio (above 1.0: recording is faster), then the efficiency of N threads recording concurrently
against N sequential calls.

The threads share no lock of ours. Document trees live in chunks that a process-wide pool keeps
between calls; the paint commands handed back still come from glibc, whose thread arenas return
freed pages to the kernel after every call and fault them back in on the next. `--trim-check`
repeats the thread measurement in a child whose arenas are never trimmed
(GLIBC_TUNABLES=glibc.malloc.trim_threshold), which shows that share; hosts that record on many
threads can set the same tunable.
"""

import argparse
import os
import subprocess
import sys
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


def thread_efficiency(text, count):
    # Best of three either way: the first calls also fault in the interpreter's own pages.
    sequential = best_of(3, lambda: [core.record_paint_commands_svg(text) for _ in range(count)])

    def concurrent_run():
        threads = [threading.Thread(target=core.record_paint_commands_svg, args=(text,)) for _ in range(count)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()

    concurrent = best_of(3, concurrent_run)
    print(f"          {count} threads: sequential {sequential:.3f} s, concurrent {concurrent:.3f} s, "
          f"speed-up {sequential / concurrent:.2f}, efficiency {sequential / concurrent / count:.0%}", flush=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--megabytes", type=float, nargs="+", default=[20.0, 2.0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--threads", type=int, default=8)
    parser.add_argument("--trim-check", action="store_true",
                        help="also measure the threads with glibc's arena trimming off")
    parser.add_argument("--threads-only", action="store_true", help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.trim_check:
        child = [sys.executable, __file__, "--threads-only", "--threads", str(args.threads),
                 "--megabytes", *map(str, args.megabytes)]
        print("with glibc.malloc.trim_threshold=10^9:", flush=True)
        subprocess.run(child, check=True, env={**os.environ, "GLIBC_TUNABLES": "glibc.malloc.trim_threshold=1000000000"})
        print("default allocator settings:", flush=True)
    path_data = icon_path_data()
    with tempfile.TemporaryDirectory() as folder:
        for megabytes in args.megabytes:
            text, count = document(path_data, megabytes=megabytes)
            name = os.path.join(folder, f"icons-{megabytes:g}MB.svg")
            with open(name, "w", encoding="utf-8") as handle:
                handle.write(text)
            mb = len(text) / 1e6
            if args.threads_only:
                print(f"{mb:7.2f} MB", end="")
                thread_efficiency(text, args.threads)
                continue
            result = core.record_paint_commands(name)
            ours = best_of(args.repeat, lambda: core.record_paint_commands(name))
            theirs = best_of(args.repeat, lambda: subprocess.run(["resvg", "--query-all", name], check=True,
                                                                 stdout=subprocess.DEVNULL))
            print(f"{mb:7.2f} MB, {count} paths, {result.status} {result.reason_code}, {len(result.commands)} commands: "
                  f"record {ours:.3f} s ({mb / ours:.1f} MB/s), resvg --query-all {theirs:.3f} s "
                  f"({mb / theirs:.1f} MB/s), ratio {theirs / ours:.2f}")

            thread_efficiency(text, args.threads)

if __name__ == "__main__":
    main()
