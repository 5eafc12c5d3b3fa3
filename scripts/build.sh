#!/usr/bin/env bash
# Configures (once) and builds the tree into build/. Extra arguments go to cmake at configure time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BUILD_DIR:-$root/build}
werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPARCELLA_WERROR=$werror "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
