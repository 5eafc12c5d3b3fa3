#!/usr/bin/env bash
# Runs a command against a private Wayland compositor, weston with its headless backend, in
# $XDG_RUNTIME_DIR (give the command a private one, as with-notifications.sh does). The command
# finds WAYLAND_DISPLAY and QT_QPA_PLATFORM=wayland set.
set -euo pipefail
. "$(dirname "$0")/wrapper-lib.sh"

runtime=${XDG_RUNTIME_DIR:?with-weston.sh needs XDG_RUNTIME_DIR}
socket=parcella-weston-$$
weston --backend=headless-backend.so --socket="$socket" --idle-time=0 >/dev/null 2>&1 &
compositor=$!
trap 'kill "$compositor" 2>/dev/null || true' EXIT
wait_until 100 test -S "$runtime/$socket" ||
    { echo "with-weston.sh: weston did not start" >&2; exit 1; }
# The headless backend has no seat, and Qt 6.4's Wayland input method context reads the missing
# seat's text input (a crash when the first text item is made): no input method here.
export WAYLAND_DISPLAY=$socket QT_QPA_PLATFORM=wayland QT_IM_MODULE=none
"$@"
