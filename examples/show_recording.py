"""Records an SVG file and prints what the recorder saw.

Usage: python3 examples/show_recording.py FILE.svg
"""

import sys

import _pavrix_svg_core as core


def main(path: str) -> int:
    print(f"{core.__name__}: {core.__doc__} (schema {core.RECORDER_SCHEMA_VERSION})")
    record = getattr(core, "record_paint_commands", None)
    if record is None:
        print("recording is not available in this build")
        return 0
    result = record(path)
    print(f"status: {result.status}  reason: {result.reason_code or '-'}")
    print(f"viewport: {result.viewport}  commands: {len(result.commands)}")
    for command in result.commands:
        rgba = "#" + "".join(f"{channel:02x}" for channel in command.rgba)
        print(f"  {command.kind:<12} verbs={len(command.path_verbs):<3} "
              f"points={len(command.path_points):<3} rgba={rgba} matrix={command.matrix}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "examples/badge.svg"))
