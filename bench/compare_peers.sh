#!/usr/bin/env bash
# Whole-process speed of glyphforge-cli convert against ImageMagick and Pillow: a 512 x 512 PNG
# made into a 7-size icon (16, 24, 32, 48, 64, 128, 256) by each, side by side, and the ratios.
# Installs the peers (and hyperfine, which times them) from Debian when run as root and they are
# missing. RUNS is the number of timed runs of each command (default 30).
# Usage: bench/compare_peers.sh [BUILD_DIR] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-30}
cli="$build/src/glyphforge-cli"
[[ -x "$cli" ]] || { echo "no $cli: build first (scripts/build.sh $build)" >&2; exit 1; }

need=()
[[ -x /usr/bin/convert ]] || need+=(imagemagick)
/usr/bin/python3 -c "import PIL" 2>/dev/null || need+=(python3-pil)
command -v hyperfine >/dev/null || need+=(hyperfine)
if [[ ${#need[@]} -gt 0 ]]; then
    if [[ $(id -u) -eq 0 ]]; then
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}"
    else
        echo "Missing peers. Run as root: apt-get install -y ${need[*]}" >&2
        exit 1
    fi
fi
exec /usr/bin/python3 bench/compare_peers.py "$cli" "$runs"
