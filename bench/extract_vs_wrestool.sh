#!/usr/bin/env bash
# Whole-process comparison of glyphforge-cli extract and list with icoutils' wrestool, both run
# by hyperfine in one go on the same machine, and the ratios printed:
#   extract --groups          against  wrestool -x -t14          (goal: at most 0.5 x)
#   extract (every image)     against  wrestool -x -t3 --raw     (goal: at most 0.5 x)
#   list of the large library                                     (goal: under 5 ms)
# on a large icon library built here (2000 images in 200 groups, about 20 MB) and on the
# largest executables of the real-file corpus (GF_CORPUS, else ../shared/corpus). Beside each
# pair it prints the floor: bench/create_files_floor creating as many files of the same mean
# size with nothing but open, write and close, and that floor's own ratio to wrestool; then the
# same with one sync of the file system at the end, the durability extract gives its files.
#
# Usage: bench/extract_vs_wrestool.sh [BUILD_DIR] [RUNS]   (default: build, 10 runs)
# Installs icoutils and hyperfine from Debian when they are missing (as root).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}
runs=${2:-10}
cli=$build/src/glyphforge-cli
maker=$build/bench/make_icon_library
floor=$build/bench/create_files_floor
for f in "$cli" "$maker" "$floor"; do
    [[ -x $f ]] || { echo "missing $f: build the project first (cmake --build $build)" >&2; exit 1; }
done

need=()
command -v wrestool >/dev/null || need+=(icoutils)
command -v hyperfine >/dev/null || need+=(hyperfine)
if [[ ${#need[@]} -gt 0 ]]; then
    if [[ $(id -u) -ne 0 ]]; then
        echo "missing ${need[*]}: apt-get install ${need[*]} (as root)" >&2
        exit 1
    fi
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" ||
        { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"; }
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/gf_bench_wrestool.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$maker" "$work/library.dll" 200 10 >/dev/null

corpus=${GF_CORPUS:-$repo/../shared/corpus}
real=()
if [[ -d $corpus ]]; then
    # The five largest executables that hold icon groups.
    while read -r f; do
        "$cli" list --groups "$f" 2>/dev/null | grep -qE ', [1-9][0-9]* icon groups?$' && real+=("$f")
        [[ ${#real[@]} -ge 5 ]] && break
    done < <(ls -S "$corpus"/pe32/* "$corpus"/pe64/* 2>/dev/null)
fi

# Mean seconds of each command, from hyperfine's CSV (command,mean,...).
# Every run writes into a folder of its own that no run used before ($work/out points at it),
# and nothing is deleted until the end. Deleting the last run's files first would measure the
# file system instead of the tools: ext4 without a journal (as here) will not reuse an inode
# freed in the last 30 s, and each file created then walks past all of them (2000 files take
# about 1 s of kernel time instead of 0.06 s, for any program). What the last run wrote is
# synced away before the next, so no tool pays for another's writes. (So the runs' files stay
# until the script ends: about 1 GB with the default 10 runs. For the same reason, a second run
# of this script started within a minute of the first one's end measures that clean-up.)
runs_done=0
compare() {
    local title=$1; shift
    local csv=$work/result.csv
    nice -n 19 hyperfine -N --style none --warmup 2 --runs "$runs" --export-csv "$csv" \
        --prepare "sh -c 'd=\$(mktemp -d $work/runs/r.XXXXXX) && ln -sfn \$d $work/out && sync -f $work'" \
        "$@" >/dev/null 2>"$work/hyperfine.err" || { cat "$work/hyperfine.err" >&2; exit 1; }
    awk -F, -v title="$title" 'NR == 2 { ours = $2 } NR == 3 { theirs = $2 } NR == 4 { floor = $2 }
        NR == 5 { synced = $2 }
        END { printf "%-26s glyphforge %7.1f ms   wrestool %7.1f ms   ratio %.2f", title,
                  ours * 1000, theirs * 1000, ours / theirs
              if (floor) printf "   floor %.1f ms (%.2f)", floor * 1000, floor / theirs
              if (synced) printf ", synced %.1f ms (%.2f)", synced * 1000, synced / theirs
              printf "\n" }' "$csv"
}
mkdir -p "$work/runs"

# The floor beside an extraction: the same number of files of the same mean size, each created,
# written and closed, nothing more (bench/create_files_floor), as `plain`; the same with the one
# sync that makes extract's files durable, as `synced`. The extraction runs once, untimed, to
# count what it writes.
floors() {
    local out files bytes
    out=$(mktemp -d "$work/runs/count.XXXXXX")
    "$cli" extract "$@" -o "$out" >/dev/null
    files=$(find "$out" -type f | wc -l)
    bytes=$(du -sb "$out" | cut -f1)
    plain="$floor $files $((bytes / files)) $work/out"
    synced="$floor --sync $files $((bytes / files)) $work/out"
}

echo "library: $(du -h "$work/library.dll" | cut -f1), 2000 icon images in 200 groups"
floors --groups "$work/library.dll"
compare "groups, library" \
    "$cli extract --groups $work/library.dll -o $work/out" \
    "wrestool -x -t14 -o $work/out $work/library.dll" "$plain" "$synced"
floors "$work/library.dll"
compare "every image, library" \
    "$cli extract $work/library.dll -o $work/out" \
    "wrestool -x -t3 --raw -o $work/out $work/library.dll" "$plain" "$synced"
if [[ ${#real[@]} -gt 0 ]]; then
    echo "corpus: the ${#real[@]} largest executables with icon groups"
    floors --groups "${real[@]}"
    compare "groups, corpus" \
        "$cli extract --groups ${real[*]} -o $work/out" \
        "wrestool -x -t14 -o $work/out ${real[*]}" "$plain" "$synced"
    floors "${real[@]}"
    compare "every image, corpus" \
        "$cli extract ${real[*]} -o $work/out" \
        "wrestool -x -t3 --raw -o $work/out ${real[*]}" "$plain" "$synced"
fi
nice -n 19 hyperfine -N --style none --warmup 3 --runs $((runs * 5)) --export-csv "$work/list.csv" \
    "$cli list $work/library.dll" >/dev/null 2>"$work/hyperfine.err" ||
    { cat "$work/hyperfine.err" >&2; exit 1; }
awk -F, 'NR == 2 { printf "%-26s glyphforge %7.2f ms   (goal: under 5 ms)\n", "list, library", $2 * 1000 }' \
    "$work/list.csv"
