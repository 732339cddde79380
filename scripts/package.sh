#!/usr/bin/env bash
# Builds the Debian package glyphforge_<version>_<arch>.deb from the install rules with CPack
# (dependencies computed by dpkg-shlibdeps) and checks it with scripts/check-package.sh.
# Usage: scripts/package.sh [BUILD_DIR]   (the package goes to BUILD_DIR/package/)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
scripts/build.sh "$dir"
rm -f "$dir"/package/glyphforge_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
deb=$(ls "$dir"/package/glyphforge_*.deb)
scripts/check-package.sh "$deb"
echo "package: $deb"
