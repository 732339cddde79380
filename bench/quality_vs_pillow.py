"""How close glyphforge-cli's 48 x 48 icon entry comes to an independent area-averaged resize
(Pillow's BOX filter, which also works in premultiplied alpha), over every picture of a folder
tree: the mean absolute difference of R, G, B and A per picture, then the median and the 90th
percentile, for pictures that shrink and for pictures that are enlarged, for the default road and
for --resample editor.

Usage: /usr/bin/python3 bench/quality_vs_pillow.py BUILD_DIR/src/glyphforge-cli CORPUS_DIR
"""

import os
import statistics
import subprocess
import sys
import tempfile

from PIL import Image

SIDE = 48
EXTENSIONS = (".png", ".bmp", ".gif", ".jpg", ".jpeg")


def reference(path):
    with Image.open(path) as im:
        im.seek(0)
        return im.convert("RGBA").resize((SIDE, SIDE), Image.BOX)


def ours(cli, path, tmp, extra):
    ico = os.path.join(tmp, "o.ico")
    out = os.path.join(tmp, "x")
    for f in (ico,):
        if os.path.exists(f):
            os.remove(f)
    r = subprocess.run([cli, "convert", "--size", f"{SIDE}x{SIDE}"] + extra + [path, ico],
                       capture_output=True, timeout=60)
    if r.returncode != 0:
        return None
    subprocess.run([cli, "extract", "--png", "-o", out, ico], capture_output=True, check=True,
                   timeout=60)
    with Image.open(os.path.join(out, "o_0.png")) as im:
        return im.convert("RGBA")


def mean_abs(a, b):
    pa, pb = a.tobytes(), b.tobytes()
    return sum(abs(x - y) for x, y in zip(pa, pb)) / len(pa)


def percentile(values, p):
    s = sorted(values)
    return s[min(len(s) - 1, int(round(p * (len(s) - 1))))]


def main():
    cli, corpus = sys.argv[1], sys.argv[2]
    pictures = []
    for root, _, names in os.walk(corpus):
        pictures += [os.path.join(root, n) for n in sorted(names)
                     if n.lower().endswith(EXTENSIONS)]
    roads = {"premultiplied": [], "editor": ["--resample", "editor"]}
    results = {(road, group): [] for road in roads for group in ("shrink", "enlarge")}
    with tempfile.TemporaryDirectory(prefix="gf_quality_") as tmp:
        for path in pictures:
            try:
                ref = reference(path)
                with Image.open(path) as im:
                    w, h = im.size
            except Exception:
                continue
            group = "shrink" if w > SIDE and h > SIDE else "enlarge"
            for road, extra in roads.items():
                got = ours(cli, path, tmp, extra)
                if got is not None:
                    results[(road, group)].append(mean_abs(got, ref))
    for (road, group), values in results.items():
        if values:
            print(f"{road:14s} {group:8s} {len(values):3d} pictures  median "
                  f"{statistics.median(values):6.2f}  p90 {percentile(values, 0.9):6.2f}")
    shrink = results[("premultiplied", "shrink")] + results[("premultiplied", "enlarge")]
    print(f"default road, all {len(shrink)} pictures: median {statistics.median(shrink):.2f} "
          f"(goal <= 1.0), p90 {percentile(shrink, 0.9):.2f} (goal <= 3.0)")


if __name__ == "__main__":
    main()
