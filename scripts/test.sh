#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh build
# Real-world files that the project does not own lie beside the repository when present.
if [[ -z "${GF_CORPUS:-}" && -d ../shared/corpus ]]; then
    export GF_CORPUS="$(cd ../shared/corpus && pwd)"
fi
ctest --test-dir build --output-on-failure -j "$(nproc)"
