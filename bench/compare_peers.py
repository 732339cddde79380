"""Times glyphforge-cli, ImageMagick's convert and Pillow's save(sizes=...) on the same 512 x 512
PNG made into a 7-size icon, whole process each, and prints glyphforge's ratio to each peer.
Called by compare_peers.sh.

With hyperfine (the default when it is installed) the three commands are timed together in
several rounds, so that a machine whose load changes slows all three alike; the figures are the
minimum and mean wall time over all rounds and the mean processor time (user + system). The
minimum is the closest to what an idle machine gives; on a shared machine the processor time is
the steadiest. Without hyperfine, a plain loop runs the three in turn and reports medians.
"""

import json
import math
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

SIZES = [16, 24, 32, 48, 64, 128, 256]
GOALS = {"ImageMagick": 0.20, "Pillow": 0.15}
ROUNDS = 3


def make_picture(path):
    # A soft-edged disc with a gradient and fine detail: the kind of artwork icons come from.
    img = Image.new("RGBA", (512, 512))
    px = img.load()
    for y in range(512):
        for x in range(512):
            d = math.hypot(x - 255.5, y - 255.5)
            a = max(0, min(255, int((230 - d) * 8)))
            px[x, y] = (x // 2, y // 2, 128 + int(60 * math.sin(x / 9.0) * math.cos(y / 7.0)), a)
    img.save(path)


def commands(cli, tmp, src):
    sizes = ",".join(map(str, SIZES))
    return {
        "glyphforge-cli": [cli, "convert", "--sizes", sizes, src, os.path.join(tmp, "gf.ico")],
        "ImageMagick": ["/usr/bin/convert", src, "-define", "icon:auto-resize=" + sizes,
                        os.path.join(tmp, "im.ico")],
        "Pillow": [sys.executable, "-c",
                   "import sys; from PIL import Image; "
                   "Image.open(sys.argv[1]).save(sys.argv[2], sizes=[(s, s) for s in %r])"
                   % SIZES, src, os.path.join(tmp, "pil.ico")],
    }


def quote(args):
    return " ".join("'" + a.replace("'", "'\\''") + "'" for a in args)


def with_hyperfine(cmds, runs, tmp):
    """{name: (min, mean, cpu)} in seconds over ROUNDS hyperfine runs of all three."""
    names = list(cmds)
    times = {n: [] for n in names}
    cpu = {n: [] for n in names}
    per_round = max(1, math.ceil(runs / ROUNDS))
    for r in range(ROUNDS):
        out = os.path.join(tmp, f"round{r}.json")
        args = ["hyperfine", "-N", "--style", "none", "--warmup", "2" if r == 0 else "1",
                "--runs", str(per_round), "--export-json", out]
        for n in names:
            args += ["-n", n, quote(cmds[n])]
        r = subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            sys.exit("hyperfine failed:\n" + r.stderr)
        with open(out) as f:
            for n, result in zip(names, json.load(f)["results"]):
                times[n] += result["times"]
                cpu[n].append(result["user"] + result["system"])
    return {n: (min(times[n]), statistics.mean(times[n]), statistics.mean(cpu[n]))
            for n in names}


def timed(args):
    start = time.perf_counter()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def with_loop(cmds, runs):
    """{name: (min, median, None)}: the three interleaved run by run."""
    times = {n: [] for n in cmds}
    for args in cmds.values():
        timed(args)  # warm the page cache and the interpreter's files
    for _ in range(runs):
        for n, args in cmds.items():
            times[n].append(timed(args))
    return {n: (min(t), statistics.median(t), None) for n, t in times.items()}


def main():
    cli, runs = sys.argv[1], int(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="gf_bench_") as tmp:
        src = os.path.join(tmp, "picture.png")
        make_picture(src)
        cmds = commands(cli, tmp, src)
        if shutil.which("hyperfine"):
            figures = with_hyperfine(cmds, runs, tmp)
            middle = "mean"
        else:
            figures = with_loop(cmds, runs)
            middle = "median"
        for name, (low, mid, cpu) in figures.items():
            size = os.path.getsize(cmds[name][-1])
            line = f"{name:15s} min {low * 1000:7.1f} ms  {middle} {mid * 1000:7.1f} ms"
            if cpu is not None:
                line += f"  cpu {cpu * 1000:7.1f} ms"
            print(line + f"  ({size} bytes)")
        gf = figures["glyphforge-cli"]
        for peer, goal in GOALS.items():
            p = figures[peer]
            line = (f"ratio to {peer + ':':13s} min {gf[0] / p[0]:.3f}  {middle} "
                    f"{gf[1] / p[1]:.3f}")
            if gf[2] is not None:
                line += f"  cpu {gf[2] / p[2]:.3f}"
            print(line + f"  (goal <= {goal:.2f})")


if __name__ == "__main__":
    main()
