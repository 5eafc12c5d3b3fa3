#!/usr/bin/env bash
# The demo: installs what is missing, builds, then starts the development service on loopback,
# signs parcella-cli in by playing the browser, sends a generated file and prints its link. The
# service, the keyring session and every temporary file go away when it ends. Safe to repeat.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BUILD_DIR:-$root/build}

bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

export PARCELLA_CLI="$build/Parcella/cli/parcella-cli"
export PARCELLA_DEVSERVICE="$build/devservice/parcella-devservice"
export NO_PROXY=127.0.0.1,localhost no_proxy=127.0.0.1,localhost PYTHONDONTWRITEBYTECODE=1
# A private home, D-Bus session and keyring: the demo never touches the user's own sign-in.
exec "$root/tests/support/with-keyring.sh" python3 "$root/scripts/demo.py" "$@"
