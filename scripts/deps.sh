#!/usr/bin/env bash
# Makes sure the Debian packages the build needs are installed. As root it installs what is
# missing; otherwise it prints the exact apt-get line and fails.
# Usage: scripts/deps.sh [--ci]   (--ci adds clang's sanitizer and fuzzer runtime, the virtual
# display and xdotool to drive it, the checkers of the Debian package, and the peer icon
# readers of the interop test)
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config
    libpng-dev libjpeg-dev libgif-dev zlib1g-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-base-dev-tools libgl-dev)
if [[ "${1:-}" == "--ci" ]]; then
    packages+=(clang libclang-rt-14-dev xvfb xauth x11-utils imagemagick xdotool python3
        appstream desktop-file-utils man-db debootstrap icoutils python3-pil)
fi

missing=()
for p in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

line="apt-get update && apt-get install -y ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages. Run as root:" >&2
    echo "  $line" >&2
    exit 1
fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
