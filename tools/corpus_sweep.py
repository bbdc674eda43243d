"""Records (and with --analyze, analyzes) every SVG file under a folder and reports what happened.

Run inside the yardstick root, which holds the Adwaita icon theme:
  PAVRIX_ROOT_YARDSTICKS=1 tools/sid-root run env PYTHONPATH=build/<dir>/modules \
      python3 tools/corpus_sweep.py [/usr/share/icons/Adwaita] [--analyze] [--timeout 20]

Files run in a child process one after another; a child that dies (a crash) or stops answering
(a hang) is reported against the file it was working on and replaced by a fresh child, so one bad
file cannot hide the others. Prints counts by status and reason, the slowest files, and every
crash and hang. Exits non-zero when there was a crash or a hang.
"""

import argparse
import collections
import multiprocessing
import os
import sys
import time


def worker(connection, analyze, width_mm, tolerance_mm):
    import _pavrix_svg_core as core
    while True:
        name = connection.recv()
        if name is None:
            return
        start = time.perf_counter()
        if analyze:
            result = core.analyze_svg(name, width_mm, tolerance_mm)
        else:
            result = core.record_paint_commands(name)
        connection.send((result.status, result.reason_code, time.perf_counter() - start))


class Child:
    def __init__(self, args):
        self.connection, child_end = multiprocessing.Pipe()
        self.process = multiprocessing.Process(
            target=worker, args=(child_end, args.analyze, args.width, args.tolerance), daemon=True)
        self.process.start()

    def run(self, name, timeout):
        self.connection.send(name)
        if not self.connection.poll(timeout):
            return "hang"
        try:
            return self.connection.recv()
        except EOFError:
            return "crash"

    def stop(self):
        if self.process.is_alive():
            self.process.kill()
        self.process.join()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("folder", nargs="?", default="/usr/share/icons/Adwaita")
    parser.add_argument("--analyze", action="store_true", help="analyze instead of only recording")
    parser.add_argument("--width", type=float, default=100.0, help="target width in mm (--analyze)")
    parser.add_argument("--tolerance", type=float, default=0.05, help="tolerance in mm (--analyze)")
    parser.add_argument("--timeout", type=float, default=20.0, help="seconds before a file counts as a hang")
    parser.add_argument("--slowest", type=int, default=10)
    args = parser.parse_args()

    names = sorted(os.path.join(folder, name) for folder, _, files in os.walk(args.folder)
                   for name in files if name.endswith(".svg"))
    if not names:
        raise SystemExit(f"no SVG files under {args.folder}")
    counts = collections.Counter()
    timings, failures = [], []
    child = Child(args)
    start = time.perf_counter()
    for name in names:
        outcome = child.run(name, args.timeout)
        if isinstance(outcome, str):
            if outcome == "crash" or child.process.exitcode is not None:
                outcome = f"crash (exit code {child.process.exitcode})" if outcome == "crash" else outcome
            failures.append((outcome, name))
            child.stop()
            child = Child(args)
            continue
        status, reason, seconds = outcome
        counts[(status, reason)] += 1
        timings.append((seconds, name))
    child.connection.send(None)
    child.stop()

    road = "analyze" if args.analyze else "record"
    print(f"{road}: {len(names)} files in {time.perf_counter() - start:.1f} s")
    for (status, reason), count in counts.most_common():
        print(f"  {count:6d}  {status:12s} {reason}")
    print(f"slowest {args.slowest}:")
    for seconds, name in sorted(timings, reverse=True)[:args.slowest]:
        print(f"  {seconds * 1e3:9.1f} ms  {name}")
    print(f"crashes and hangs: {len(failures)}")
    for outcome, name in failures:
        print(f"  {outcome}: {name}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
