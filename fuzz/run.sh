#!/usr/bin/env bash
# Builds the fuzz targets with clang in their own build folder and runs each for a bounded time.
# Usage: fuzz/run.sh [seconds per target, default 60] [build folder, default build-fuzz]
# With 0 seconds each target only replays its seed corpus: a quick regression check for CI.
# New inputs go to the build folder; crashes are left there as crash-* files and end the script
# with a failure. Add a crashing input to fuzz/corpus/<target>/ once it is fixed.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
build=${2:-$root/build-fuzz}
targets=(fuzz_s3xml fuzz_uploads_json fuzz_iso8601 fuzz_appcast)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARCELLA_FUZZ=ON >/dev/null
cmake --build "$build" -j"${PARCELLA_JOBS:-2}" --target "${targets[@]}"

for target in "${targets[@]}"; do
    found="$build/fuzz/found/$target"
    artifacts="$build/fuzz/artifacts/$target"
    mkdir -p "$found" "$artifacts"
    if [ "$seconds" -eq 0 ]; then
        limit=(-runs=0)
    else
        limit=(-max_total_time="$seconds")
    fi
    options=("${limit[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=65536
             -artifact_prefix="$artifacts/" -print_final_stats=1)
    dictionary="$root/fuzz/dict/$target.dict"
    [ -f "$dictionary" ] && options+=(-dict="$dictionary")
    echo "== $target for ${seconds}s"
    "$build/fuzz/$target" "${options[@]}" "$found" "$root/fuzz/corpus/$target"
done
