#!/usr/bin/env bash
# Upload benchmark: parcella-cli next to aws-cli, rclone and curl, all against one devservice
# storage over loopback. Builds a benchmark build (with the main-thread stall probe) into
# build-bench/ and runs bench/uploads.py in a private keyring session; its arguments pass through
# (--quick, --reps N, --tools a,b,..., --data DIR). With "limit-rate" first it measures the
# accuracy of the upload rate limit instead (bench/limit_rate.py). See bench/README.md.
set -euo pipefail
script=uploads.py
if [ "${1:-}" = limit-rate ]; then
    script=limit_rate.py
    shift
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BENCH_BUILD_DIR:-$root/build-bench}
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPARCELLA_STALL_PROBE=ON >/dev/null
cmake --build "$build" --target parcella-cli parcella-devservice bench-model
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY
export PARCELLA_CLI="$build/Parcella/cli/parcella-cli"
export PARCELLA_DEVSERVICE="$build/devservice/parcella-devservice"
export PARCELLA_MODEL_BENCH="$build/bench/bench-model"
export PYTHONDONTWRITEBYTECODE=1
exec "$root/tests/support/with-keyring.sh" python3 "$root/bench/$script" "$@"
