#!/usr/bin/env bash
# Runs a window test on a virtual X display (Xvfb) with the xcb platform, so that what needs a
# real windowing system (moving the pointer) is checked. Where xvfb-run is missing, no X server
# starts or a program named in GF_X_NEEDS (space-separated, such as xdotool) is missing, it says
# so and exits 77, which ctest reports as skipped.
# Usage: [GF_X_NEEDS="xdotool"] on_x_display.sh TEST_PROGRAM [TEST_FUNCTION...]
set -u
for tool in ${GF_X_NEEDS:-}; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "SKIP: $tool is missing (scripts/deps.sh --ci installs it)"
        exit 77
    fi
done
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIP: xvfb-run is missing (apt-get install xvfb xauth); no X display to check on"
    exit 77
fi
if ! xvfb-run -a -s "-screen 0 1024x768x24" true >/dev/null 2>&1; then
    echo "SKIP: no X server could be started"
    exit 77
fi
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
