#!/usr/bin/env bash
# Takes the picture of the converter window shown in README.md: the program started on a virtual
# X display (Xvfb) with an icon file as its argument, so the window shows it as the working
# icon, photographed with ImageMagick's import and written to docs/converter-window.png.
# Usage: scripts/screenshot.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
for tool in xvfb-run import xwininfo; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is missing: apt-get install xvfb xauth imagemagick x11-utils" >&2
        exit 1
    fi
done
if [[ ! -f "$dir/build.ninja" ]]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$dir" --target glyphforge glyphforge-cli

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$dir/src/glyphforge-cli" convert samples/sample.png "$work/sample.ico" >/dev/null
mkdir -p docs

# Runs on the virtual display: start the program, wait for its window, let it paint, take it.
cat >"$work/take.sh" <<'TAKE'
#!/usr/bin/env bash
set -u
program=$1 icon=$2 out=$3
TMPDIR=$(dirname "$icon") QT_QPA_PLATFORM=xcb "$program" "$icon" &
pid=$!
for _ in $(seq 1 100); do
    xwininfo -name Glyphforge >/dev/null 2>&1 && break
    sleep 0.1
done
sleep 1.5
import -window Glyphforge "$out"
status=$?
kill "$pid"
wait "$pid" 2>/dev/null
exit $status
TAKE
chmod +x "$work/take.sh"
out="$PWD/docs/converter-window.png"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/take.sh" "$PWD/$dir/src/glyphforge" \
    "$work/sample.ico" "$out" 2>/dev/null
echo "wrote $out"
