#!/usr/bin/env bash
# Runs a command on a private X display (Xvfb) and a private D-Bus session with a real dunst as
# the notification server, and a test browser registered for http(s) in a private home: every
# address it is asked to open is appended to $PARCELLA_TEST_BROWSER_LOG. A with-keyring.sh inside
# adds its keyring to this bus.
set -euo pipefail
. "$(dirname "$0")/wrapper-lib.sh"

if [ -z "${PARCELLA_PRIVATE_DESKTOP:-}" ]; then
    home=$(mktemp -d)
    xvfb=
    trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$home"' EXIT
    export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
    export XDG_CACHE_HOME="$home/cache" XDG_CONFIG_HOME="$home/config"
    export XDG_CURRENT_DESKTOP=X-Generic PARCELLA_TEST_BROWSER_LOG="$home/browser.log"
    unset BROWSER WAYLAND_DISPLAY DESKTOP_SESSION
    mkdir -p "$XDG_DATA_HOME/applications" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/dunst"
    chmod 700 "$XDG_RUNTIME_DIR"
    : >"$PARCELLA_TEST_BROWSER_LOG"

    cat >"$home/browser" <<'BROWSER'
#!/bin/sh
printf '%s\n' "$1" >>"$PARCELLA_TEST_BROWSER_LOG"
BROWSER
    chmod +x "$home/browser"
    cat >"$XDG_DATA_HOME/applications/parcella-test-browser.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Test browser
Exec=$home/browser %u
MimeType=x-scheme-handler/http;x-scheme-handler/https;
DESKTOP
    cat >"$XDG_CONFIG_HOME/mimeapps.list" <<'MIMEAPPS'
[Default Applications]
x-scheme-handler/http=parcella-test-browser.desktop
x-scheme-handler/https=parcella-test-browser.desktop
MIMEAPPS
    # Shown until acted on, so the test reads and clicks it at its own pace.
    cat >"$XDG_CONFIG_HOME/dunst/dunstrc" <<'DUNSTRC'
[global]
    markup = full
[urgency_normal]
    timeout = 0
DUNSTRC

    start_xvfb "$home" 640x480x24
    status=0
    PARCELLA_PRIVATE_DESKTOP=1 PARCELLA_PRIVATE_BUS=1 dbus-run-session -- "$0" "$@" || status=$?
    exit "$status"
fi

dunst -config "$XDG_CONFIG_HOME/dunst/dunstrc" >/dev/null 2>&1 &
daemon=$!
trap 'kill "$daemon" 2>/dev/null || true' EXIT
# Asking dunst before it owns its name would have the bus activate a second one.
server_on_bus() {
    dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Notifications 2>/dev/null |
        grep -q 'true'
}
wait_until 100 server_on_bus ||
    { echo "with-notifications.sh: dunst did not start" >&2; exit 1; }

"$@"
