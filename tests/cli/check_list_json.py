#!/usr/bin/env python3
"""Checks `glyphforge-cli list --json` against the text listing of the same files.

Usage: check_list_json.py CLI FILE...

The JSON document must parse with the json module (strict UTF-8, no lone surrogates), name
every file in order with its exact bytes (path, or path_bytes where the path is not UTF-8),
and carry per image the values the text listing shows: index, size, bit count, storage, bytes,
offset, damage, and for executables the resource and its language, for cursors the hot spot.
Exit 0 when all agree, 1 otherwise.
"""

import json
import os
import re
import subprocess
import sys

# "PATH: KIND, N icon images[, N cursor images]"; executables may name their format.
HEADER = re.compile(rb"^(.*): (icon file|animated cursor|executable[^,]*), \d+ (?:icon|cursor) image")
# What follows the offset: the resource of an executable's image, its language, a hot spot, and
# for animated cursors the frame.
TAIL = rb"(?:  (icon|cursor) (\d+|\".*\"))?(?:  language (\d+))?(?:  hot spot (\d+),(\d+))?(?:  frame \d+)?$"
IMAGE = re.compile(
    rb"^  #(\d+)  (\d+)x(\d+)  (\d+) bits  (BMP|PNG)  (\d+) bytes  offset (\d+)" + TAIL)
DAMAGED = re.compile(rb"^  #(\d+)  damaged: (.*?)  (\d+) bytes  offset (\d+)" + TAIL)
KINDS = {b"icon file": "icon_file", b"executable": "executable",
         b"animated cursor": "animated_cursor"}


def kind_of(text):
    return "executable" if text.startswith(b"executable") else KINDS[text]


def tail(groups):
    """(resource type, resource, language, hot spot) from the text after the offset."""
    kind, name, language, x, y = groups
    if name is not None and not name.startswith(b'"'):
        name = int(name)
    elif name is not None:
        name = name[1:-1].decode("utf-8", "replace")
    return (kind.decode() if kind else None, name, int(language) if language else None,
            [int(x), int(y)] if x is not None else None)


def json_tail(image):
    return (image.get("resource_type"), image.get("resource"), image.get("language"),
            image.get("hot_spot"))


def text_listing(out):
    """[(path bytes, kind, [image tuples])] from the text listing, in its order."""
    files = []
    for line in out.split(b"\n"):
        header = HEADER.match(line)
        if header:
            files.append((header.group(1), kind_of(header.group(2)), []))
            continue
        image = IMAGE.match(line)
        damaged = DAMAGED.match(line)
        if image and files:
            g = image.groups()
            files[-1][2].append((int(g[0]), int(g[1]), int(g[2]), int(g[3]), g[4].decode(),
                                 int(g[5]), int(g[6])) + tail(g[7:]))
        elif damaged and files:
            g = damaged.groups()
            files[-1][2].append((int(g[0]), "damaged", g[1].decode("utf-8", "replace"),
                                 int(g[2]), int(g[3])) + tail(g[4:]))
    return files


def no_lone_surrogates(value):
    if isinstance(value, str):
        return not any(0xD800 <= ord(c) <= 0xDFFF for c in value)
    if isinstance(value, list):
        return all(no_lone_surrogates(v) for v in value)
    if isinstance(value, dict):
        return all(no_lone_surrogates(k) and no_lone_surrogates(v) for k, v in value.items())
    return True


def main():
    cli, files = sys.argv[1], sys.argv[2:]
    text = subprocess.run([cli, "list", *files], capture_output=True, check=False)
    js = subprocess.run([cli, "list", "--json", *files], capture_output=True, check=False)
    problems = []
    if text.returncode != js.returncode:
        problems.append(f"exit {js.returncode} with --json, {text.returncode} without")
    doc = json.loads(js.stdout)  # bytes: decoded as strict UTF-8
    if not no_lone_surrogates(doc):
        problems.append("a string holds a lone surrogate")
    listed = doc["files"]
    if len(listed) != len(files):
        problems.append(f"{len(listed)} files in the document, {len(files)} given")
    expected = text_listing(text.stdout)
    for given, entry in zip(files, listed):
        raw = os.fsencode(given)
        path = entry["path"].encode("utf-8")
        if "path_bytes" in entry:
            if bytes(entry["path_bytes"]) != raw:
                problems.append(f"{raw!r}: path_bytes do not give the path back")
            if raw.decode("utf-8", errors="replace").encode("utf-8") != path:
                problems.append(f"{raw!r}: path is not the path with U+FFFD for bad bytes")
        elif path != raw:
            problems.append(f"{raw!r}: path reads {path!r}")
        if "kind" not in entry:
            if "error" not in entry:
                problems.append(f"{raw!r}: neither a listing nor an error")
            continue
        if not expected:
            problems.append(f"{raw!r}: listed in JSON, not in the text listing")
            continue
        text_path, kind, images = expected.pop(0)
        if b"\n" not in raw and text_path != raw:
            problems.append(f"{raw!r}: the text listing names {text_path!r} here")
        if not entry["images"] and "error" not in entry:
            problems.append(f"{raw!r}: no images and no error")
        if entry["kind"] != kind:
            problems.append(f"{raw!r}: kind {entry['kind']!r}, text says {kind!r}")
        got = [((i["index"], "damaged", i["damaged"], i["bytes"], i["offset"]) if "damaged" in i
                else (i["index"], i["width"], i["height"], i["bit_count"], i["storage"],
                      i["bytes"], i["offset"])) + json_tail(i) for i in entry["images"]]
        if b"\n" not in raw and got != images:
            problems.append(f"{raw!r}: images {got} differ from the text listing {images}")
    if expected:
        problems.append(f"{len(expected)} files in the text listing are not in the JSON")
    for p in problems:
        print(p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
