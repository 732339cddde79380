#!/usr/bin/env bash
# Runs a window test on a virtual X display (Xvfb) with the xcb platform, so that what needs a
# real windowing system (moving the pointer) is checked. Where xvfb-run is missing or no X server
# starts, it says so and exits 77, which ctest reports as skipped.
# Usage: on_x_display.sh TEST_PROGRAM [TEST_FUNCTION...]
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "SKIP: xvfb-run is missing (apt-get install xvfb xauth); no X display to check on"
    exit 77
fi
if ! xvfb-run -a -s "-screen 0 1024x768x24" true >/dev/null 2>&1; then
    echo "SKIP: no X server could be started"
    exit 77
fi
QT_QPA_PLATFORM=xcb exec xvfb-run -a -s "-screen 0 1024x768x24" "$@"
