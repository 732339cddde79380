#!/usr/bin/env python3
"""Icon and cursor files written by glyphforge-cli, read back by our own reader and by other
programs: Pillow, ImageMagick and icoutils' icotool. Every storage preset, 5-5-5 and 5-6-5
entries, palette depths, a cursor from convert and one from pack. Each file is checked for the
sizes, depths and storage of its entries; where Pillow reads an entry its pixels must be the ones
our reader decodes, and icotool must see the cursors' hot spots as written. A peer that is missing
is skipped (saying so); CI installs all three (scripts/deps.sh --ci).

Usage: peer_readers.py GLYPHFORGE_CLI PICTURE
"""

import json
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


# ImageMagick 6 and icoutils take every image of 16 bits or fewer for a palette image: they read
# the pixels as indices into a colour table of 2^16 entries, which a 16-bit image does not have
# (ImageMagick: "insufficient image data"; icotool: "palette too large"), and with a short table
# written in front the indices run past it. No 16-bit icon image, 5-5-5 or 5-6-5, is readable by
# them, so those two are not asked about 16-bit files.
NO_16_BIT = ("ImageMagick", "icotool")

# name, convert options, expected (side, bits, png) per entry in order (png None: either)
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
    ("rgb565", ["--sizes", "16,32", "--bits", "16"], [(16, 16, False), (32, 16, False)]),
    ("compatible16", ["--sizes", "16", "--bits", "16", "--store", "compatible"],
     [(16, 16, False)]),
    ("bits8", ["--sizes", "16,32", "--bits", "8"], [(16, 8, False), (32, 8, False)]),
    ("bits4", ["--sizes", "32", "--bits", "4"], [(32, 4, False)]),
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

    failures = []

    def check(ok, what):
        if not ok:
            failures.append(what)
            print("FAIL: " + what)
        return ok

    with tempfile.TemporaryDirectory(prefix="gf_peers_") as tmp:
        # name, path, expected entries, hot spots (None for icons)
        files = []
        for name, options, entries in CASES:
            out = os.path.join(tmp, name + ".ico")
            r = run([cli, "convert"] + options + [picture, out])
            check(r.returncode == 0, name + ": convert failed: " + r.stderr.strip())
            files.append((name, out, entries, None))
        cur = os.path.join(tmp, "pointer.cur")
        r = run([cli, "convert", "--sizes", "32,48", "--cursor", "--hotspot", "10,20", picture,
                 cur])
        check(r.returncode == 0, "cursor: convert failed: " + r.stderr.strip())
        files.append(("cursor", cur, [(32, 32, False), (48, 32, False)], None))
        packed = os.path.join(tmp, "packed.cur")
        r = run([cli, "pack", "--cursor", "-o", packed, cur, os.path.join(tmp, "bits8.ico")])
        check(r.returncode == 0, "pack --cursor failed: " + r.stderr.strip())
        files.append(("packed", packed, [(32, 32, False), (48, 32, False), (16, 8, False),
                                         (32, 8, False)], None))

        index_at = {}  # path: {image offset: our image index}
        for index, (name, path, entries, _) in enumerate(files):
            if not os.path.exists(path):
                continue
            # Our reader: what the directory and the images say, and every image decoded.
            r = run([cli, "list", "--json", path])
            if not check(r.returncode == 0, f"{name}: our list failed: {r.stderr.strip()}"):
                continue
            images = json.loads(r.stdout)["files"][0]["images"]
            seen = [(i["width"], i["bit_count"], i["storage"] == "PNG") for i in images]
            check(len(seen) == len(entries) and all(
                s[0] == e[0] and s[1] == e[1] and (e[2] is None or s[2] == e[2])
                for s, e in zip(seen, entries)), f"{name}: our reader saw {seen}")
            spots = [tuple(i["hot_spot"]) for i in images if "hot_spot" in i]
            files[index] = (name, path, entries, spots if path.endswith(".cur") else None)
            index_at[path] = {i["offset"]: i["index"] for i in images}
            out = os.path.join(tmp, "ours_" + name)
            r = run([cli, "extract", "--png", "-o", out, path])
            check(r.returncode == 0, f"{name}: our extract failed: {r.stderr.strip()}")
        if any(f[3] == [] for f in files):
            check(False, "a cursor file lists no hot spots")
        cursor_spots = dict((f[0], f[3]) for f in files)
        check(cursor_spots["cursor"] == [(3, 6), (5, 10)] or picture_size_differs(picture),
              f"cursor: hot spots {cursor_spots['cursor']}, expected 10,20 scaled")
        check(cursor_spots["packed"] == cursor_spots["cursor"] + [(0, 0), (0, 0)],
              f"packed: hot spots {cursor_spots['packed']}")

        for name, path, entries, spots in files:
            if not os.path.exists(path):
                continue
            sixteen = any(bits == 16 for _, bits, _ in entries)
            asked = [p for p in peers if not (sixteen and p in NO_16_BIT)]
            base = os.path.splitext(os.path.basename(path))[0]
            if "Pillow" in asked:
                from PIL import Image, IcoImagePlugin
                if spots is not None:
                    with Image.open(path) as im:
                        im.load()
                        check(im.format == "CUR" and im.size[0] in (32, 48),
                              f"{name}: Pillow read the cursor as {im.format} {im.size}")
                else:
                    with open(path, "rb") as f:
                        ico = IcoImagePlugin.IcoFile(f)
                        for i, entry in enumerate(ico.entry):
                            side = entry["width"]
                            frame = ico.frame(i).convert("RGBA")
                            check(frame.size == (side, side),
                                  f"{name}: Pillow read a {side} entry as {frame.size}")
                            # Pillow sorts the entries; the offset names the image.
                            ours_index = index_at.get(path, {}).get(entry["offset"], -1)
                            ours = os.path.join(tmp, "ours_" + name, f"{base}_{ours_index}.png")
                            check(os.path.exists(ours), f"{name}: no image of ours at offset "
                                  f"{entry['offset']}")
                            if os.path.exists(ours):
                                with Image.open(ours) as o:
                                    # Widening 5 bits to 8 may round either way.
                                    same = same_pixels(frame, o.convert("RGBA"),
                                                       1 if entry["bpp"] == 16 else 0)
                                check(same, f"{name}: Pillow's pixels of entry {i} are not ours")
                        sides = sorted(e["width"] for e in ico.entry)
                        check(sides == sorted(e[0] for e in entries),
                              f"{name}: Pillow saw sizes {sides}")
            if "ImageMagick" in asked:
                r = run(["identify", "-format", "%w %h\n", path])
                seen = [tuple(map(int, line.split())) for line in r.stdout.split("\n") if line]
                check(r.returncode == 0 and sorted(seen) == sorted((s, s) for s, _, _ in entries),
                      f"{name}: ImageMagick saw {seen} ({r.stderr.strip()})")
                for i in range(len(entries)):
                    r = run(["convert", f"{path}[{i}]", os.path.join(tmp, f"{name}_{i}.png")])
                    check(r.returncode == 0, f"{name}: ImageMagick could not decode entry {i}: "
                          + r.stderr.strip())
            if "icotool" in asked:
                r = run(["icotool", "-l", path])
                rows = []
                for line in r.stdout.split("\n"):
                    fields = dict(f[2:].split("=", 1) for f in line.split() if "=" in f)
                    if "width" in fields:
                        rows.append(fields)
                check(r.returncode == 0 and len(rows) == len(entries),
                      f"{name}: icotool listed {len(rows)} entries ({r.stderr.strip()})")
                for i, (fields, (side, bits, _)) in enumerate(zip(rows, entries)):
                    check(int(fields["width"]) == side and int(fields["bit-depth"]) == bits,
                          f"{name}: icotool saw {fields}, expected {side} at {bits} bits")
                    if spots is not None and i < len(spots):
                        got = (int(fields.get("hotspot-x", -1)), int(fields.get("hotspot-y", -1)))
                        check(got == spots[i], f"{name}: icotool saw hot spot {got}, "
                              f"written {spots[i]}")
                os.makedirs(os.path.join(tmp, "x_" + name), exist_ok=True)
                r = run(["icotool", "-x", "-o", os.path.join(tmp, "x_" + name), path])
                check(r.returncode == 0 and not r.stderr.strip(),
                      f"{name}: icotool could not extract: {r.stderr.strip()}")
    readers = ["glyphforge-cli"] + peers
    print(f"{len(readers)} readers ({', '.join(readers)}) on {len(files)} files: "
          + (f"{len(failures)} checks failed" if failures else "all read as written"))
    return 1 if failures else 0


def same_pixels(a, b, tolerance):
    """Equal pictures (each channel within `tolerance`), where transparent pixels count as equal
    whatever their colour."""
    if a.size != b.size:
        return False
    for p, q in zip(a.getdata(), b.getdata()):
        if p[3] == 0 and q[3] == 0:
            continue
        if any(abs(x - y) > tolerance for x, y in zip(p, q)):
            return False
    return True


def picture_size_differs(picture):
    """The expected hot spots are worked out for a 96 x 96 picture (the repository's sample)."""
    try:
        from PIL import Image
        with Image.open(picture) as im:
            return im.size != (96, 96)
    except Exception:
        return True


if __name__ == "__main__":
    sys.exit(main())
