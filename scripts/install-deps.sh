#!/usr/bin/env bash
# Installs every Debian 12 package the build, the tests and the demo need. Safe to repeat;
# returns at once when everything is present.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config git curl ca-certificates openssl xxd time
    qt6-base-dev qcoro-qt6-dev libcurl4-openssl-dev libsecret-1-dev
    libpoppler-qt6-dev libffmpegthumbnailer-dev ffmpegthumbnailer libplist-dev libglib2.0-dev
    libcpp-httplib-dev libsqlite3-dev libssl-dev nlohmann-json3-dev libexpat1-dev
    dbus dbus-x11 gnome-keyring libsecret-tools
    clang libclang-rt-14-dev
    awscli rclone python3 help2man
    dunst xvfb xauth xdg-utils ffmpeg desktop-file-utils
    dpkg-dev file lintian appstream
    qt6-declarative-dev qml6-module-qtquick qml6-module-qtquick-controls
    qml6-module-qtquick-templates qml6-module-qtquick-window qml6-module-qtquick-layouts
    qml6-module-qtquick-shapes qml6-module-qtqml-workerscript libqt6svg6
    trayer xdotool xfce4-panel xfconf weston qt6-wayland xclip
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
