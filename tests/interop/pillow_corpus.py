#!/usr/bin/env python3
"""Every icon and cursor image of the real-world files in $GF_CORPUS (icon, cursor and
executable files), written as PNG by `glyphforge-cli extract --png`, matches Pillow's own decode
of the same image pixel for pixel; pixels whose alpha is 0 in both count as equal, whatever
their colour.

Pillow reads each image from the one-image file `glyphforge-cli extract` cuts out (the image's
bytes unchanged). Its directory entry is rewritten to say the image's own depth, which is what
Pillow goes by: a cursor's entry holds its hot spot there. One rule differs on purpose: a 32-bit
image whose alpha bytes are all 0 comes from a program that left the fourth byte unset, and is
shown through its mask, as everywhere else in the program; Pillow is then asked for the
mask's reading of it (the entry says 24 bits, so Pillow takes the AND mask). Skipped (exit 77)
without the corpus or Pillow.

Usage: pillow_corpus.py GLYPHFORGE_CLI
"""

import os
import struct
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from peer_readers import SKIP, find_pillow  # noqa: E402

FOLDERS = ("ico", "cur", "pe32", "pe64")
PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"


def corpus_files(corpus):
    for folder in FOLDERS:
        path = os.path.join(corpus, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            full = os.path.join(path, name)
            if os.path.isfile(full):
                yield full


def as_icon_file(data):
    """The one-image icon or cursor file as an icon file whose entry gives the image's depth,
    and whether the image is a 32-bit DIB with every alpha byte 0."""
    offset = struct.unpack_from("<I", data, 18)[0]
    block = data[offset:]
    all_zero = False
    if block[:8] == PNG_SIGNATURE:
        bits = 32
    else:
        header_size, width, height2, _planes, bits = struct.unpack_from("<IiiHH", block, 0)
        if bits == 32:
            colours = block[header_size:header_size + 4 * width * (abs(height2) // 2)]
            all_zero = not any(colours[3::4])
    entry_bits = 24 if all_zero else bits
    fixed = bytearray(data)
    struct.pack_into("<HHH", fixed, 0, 0, 1, 1)
    struct.pack_into("<HH", fixed, 6 + 4, 1, entry_bits)
    return bytes(fixed), all_zero


def pillow_decode(Image, icon_bytes):
    import io
    theirs = Image.open(io.BytesIO(icon_bytes))
    theirs.load()
    return theirs.convert("RGBA")


def compare(Image, icon_bytes, png_path):
    theirs = pillow_decode(Image, icon_bytes)
    ours = Image.open(png_path)
    ours.load()
    ours = ours.convert("RGBA")
    if theirs.size != ours.size:
        return "size %s, Pillow %s" % (ours.size, theirs.size)
    differ = 0
    first = None
    for i, (a, b) in enumerate(zip(ours.getdata(), theirs.getdata())):
        if a == b or (a[3] == 0 and b[3] == 0):
            continue
        differ += 1
        if first is None:
            first = (i % ours.size[0], i // ours.size[0], a, b)
    if differ:
        x, y, a, b = first
        return "%d pixels differ, first at (%d, %d): ours %s, Pillow %s" % (differ, x, y, a, b)
    return None


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    cli = sys.argv[1]
    corpus = os.environ.get("GF_CORPUS")
    if not corpus or not os.path.isdir(corpus):
        print("skipped: GF_CORPUS does not name the folder of real-world files")
        return SKIP
    if not find_pillow():
        print("skipped: Pillow is not installed")
        return SKIP
    from PIL import Image

    failures = []
    compared = unreadable = 0
    with tempfile.TemporaryDirectory() as work:
        for n, path in enumerate(corpus_files(corpus)):
            icons = os.path.join(work, "%d-ico" % n)
            pngs = os.path.join(work, "%d-png" % n)
            cut = subprocess.run([cli, "extract", path, "-o", icons], capture_output=True,
                                 text=True, timeout=120)
            drawn = subprocess.run([cli, "extract", "--png", path, "-o", pngs],
                                   capture_output=True, text=True, timeout=120)
            names = sorted(os.listdir(icons)) if os.path.isdir(icons) else []
            for name in names:
                stem = os.path.splitext(name)[0]
                png = os.path.join(pngs, stem + ".png")
                label = "%s image %s" % (os.path.relpath(path, corpus), stem.rsplit("_", 1)[-1])
                with open(os.path.join(icons, name), "rb") as f:
                    icon_bytes, _ = as_icon_file(f.read())
                try:
                    if os.path.exists(png):
                        problem = compare(Image, icon_bytes, png)
                    else:
                        pillow_decode(Image, icon_bytes)
                        # Pillow reads what we refused as damaged.
                        problem = "no PNG written, Pillow reads it (%s)" % drawn.stderr.strip()
                except Exception as e:  # Pillow refuses some images other readers take
                    unreadable += 1
                    print("%s: Pillow cannot read it (%s)%s" % (
                        label, e, "" if os.path.exists(png) else ", nor do we"))
                    continue
                compared += 1
                if problem:
                    failures.append("%s: %s" % (label, problem))
            if cut.returncode not in (0, 1):
                failures.append("%s: extract failed: %s" % (path, cut.stderr.strip()))
    print("%d images compared with Pillow, %d Pillow could not read" % (compared, unreadable))
    for f in failures:
        print("MISMATCH " + f)
    if compared == 0:
        print("no image was compared")
        return 1
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
