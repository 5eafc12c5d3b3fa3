#!/usr/bin/env bash
# Runs a command on a private D-Bus session with its own unlocked gnome-keyring daemon, so keychain
# tests use the real Secret Service without touching the user's keyring.
set -euo pipefail
if [ -z "${PARCELLA_PRIVATE_BUS:-}" ]; then
    export PARCELLA_PRIVATE_BUS=1
    exec dbus-run-session -- "$0" "$@"
fi
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
eval "$(printf '' | gnome-keyring-daemon --unlock --components=secrets)"
export GNOME_KEYRING_CONTROL
"$@"
