#!/usr/bin/env python3
"""Icon and cursor files written by glyphforge-cli, read back by other programs: Pillow,
ImageMagick and icoutils' icotool. Every storage preset, 5-5-5 and 5-6-5 entries, a palette
depth and a cursor. Each peer that is missing is skipped (saying so); when none is there the whole
test is skipped (exit 77). CI installs all three (scripts/deps.sh --ci).

Usage: peer_readers.py GLYPHFORGE_CLI PICTURE
"""

import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
TIMEOUT = 60  # seconds for any one program


def find_pillow():
    try:
        import PIL  # noqa: F401
        return True
    except ImportError:
        pass
    # Debian's Pillow belongs to the system's Python, which may not be the first on PATH.
    system = "/usr/bin/python3"
    if os.path.exists(system) and os.path.realpath(sys.executable) != os.path.realpath(system):
        probe = subprocess.run([system, "-c", "import PIL"], capture_output=True, timeout=TIMEOUT)
        if probe.returncode == 0:
            os.execv(system, [system] + sys.argv)
    return False


def run(args):
    return subprocess.run(args, capture_output=True, text=True, timeout=TIMEOUT)


# ImageMagick 6 and icoutils take every image of 16 bits or fewer for a palette image (they
# read 65536 colour-table entries), so no 16-bit icon image, 5-5-5 or 5-6-5, is readable by them;
# those two are not asked about 16-bit files.
NO_16_BIT = ("ImageMagick", "icotool")

# name, convert options, expected (side, bits, png) per entry in order
CASES = [
    ("modern", ["--sizes", "16,32,48,256"],
     [(16, 32, False), (32, 32, False), (48, 32, False), (256, 32, True)]),
    ("compatible", ["--sizes", "16,32,256", "--store", "compatible"],
     [(16, 32, False), (32, 32, False), (256, 32, False)]),
    ("smallest", ["--sizes", "16,48,256", "--store", "smallest"],
     [(16, 32, False), (48, 32, None), (256, 32, None)]),
    ("pngfrom", ["--sizes", "16,64", "--store-png-from", "64"],
     [(16, 32, False), (64, 32, True)]),
    ("rgb555", ["--sizes", "16,32", "--bits", "16", "--rgb555"],
     [(16, 16, False), (32, 16, False)]),
    ("bits8", ["--sizes", "16,32", "--bits", "8"], [(16, 8, False), (32, 8, False)]),
    ("bits24", ["--sizes", "32", "--bits", "24"], [(32, 24, False)]),
]


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    cli, picture = sys.argv[1], sys.argv[2]
    have_pillow = find_pillow()
    magick = shutil.which("identify") and shutil.which("convert")
    # The real ImageMagick, not a stand-in that only answers a few calls.
    if magick and "ImageMagick" not in run(["identify", "-version"]).stdout:
        magick = None
    icotool = shutil.which("icotool")
    peers = [n for n, ok in (("Pillow", have_pillow), ("ImageMagick", magick),
                             ("icotool", icotool)) if ok]
    missing = [n for n in ("Pillow", "ImageMagick", "icotool") if n not in peers]
    if missing:
        print("skipping the peers that are not installed: " + ", ".join(missing))
    if not peers:
        return SKIP

    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)
            print("FAIL: " + what)

    with tempfile.TemporaryDirectory(prefix="gf_peers_") as tmp:
        files = []
        for name, options, entries in CASES:
            out = os.path.join(tmp, name + ".ico")
            r = run([cli, "convert"] + options + [picture, out])
            check(r.returncode == 0, name + ": convert failed: " + r.stderr.strip())
            files.append((name, out, entries, False))
        peers_of = {name: [p for p in peers if not (entries[0][1] == 16 and p in NO_16_BIT)]
                    for name, _, entries in CASES}
        cur = os.path.join(tmp, "pointer.cur")
        r = run([cli, "convert", "--sizes", "32,48", "--cursor", "--hotspot", "10,20", picture,
                 cur])
        check(r.returncode == 0, "cursor: convert failed: " + r.stderr.strip())
        files.append(("cursor", cur, [(32, 32, False), (48, 32, False)], True))
        peers_of["cursor"] = peers

        for name, path, entries, cursor in files:
            if not os.path.exists(path):
                continue
            if "Pillow" in peers_of[name]:
                from PIL import Image, IcoImagePlugin
                if cursor:
                    with Image.open(path) as im:
                        im.load()
                        check(im.format == "CUR" and im.size[0] in (32, 48),
                              f"{name}: Pillow read the cursor as {im.format} {im.size}")
                else:
                    with open(path, "rb") as f:
                        ico = IcoImagePlugin.IcoFile(f)
                        for index, entry in enumerate(ico.entry):
                            frame = ico.frame(index)
                            side = entry["width"]
                            check(frame.size == (side, side),
                                  f"{name}: Pillow read a {side} entry as {frame.size}")
                        sides = sorted(e["width"] for e in ico.entry)
                        check(sides == sorted(e[0] for e in entries),
                              f"{name}: Pillow saw sizes {sides}")
            if "ImageMagick" in peers_of[name]:
                r = run(["identify", "-format", "%w %h\n", path])
                seen = [tuple(map(int, line.split())) for line in r.stdout.split("\n") if line]
                check(r.returncode == 0 and sorted(seen) == sorted((s, s) for s, _, _ in entries),
                      f"{name}: ImageMagick saw {seen} ({r.stderr.strip()})")
                for i in range(len(entries)):
                    r = run(["convert", f"{path}[{i}]", os.path.join(tmp, f"{name}_{i}.png")])
                    check(r.returncode == 0, f"{name}: ImageMagick could not decode entry {i}: "
                          + r.stderr.strip())
            if "icotool" in peers_of[name]:
                r = run(["icotool", "-l", path])
                rows = []
                for line in r.stdout.split("\n"):
                    fields = dict(f[2:].split("=", 1) for f in line.split() if "=" in f)
                    if "width" in fields:
                        rows.append(fields)
                check(r.returncode == 0 and len(rows) == len(entries),
                      f"{name}: icotool listed {len(rows)} entries ({r.stderr.strip()})")
                for fields, (side, bits, _) in zip(rows, entries):
                    check(int(fields["width"]) == side and int(fields["bit-depth"]) == bits,
                          f"{name}: icotool saw {fields}, expected {side} at {bits} bits")
                    if cursor:
                        check("hotspot-x" in fields, f"{name}: icotool saw no hot spot")
                os.makedirs(os.path.join(tmp, "x_" + name), exist_ok=True)
                r = run(["icotool", "-x", "-o", os.path.join(tmp, "x_" + name), path])
                check(r.returncode == 0 and not r.stderr.strip(),
                      f"{name}: icotool could not extract: {r.stderr.strip()}")
    print(f"peer readers ({', '.join(peers)}) on {len(files)} files: "
          + (f"{len(failures)} checks failed" if failures else "all read as written"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
