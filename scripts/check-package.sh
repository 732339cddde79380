#!/usr/bin/env bash
# Checks a built glyphforge .deb without installing it: the files it must hold, the desktop
# entry and AppStream metadata (desktop-file-validate, appstreamcli), the man pages (rendered
# without warnings), the icon sizes, the dependencies, and that its programs run: --version,
# conversions of the sample picture and of a metafile, and the thumbnailer entry's own command
# line.
# Usage: scripts/check-package.sh PACKAGE.deb
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "$1")
for tool in dpkg-deb desktop-file-validate appstreamcli man python3; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool is missing: apt-get install dpkg desktop-file-utils appstream man-db python3" >&2
        exit 1
    fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
dpkg-deb -x "$deb" "$root"
problems=0
fail() { echo "check-package: $*" >&2; problems=$((problems + 1)); }

version=$(dpkg-deb -f "$deb" Version)
id=org.glyphforge.Glyphforge
required=(
    usr/bin/glyphforge
    usr/bin/glyphforge-cli
    usr/lib/glyphforge/glyphforge-metafile.so
    usr/share/applications/$id.desktop
    usr/share/metainfo/$id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/glyphforge.svg
    usr/share/man/man1/glyphforge.1.gz
    usr/share/man/man1/glyphforge-cli.1.gz
    usr/share/thumbnailers/glyphforge.thumbnailer
    usr/share/bash-completion/completions/glyphforge-cli
    usr/share/zsh/vendor-completions/_glyphforge-cli
)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do
    required+=(usr/share/icons/hicolor/${s}x${s}/apps/glyphforge.png)
done
for f in "${required[@]}"; do
    [[ -f $root/$f ]] || fail "the package has no $f"
done
((problems == 0)) || exit 1

# Dependencies: found by dpkg-shlibdeps, plus the Qt platform plugins.
depends=$(dpkg-deb -f "$deb" Depends)
for p in libqt6widgets6 libpng16-16 libjpeg62-turbo libgif7 qt6-qpa-plugins; do
    [[ $depends == *"$p"* ]] || fail "Depends lacks $p: $depends"
done

desktop-file-validate "$root/usr/share/applications/$id.desktop" || fail "the desktop entry does not validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" >"$work/as.txt" ||
    { cat "$work/as.txt" >&2; fail "the AppStream metadata does not validate"; }
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null || true)
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done
bash -c "source '$root/usr/share/bash-completion/completions/glyphforge-cli' && complete -p glyphforge-cli" \
    >/dev/null || fail "the bash completion does not load"

# Icons: PNG pictures of their folder's size.
for s in "${sizes[@]}"; do
    got=$(python3 -c 'import struct,sys; d=open(sys.argv[1],"rb").read(24); print("%dx%d" % struct.unpack(">II", d[16:24]) if d[:8]==b"\x89PNG\r\n\x1a\n" else "not a PNG")' \
        "$root/usr/share/icons/hicolor/${s}x${s}/apps/glyphforge.png")
    [[ $got == "${s}x${s}" ]] || fail "the ${s}x${s} icon is $got"
done

# The programs run from the package and know its version.
cli=$root/usr/bin/glyphforge-cli
[[ $("$cli" --version) == "glyphforge-cli $version" ]] || fail "glyphforge-cli --version: $("$cli" --version)"
[[ $(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/glyphforge" --version) == "glyphforge $version" ]] ||
    fail "glyphforge --version does not say $version"
"$cli" convert samples/sample.png "$work/sample.ico" --sizes 16,32,48 >/dev/null || fail "convert failed"
# Metafiles are drawn by a module the tool finds beside its own folder.
env -u DISPLAY -u WAYLAND_DISPLAY "$cli" convert fuzz/corpus/wmf/shapes_placeable.wmf \
    "$work/metafile.ico" >/dev/null || fail "convert of a metafile failed"
# The thumbnailer entry's command line, as a file manager runs it.
exec_line=$(sed -n 's/^Exec=//p' "$root/usr/share/thumbnailers/glyphforge.thumbnailer")
[[ $exec_line == "glyphforge-cli "* ]] || fail "the thumbnailer runs '$exec_line'"
command=${exec_line/#glyphforge-cli/$cli}
command=${command//%i/$work/sample.ico}
command=${command//%o/$work/thumb.png}
command=${command//%s/32}
$command || fail "the thumbnailer command failed: $command"
[[ $(head -c 8 "$work/thumb.png" 2>/dev/null | od -An -tx1 | tr -d ' ') == 89504e470d0a1a0a ]] ||
    fail "the thumbnailer wrote no PNG"

if ((problems > 0)); then
    echo "check-package: $problems problems in $deb" >&2
    exit 1
fi
echo "check-package: $(basename "$deb") holds ${#required[@]} checked files and validates"
