#!/usr/bin/env bash
# Retakes the pictures shown in README.md, on a virtual X display (Xvfb):
# - docs/converter-window.png: the program started with an icon file as its argument, so the
#   window shows it as the working icon, photographed with ImageMagick's import;
# - the editor's pages (docs/editor-*.png), the capture window after a real drag (xdotool), the
#   list window (docs/icon-list-window.png, when the real-world files lie in ../shared/corpus or
#   GF_CORPUS), the converter window at 200% scale and the transparency page with a dark
#   palette, taken by the window tests that walk them; the edit page with the alpha adjustment
#   open (docs/editor-alpha.png), taken by its own window test.
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
cmake --build "$dir" --target glyphforge glyphforge-cli tst_load_command tst_list_icons_grid \
    tst_window_layouts tst_select_area tst_alpha_panel

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

screen="-screen 0 1280x1024x24"
export QT_QPA_PLATFORM=xcb
GF_SCREENSHOT_DIR="$PWD/docs" xvfb-run -a -s "$screen" "$dir/tests/tst_load_command" \
    editorPagesScreenshots >/dev/null
GF_SCREENSHOT_DIR="$PWD/docs" xvfb-run -a -s "$screen" "$dir/tests/tst_window_layouts" \
    screenshots >/dev/null
GF_SCREENSHOT_DIR="$PWD/docs" xvfb-run -a -s "$screen" "$dir/tests/tst_alpha_panel" \
    screenshot >/dev/null
GF_SCREENSHOT_DIR="$PWD/docs" QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 2048x1600x24" \
    "$dir/tests/tst_window_layouts" screenshots >/dev/null
GF_SCREENSHOT="$PWD/docs/capture-window.png" tests/support/on_x_display.sh \
    "$dir/tests/tst_select_area" crossOnARealDisplay >/dev/null
echo "wrote docs/editor-*.png (docs/editor-alpha.png too), docs/capture-window.png, docs/converter-window-200.png and"
echo "docs/editor-transparency-dark.png"
corpus=${GF_CORPUS:-../shared/corpus}
if [[ -d "$corpus" ]]; then
    GF_CORPUS="$corpus" GF_SCREENSHOT="$PWD/docs/icon-list-window.png" xvfb-run -a -s "$screen" \
        "$dir/tests/tst_list_icons_grid" realMultiIconFile >/dev/null
    echo "wrote docs/icon-list-window.png"
else
    echo "no real-world files in $corpus: docs/icon-list-window.png left as it is"
fi
