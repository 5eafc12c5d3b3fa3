#!/usr/bin/env bash
# Runs a command on a private X display (Xvfb) whose top edge holds a real system tray:
#   with-tray.sh trayer COMMAND…       trayer, which embeds icons the XEmbed way;
#   with-tray.sh xfce4-panel COMMAND…  an Xfce panel whose tray hosts StatusNotifierItems (and
#                                      XEmbed icons); needs the private bus of with-keyring.sh.
# The command finds DISPLAY, QT_QPA_PLATFORM=xcb and PARCELLA_TEST_TRAY (the host) set, and the
# tray's host ready.
set -euo pipefail
. "$(dirname "$0")/wrapper-lib.sh"

host=$1
shift
case "$host" in
trayer) ;;
xfce4-panel)
    # The panel takes the bus-wide tray names and keeps its settings under the home folder.
    [ -n "${PARCELLA_PRIVATE_BUS:-}" ] || {
        echo "with-tray.sh: xfce4-panel runs only inside with-keyring.sh" >&2
        exit 1
    }
    ;;
*)
    echo "with-tray.sh: unknown tray host $host" >&2
    exit 2
    ;;
esac

# The bus started xfconfd for the panel; it saves the panel's settings as it goes, so it must be
# gone before with-keyring.sh removes the home folder.
stop_xfconfd() {
    local pid
    pid=$(dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus \
        /org/freedesktop/DBus org.freedesktop.DBus.GetConnectionUnixProcessID \
        string:org.xfce.Xfconf 2>/dev/null | awk '{print $2}')
    [ -n "$pid" ] && kill "$pid" 2>/dev/null || return 0
    wait_until 50 test ! -e "/proc/$pid" || true
}
cleanup() {
    [ -n "$tray" ] && kill "$tray" 2>/dev/null
    [ "$host" = xfce4-panel ] && stop_xfconfd
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    rm -rf "$home"
}
home=$(mktemp -d)
xvfb= tray=
trap cleanup EXIT
start_xvfb "$home" 1024x600x24
unset WAYLAND_DISPLAY
export PARCELLA_TEST_TRAY=$host

if [ "$host" = trayer ]; then
    trayer --edge top --align right --widthtype request --height 24 --transparent false \
        --tint 0x303030 >/dev/null 2>&1 &
    tray=$!
    "$@"
    exit
fi

# One panel along the top edge: a spacer, then the tray at the right end.
settings="${XDG_CONFIG_HOME:-$HOME/.config}/xfce4/xfconf/xfce-perchannel-xml"
mkdir -p "$settings"
cat >"$settings/xfce4-panel.xml" <<'PANEL'
<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="26"/>
      <property name="icon-size" type="uint" value="16"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
        <value type="int" value="2"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="separator">
      <property name="expand" type="bool" value="true"/>
      <property name="style" type="uint" value="0"/>
    </property>
    <property name="plugin-2" type="string" value="systray">
      <property name="square-icons" type="bool" value="true"/>
    </property>
  </property>
</channel>
PANEL
NO_AT_BRIDGE=1 xfce4-panel --disable-wm-check >/dev/null 2>&1 &
tray=$!
# Qt decides once per process whether a StatusNotifierItem host runs: ask only after it does.
host_registered() {
    dbus-send --session --print-reply=literal --dest=org.kde.StatusNotifierWatcher \
        /StatusNotifierWatcher org.freedesktop.DBus.Properties.Get \
        string:org.kde.StatusNotifierWatcher string:IsStatusNotifierHostRegistered 2>/dev/null |
        grep -q true
}
wait_until 150 host_registered ||
    { echo "with-tray.sh: the panel's tray did not start" >&2; exit 1; }
"$@"
