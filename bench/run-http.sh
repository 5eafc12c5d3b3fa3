#!/usr/bin/env bash
# Builds and runs the HTTP upload benchmark: HTTP::upload next to curl, the same 16 MiB PUTs to
# the same loopback sink. Arguments go to bench-http (see bench-http --help).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
[ -f "$build/build.ninja" ] ||
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target bench-http
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
exec "$build/bench/bench-http" "$@"
