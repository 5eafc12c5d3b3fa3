#!/usr/bin/env bash
# Runs a command on a private D-Bus session with its own gnome-keyring daemon whose default
# collection exists and is unlocked, so keychain tests use the real Secret Service without
# touching the user's keyring.
set -euo pipefail

if [ -z "${PARCELLA_PRIVATE_BUS:-}" ]; then
    # The private home must be in place before the bus starts: services that the bus activates
    # inherit its environment, and would otherwise open the user's real keyring.
    home=$(mktemp -d)
    trap 'rm -rf "$home"' EXIT
    export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
    export XDG_CACHE_HOME="$home/cache" XDG_CONFIG_HOME="$home/config"
    mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
    status=0
    PARCELLA_PRIVATE_BUS=1 dbus-run-session -- "$0" "$@" || status=$?
    exit "$status"
fi

# A password creates the login keyring unlocked; an empty one would ask a prompter that cannot
# be shown here.
printf 'parcella' | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null &
daemon=$!
trap 'kill "$daemon" 2>/dev/null || true' EXIT

default_collection_unlocked() {
    local path
    path=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.secrets \
        /org/freedesktop/secrets org.freedesktop.Secret.Service.ReadAlias string:default \
        2>/dev/null) || return 1
    path=$(echo "$path" | tr -d '[:space:]')
    [ -n "$path" ] && [ "$path" != "/" ] || return 1
    dbus-send --session --print-reply=literal --dest=org.freedesktop.secrets "$path" \
        org.freedesktop.DBus.Properties.Get string:org.freedesktop.Secret.Collection \
        string:Locked 2>/dev/null | grep -q 'false'
}

secrets_on_bus() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
        grep -q 'true'
}

# Asking before the daemon owns its name would have the bus activate a second daemon.
for _ in $(seq 100); do
    secrets_on_bus && default_collection_unlocked && break
    sleep 0.1
done
if ! default_collection_unlocked; then
    echo "with-keyring.sh: the keyring daemon has no unlocked default collection" >&2
    exit 1
fi

"$@"
