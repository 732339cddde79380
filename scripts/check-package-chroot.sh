#!/usr/bin/env bash
# Installs a built glyphforge .deb in a fresh minimal Debian system (debootstrap, the release
# this machine runs) and runs it there, as a user's machine would: dpkg -i, the dependencies it
# names fetched by apt, then both programs' --version, conversions of the sample picture and of
# a metafile, a listing and a thumbnail of the icon made. Needs root, debootstrap and the
# Debian archive.
#
# Downloaded packages are kept in ${XDG_CACHE_HOME:-~/.cache}/glyphforge-chroot, so a second
# run fetches nothing new. Exit status: 0 installed and ran; 1 the package failed; 77 the test
# system could not be made (no archive in reach, or it took too long): nothing was learnt
# about the package.
# Usage: scripts/check-package-chroot.sh PACKAGE.deb
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
if [[ $(id -u) -ne 0 ]] || ! command -v debootstrap >/dev/null; then
    echo "needs root and debootstrap (apt-get install debootstrap)" >&2
    exit 1
fi
. /etc/os-release
suite=${VERSION_CODENAME:?this machine names no Debian release}
cache=${XDG_CACHE_HOME:-$HOME/.cache}/glyphforge-chroot
mkdir -p "$cache/debootstrap" "$cache/apt"
root=$(mktemp -d)
log=$(mktemp)
cleanup() {
    umount "$root/var/cache/apt/archives" 2>/dev/null || true
    umount "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root" "$log"
}
trap cleanup EXIT
skip() {
    tail -n 20 "$log" >&2
    echo "check-package-chroot: skipped: $*" >&2
    exit 77
}

start=$SECONDS
timeout 900 debootstrap --variant=minbase --cache-dir="$cache/debootstrap" "$suite" "$root" \
    >"$log" 2>&1 || skip "debootstrap of $suite failed"
echo "check-package-chroot: a fresh $suite in $((SECONDS - start)) s"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount --bind "$cache/apt" "$root/var/cache/apt/archives"
cp "$deb" "$root/tmp/glyphforge.deb"
cp samples/sample.png "$root/tmp/sample.png"
cp fuzz/corpus/wmf/shapes_placeable.wmf "$root/tmp/picture.wmf"

in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive /bin/bash -euo pipefail -c "$1"
}
in_root 'timeout 300 apt-get update' >"$log" 2>&1 || skip "apt-get update failed"
# dpkg -i alone leaves the package unconfigured, since its dependencies are not there yet;
# apt then fetches exactly what the package names.
in_root 'dpkg -i /tmp/glyphforge.deb' >"$log" 2>&1 || true
if ! in_root 'timeout 600 apt-get install -y -f -o APT::Sandbox::User=root' >"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "check-package-chroot: the dependencies of the package could not be installed" >&2
    exit 1
fi
in_root '
    dpkg -s glyphforge | grep -qx "Status: install ok installed"
    glyphforge-cli --version
    glyphforge --version
    cd /tmp
    glyphforge-cli convert sample.png sample.ico --sizes 16,32,48,256 >/dev/null
    glyphforge-cli convert picture.wmf picture.ico >/dev/null
    glyphforge-cli list sample.ico
    glyphforge-cli list --json sample.ico >/dev/null
    glyphforge-cli thumbnail sample.ico thumb.png 128
    test -s thumb.png
' || { echo "check-package-chroot: the installed programs failed" >&2; exit 1; }
echo "check-package-chroot: installed and ran in a fresh $suite in $((SECONDS - start)) s"
