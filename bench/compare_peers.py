"""Times glyphforge-cli, ImageMagick's convert and Pillow's save(sizes=...) on the same 512 x 512
PNG, interleaved run by run so that a busy machine slows all three alike, and prints the median
wall time of each and glyphforge's ratio to each peer. Called by compare_peers.sh."""

import math
import os
import statistics
import subprocess
import sys
import tempfile
import time

from PIL import Image

SIZES = [16, 24, 32, 48, 64, 128, 256]


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


def timed(args):
    start = time.perf_counter()
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    cli, runs = sys.argv[1], int(sys.argv[2])
    with tempfile.TemporaryDirectory(prefix="gf_bench_") as tmp:
        src = os.path.join(tmp, "picture.png")
        make_picture(src)
        sizes = ",".join(map(str, SIZES))
        commands = {
            "glyphforge-cli": [cli, "convert", "--sizes", sizes, src, os.path.join(tmp, "gf.ico")],
            "ImageMagick": ["/usr/bin/convert", src, "-define", "icon:auto-resize=" + sizes,
                            os.path.join(tmp, "im.ico")],
            "Pillow": [sys.executable, "-c",
                       "import sys; from PIL import Image; "
                       "Image.open(sys.argv[1]).save(sys.argv[2], sizes=[(s, s) for s in %r])"
                       % SIZES, src, os.path.join(tmp, "pil.ico")],
        }
        times = {name: [] for name in commands}
        for name, args in commands.items():
            timed(args)  # warm the page cache and the interpreter's files
        for _ in range(runs):
            for name, args in commands.items():
                times[name].append(timed(args))
        medians = {name: statistics.median(t) for name, t in times.items()}
        for name, m in medians.items():
            size = os.path.getsize(commands[name][-1] if name != "ImageMagick"
                                   else commands[name][-1])
            print(f"{name:15s} {m * 1000:8.1f} ms  ({size} bytes)")
        gf = medians["glyphforge-cli"]
        print(f"ratio to ImageMagick: {gf / medians['ImageMagick']:.3f} (goal <= 0.20)")
        print(f"ratio to Pillow:      {gf / medians['Pillow']:.3f} (goal <= 0.15)")


if __name__ == "__main__":
    main()
