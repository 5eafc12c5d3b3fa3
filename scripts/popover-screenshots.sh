#!/usr/bin/env bash
# Takes pictures of the popover's screens, light and dark, under Xvfb (the view test walks
# through the screens against a real model and keeps a picture of each), and of the tray icons,
# drawn and in a real tray.
# Needs a built tree.
# Usage: scripts/popover-screenshots.sh [build dir] [output dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/screenshots}
test=$build/tests/Parcella/Interface/tst_PopoverView
[ -x "$test" ] || { echo "Build tst_PopoverView and tst_TrayIconPainter first." >&2; exit 1; }

for scheme in light dark; do
    dark=()
    [ "$scheme" = dark ] && dark=(PARCELLA_DARK=1)
    env "${dark[@]}" QT_QPA_PLATFORM=xcb LC_ALL=C.UTF-8 PARCELLA_SCREENSHOTS="$out/$scheme" \
        xvfb-run -a -s '-screen 0 1280x800x24' \
        "$root/tests/support/with-keyring.sh" "$test" >/dev/null
done
QT_QPA_PLATFORM=offscreen PARCELLA_SCREENSHOTS="$out" \
    "$build/tests/Parcella/Interface/tst_TrayIconPainter" >/dev/null
# The icon as real trays show it: trayer (XEmbed) and an Xfce panel (StatusNotifierItem).
for host in trayer xfce4-panel; do
    PARCELLA_SCREENSHOTS="$out" "$root/tests/support/with-keyring.sh" \
        "$root/tests/support/with-tray.sh" "$host" \
        "$build/tests/Parcella/Interface/tst_TrayPopover" >/dev/null
done
echo "Pictures in $out"
