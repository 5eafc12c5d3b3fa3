#!/usr/bin/env bash
# Installs dependencies, builds, and runs every test; then builds the fuzz targets and replays
# their seed corpora.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@")
PARCELLA_JOBS=$(nproc) "$root/fuzz/run.sh" 0 "$build-fuzz"
