#!/usr/bin/env bash
# Takes the picture of the converter window shown in README.md: the window with a working icon,
# drawn on a virtual X display (Xvfb) and written to docs/converter-window.png.
# Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
if ! command -v xvfb-run >/dev/null; then
    echo "xvfb-run is missing: run scripts/deps.sh --ci as root, or apt-get install xvfb xauth" >&2
    exit 1
fi
if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" --target glyphforge tst_converter_look
mkdir -p docs
out="$PWD/docs/converter-window.png"
GF_SCREENSHOT="$out" QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1024x768x24" "$dir/tests/tst_converter_look" >/dev/null
echo "wrote $out"
