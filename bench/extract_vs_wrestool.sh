#!/usr/bin/env bash
# Whole-process comparison of glyphforge-cli extract and list with icoutils' wrestool, both run
# by hyperfine in one go on the same machine, and the ratios printed:
#   extract --groups          against  wrestool -x -t14          (goal: at most 0.5 x)
#   extract (every image)     against  wrestool -x -t3 --raw     (goal: at most 0.5 x)
#   list of the large library                                     (goal: under 5 ms)
# on a large icon library built here (2000 images in 200 groups, about 20 MB) and on the
# largest executables of the real-file corpus (GF_CORPUS, else ../shared/corpus).
#
# Usage: bench/extract_vs_wrestool.sh [BUILD_DIR] [RUNS]   (default: build, 10 runs)
# Installs icoutils and hyperfine from Debian when they are missing (as root).
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build}
runs=${2:-10}
cli=$build/src/glyphforge-cli
maker=$build/bench/make_icon_library
for f in "$cli" "$maker"; do
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
        "$cli" list --groups "$f" >/dev/null 2>&1 && real+=("$f")
        [[ ${#real[@]} -ge 5 ]] && break
    done < <(ls -S "$corpus"/pe32/* "$corpus"/pe64/* 2>/dev/null)
fi

# Mean seconds of each command, from hyperfine's CSV (command,mean,...).
compare() {
    local title=$1 ours=$2 theirs=$3 out=$4
    local csv=$work/result.csv
    # Each run writes into an empty folder; what the last run wrote is synced away first, so
    # neither tool pays for the other's (or its own earlier) files.
    nice -n 19 hyperfine -N --style basic --warmup 2 --runs "$runs" --export-csv "$csv" \
        --prepare "sh -c 'rm -rf $out && mkdir -p $out && sync -f $work'" \
        "$ours" "$theirs" >/dev/null
    awk -F, -v title="$title" 'NR == 2 { ours = $2 } NR == 3 { theirs = $2 }
        END { printf "%-34s glyphforge %8.1f ms   wrestool %8.1f ms   ratio %.2f\n",
              title, ours * 1000, theirs * 1000, ours / theirs }' "$csv"
}

echo "library: $(du -h "$work/library.dll" | cut -f1), 2000 icon images in 200 groups"
compare "groups, library" \
    "$cli extract --groups $work/library.dll -o $work/g" \
    "wrestool -x -t14 -o $work/g $work/library.dll" "$work/g"
compare "every image, library" \
    "$cli extract $work/library.dll -o $work/i" \
    "wrestool -x -t3 --raw -o $work/i $work/library.dll" "$work/i"
if [[ ${#real[@]} -gt 0 ]]; then
    echo "corpus: ${#real[@]} largest executables with icon groups"
    compare "groups, corpus" \
        "$cli extract --groups ${real[*]} -o $work/cg" \
        "wrestool -x -t14 -o $work/cg ${real[*]}" "$work/cg"
    compare "every image, corpus" \
        "$cli extract ${real[*]} -o $work/ci" \
        "wrestool -x -t3 --raw -o $work/ci ${real[*]}" "$work/ci"
fi
nice -n 19 hyperfine -N --style basic --warmup 3 --runs $((runs * 5)) --export-csv "$work/list.csv" \
    "$cli list $work/library.dll" >/dev/null
awk -F, 'NR == 2 { printf "%-34s glyphforge %8.2f ms   (goal: under 5 ms)\n", "list, library", $2 * 1000 }' \
    "$work/list.csv"
