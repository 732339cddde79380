#!/usr/bin/env python3
"""Time and peak memory of glyphforge-cli over every hostile input the project keeps.

Usage: bench/hostile_inputs.py [CLI] [FILE_OR_FOLDER...]
  CLI defaults to build/src/glyphforge-cli; the inputs to tests/data/regressions (each fuzz
  target's folder picks the command: convert for pictures, thumbnail for icon images, list for
  icon files and executables, extract --groups for groups, check --fix for the checker). Each file is run on its own; the processor time (user + system),
  the wall time and the peak resident memory are printed, then the slowest input and the
  largest peak, against the goals of 2 s and 512 MB per input.
"""

import os
import resource
import subprocess
import sys
import tempfile
import time

GOAL_SECONDS = 2.0
GOAL_MB = 512


def command_for(cli, path, out):
    folder = os.path.basename(os.path.dirname(path))
    if folder in ("ico_image", "thumbnail"):
        return [cli, "thumbnail", path, os.path.join(out, "thumbnail.png"), "256"]
    if folder in ("ico_dir", "pe", "ne"):
        return [cli, "list", path]
    if folder == "icon_groups":
        return [cli, "extract", "--groups", path, "-o", os.path.join(out, "groups")]
    if folder == "ico_check":
        return [cli, "check", path, "--fix", os.path.join(out, "fixed.ico")]
    return [cli, "convert", path, os.path.join(out, "out.ico")]


def inputs(args, root):
    for arg in args or [os.path.join(root, "tests", "data", "regressions")]:
        if os.path.isdir(arg):
            for folder, _, files in sorted(os.walk(arg)):
                if os.path.basename(folder) == "json":
                    continue
                for name in sorted(files):
                    if name != "README.md":
                        yield os.path.join(folder, name)
        else:
            yield arg


def run(command):
    start = time.monotonic()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.monotonic() - start
    err = process.stderr.read().decode(errors="replace").strip().splitlines()
    process.stderr.close()
    code = os.waitstatus_to_exitcode(status)
    return usage.ru_utime + usage.ru_stime, wall, usage.ru_maxrss / 1024.0, code, err


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    args = sys.argv[1:]
    cli = os.path.join(root, "build", "src", "glyphforge-cli")
    if args and os.access(args[0], os.X_OK) and not os.path.isdir(args[0]):
        cli = args.pop(0)
    rows = []
    with tempfile.TemporaryDirectory() as out:
        for path in inputs(args, root):
            cpu, wall, mb, code, err = run(command_for(cli, path, out))
            rows.append((cpu, wall, mb, code, os.path.relpath(path, root), err[-1] if err else ""))
    if not rows:
        print("no inputs")
        return 1
    print(f"{'cpu s':>7} {'wall s':>7} {'peak MB':>8} {'exit':>4}  file: message")
    for cpu, wall, mb, code, name, message in rows:
        print(f"{cpu:7.3f} {wall:7.3f} {mb:8.1f} {code:4d}  {name}: ...{message[-70:]}")
    slowest = max(rows, key=lambda r: r[0])
    largest = max(rows, key=lambda r: r[2])
    print(f"\n{len(rows)} inputs; slowest {slowest[0]:.3f} s cpu ({slowest[4]}); "
          f"largest peak {largest[2]:.1f} MB ({largest[4]})")
    met = slowest[0] <= GOAL_SECONDS and largest[2] <= GOAL_MB
    print(f"goal (each input within {GOAL_SECONDS:g} s and {GOAL_MB} MB): "
          f"{'met' if met else 'MISSED'}")
    return 0 if met else 1


if __name__ == "__main__":
    sys.exit(main())
