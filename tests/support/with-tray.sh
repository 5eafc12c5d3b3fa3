#!/usr/bin/env bash
# Runs a command on a private X display (Xvfb) whose top edge holds trayer, a system tray that
# embeds icons the XEmbed way. The command finds DISPLAY and QT_QPA_PLATFORM=xcb set.
set -euo pipefail

home=$(mktemp -d)
xvfb= tray=
trap '[ -n "$tray" ] && kill "$tray" 2>/dev/null; [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$home"' EXIT
# Xvfb writes the display number it took once it accepts connections.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x600x24 3>"$home/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$home/display" ] && break
    sleep 0.1
done
[ -s "$home/display" ] || { echo "with-xembed-tray.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$home/display")" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
trayer --edge top --align right --widthtype request --height 24 --transparent false \
    --tint 0x303030 >/dev/null 2>&1 &
tray=$!
"$@"
