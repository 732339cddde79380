#!/usr/bin/env bash
# Fuzzes one target for a while and merges what it found into the kept corpus.
# Usage: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]
#   TARGET is a fuzz/fuzz_TARGET.cpp name (png, jpeg, ...); extra options go to libFuzzer
#   (-runs=5000000 stops after that many executions instead of the time).
#   SECONDS 0 fuzzes nothing and minimizes the kept corpus instead: the named seeds stay, and of
#   the files found by fuzzing (named by their hash) only those that reach code the seeds and
#   the others kept do not.
# The fuzz build (build-fuzz: clang, libFuzzer, ASan and UBSan over every layer) is configured
# and built when needed. The fuzzer runs niced, one at a time on this machine (a lock), from the
# kept corpus fuzz/corpus/TARGET alone: the regression files are replayed by the tests, and
# mutating the bombs among them (seconds an execution) would slow the whole run a hundredfold.
# New inputs go to a scratch folder; afterwards only those that reach code the kept corpus does not
# are merged into it, so the corpus stays small. Findings land in build-fuzz/findings/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ $# -lt 2 || ! "$2" =~ ^[0-9]+$ ]]; then
    echo "Usage: scripts/fuzz.sh TARGET SECONDS [libFuzzer options...]" >&2
    exit 2
fi
target=$1
seconds=$2
shift 2
if [[ ! -f fuzz/fuzz_$target.cpp ]]; then
    echo "fuzz.sh: no fuzz target '$target' (targets:$(cd fuzz && ls fuzz_*.cpp |
        sed 's/^fuzz_/ /; s/\.cpp$//' | tr -d '\n'))" >&2
    exit 2
fi

build=${GF_FUZZ_BUILD:-build-fuzz}
if [[ ! -f $build/build.ninja ]]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DGF_BUILD_GUI=OFF -DGF_BUILD_BENCH=OFF -DGF_BUILD_TESTS=OFF -DGF_FUZZ=ON
fi
cmake --build "$build" --target "fuzz_$target"
exe=$build/fuzz/fuzz_$target

corpus=fuzz/corpus/$target
findings=$build/findings/$target
mkdir -p "$corpus" "$findings"
seeds=("$corpus")

# One fuzzer at a time: the machine is shared.
exec 9>"$build/.fuzz.lock"
flock 9

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if [[ $seconds -eq 0 ]]; then
    mkdir -p "$scratch/kept"
    for f in "$corpus"/*; do
        [[ $(basename "$f") =~ ^[0-9a-f]{40}$ ]] || cp "$f" "$scratch/kept/"
    done
    before=$(ls "$corpus" | wc -l)
    nice -n 19 "$exe" -merge=1 -rss_limit_mb=2048 -timeout=10 "$@" "$scratch/kept" "$corpus" \
        2>"$scratch/merge.log" || { tail -n 30 "$scratch/merge.log"; exit 1; }
    rm -rf "$corpus"
    mv "$scratch/kept" "$corpus"
    echo "fuzz.sh: $target corpus minimized, $before -> $(ls "$corpus" | wc -l) files ($(du -sh "$corpus" | cut -f1))"
    exit 0
fi
mkdir -p "$scratch/new"
echo "fuzz.sh: $target for ${seconds}s from ${seeds[*]}"
status=0
nice -n 19 "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$@" "$scratch/new" "${seeds[@]}" \
    2>"$scratch/log" || status=$?
grep -E '^stat::(number_of_executed_units|average_exec_per_sec|slowest_unit_time_sec|peak_rss_mb)' "$scratch/log" || true
if [[ $status -ne 0 ]]; then
    tail -n 60 "$scratch/log"
    echo "fuzz.sh: $target found a fault; the input is in $findings" >&2
fi

before=$(ls "$corpus" | wc -l)
nice -n 19 "$exe" -merge=1 -rss_limit_mb=2048 -timeout=10 "$corpus" "$scratch/new" \
    2>"$scratch/merge.log" || { tail -n 30 "$scratch/merge.log"; exit 1; }
after=$(ls "$corpus" | wc -l)
echo "fuzz.sh: $target corpus $before -> $after files ($(du -sh "$corpus" | cut -f1))"
exit $status
