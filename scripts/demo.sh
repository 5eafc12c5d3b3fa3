#!/usr/bin/env bash
# The demo: installs what is missing and builds. On a desktop it then starts the tray application
# against the service PARCELLA_SERVICE_URL names, or else against a development service on
# loopback (port 8750, its data kept under ~/.local/share/parcella-demo) that it starts and stops;
# signing in is one click in the browser. Without a display it runs the command-line demo
# (demo.py) in a private keyring session instead. Safe to repeat, also while a demo runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${PARCELLA_BUILD_DIR:-$root/build}

if [ -e "$build" ] && [ ! -w "$build" ]; then
    echo "demo: $build belongs to another user (an earlier run with sudo?); run this as that user" \
        "or hand it over: sudo chown -R $(id -un) $build" >&2
    exit 1
fi
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh"

cli_demo() {
    export PARCELLA_CLI="$build/Parcella/cli/parcella-cli"
    export PARCELLA_DEVSERVICE="$build/devservice/parcella-devservice"
    export NO_PROXY=127.0.0.1,localhost no_proxy=127.0.0.1,localhost PYTHONDONTWRITEBYTECODE=1
    # A private home, D-Bus session and keyring: the demo never touches the user's own sign-in.
    exec "$root/tests/support/with-keyring.sh" python3 "$root/scripts/demo.py" "$@"
}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "demo: no display (DISPLAY and WAYLAND_DISPLAY are unset), so no tray application;" \
        "running the command-line demo instead."
    cli_demo "$@"
fi
if [ "$(id -u)" -eq 0 ] && [ -n "${SUDO_USER:-}" ]; then
    # sudo leaves the desktop session (its bus, keyring and browser) behind.
    echo "demo: the tray application runs in your own desktop session: start the demo without" \
        "sudo (it asks for sudo only to install packages). Running the command-line demo now."
    cli_demo "$@"
fi

service=${PARCELLA_SERVICE_URL:-}
if [ -z "$service" ]; then
    service=http://127.0.0.1:8750/
    answers() {
        curl -s --noproxy '*' --max-time 2 "${service}dashboard" 2>/dev/null |
            grep -q "Parcella dashboard"
    }
    if ! answers; then
        data=${XDG_DATA_HOME:-$HOME/.local/share}/parcella-demo
        "$build/devservice/parcella-devservice" --listen 127.0.0.1:8750 --data "$data" &
        devservice=$!
        trap 'kill "$devservice" 2>/dev/null || true' EXIT
        for _ in $(seq 50); do
            answers && break
            kill -0 "$devservice" 2>/dev/null || break
            sleep 0.2
        done
        answers || {
            echo "demo: the development service did not start; is port 8750 taken? Name another" \
                "service with PARCELLA_SERVICE_URL." >&2
            exit 1
        }
    fi
fi

# The browser hands the sign-in back through the parcella: scheme; any Parcella registered for it
# passes the answer on to the waiting application, so register this build only when none is.
if [ -z "$(xdg-mime query default x-scheme-handler/parcella 2>/dev/null)" ]; then
    applications=${XDG_DATA_HOME:-$HOME/.local/share}/applications
    mkdir -p "$applications"
    cat >"$applications/parcella-demo.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Parcella (demo build)
Exec="$build/Parcella/app/parcella" %U
NoDisplay=true
MimeType=x-scheme-handler/parcella;
DESKTOP
    xdg-mime default parcella-demo.desktop x-scheme-handler/parcella
fi

echo
echo "Parcella runs against $service"
echo "Click \"Sign in\" in its popover (or its window), then Allow in the browser. Drop files on"
echo "the popover to send them. \"Quit Parcella\" in its menu ends the demo."
PARCELLA_SERVICE_URL=$service "$build/Parcella/app/parcella"
