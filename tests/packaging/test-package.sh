#!/usr/bin/env bash
# Builds the Debian package from a built tree and checks it as a user's machine would see it:
# the desktop entries and the metainfo validate, lintian finds no error, and (as root, when the
# package is not installed already) apt installs it, its programs start from /usr/bin, and it is
# removed again. Usage: test-package.sh BUILD_DIR
set -euo pipefail

build=$(cd "${1:?usage: test-package.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log") ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/out/parcella_*.deb)
echo "built $(basename "$deb")"

dpkg-deb -x "$deb" "$work/root"
for program in parcella parcella-cli; do
    [ -x "$work/root/usr/bin/$program" ] || { echo "missing /usr/bin/$program"; exit 1; }
done
[ ! -e "$work/root/usr/bin/parcella-devservice" ] || { echo "the dev service is packaged"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q libqt6core6 || { echo "no library dependencies found"; exit 1; }
desktop-file-validate "$work"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/root/usr/share/metainfo/*.metainfo.xml
if command -v lintian >/dev/null; then
    lintian --fail-on error --suppress-tags binary-without-manpage "$deb"
else
    echo "SKIP lintian: not installed (scripts/install-deps.sh installs it)"
fi

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP install: needs root and apt-get"
    exit 0
fi
if dpkg-query -W -f='${Status}' parcella 2>/dev/null | grep -q 'install ok installed'; then
    echo "SKIP install: a parcella package is installed on this machine already"
    exit 0
fi
remove() { DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq parcella >/dev/null 2>&1 || true; }
trap 'remove; rm -rf "$work"' EXIT
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
export QT_QPA_PLATFORM=offscreen
/usr/bin/parcella-cli --help >/dev/null
/usr/bin/parcella-cli --version
/usr/bin/parcella --version | grep -qx "parcella [0-9.]*" || { echo "parcella --version failed"; exit 1; }
remove
[ ! -e /usr/bin/parcella ] || { echo "the package was not removed"; exit 1; }
echo "installed, started and removed $(basename "$deb")"
