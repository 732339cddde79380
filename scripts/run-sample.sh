#!/usr/bin/env bash
# Installs what is missing, builds, and runs the program on the sample picture: the window where
# a display exists, otherwise the command-line tool converting it into an icon file.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
sample=samples/sample.png
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" && -x build/src/glyphforge ]]; then
    exec build/src/glyphforge "$sample"
fi
mkdir -p out
build/src/glyphforge-cli convert "$sample" out/sample.ico
