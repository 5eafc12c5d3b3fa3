#!/usr/bin/env bash
# Makes a signed release from a built tree and installs it for a user with a fresh home folder:
# the version folder, the "current" link, the programs on ~/.local/bin, desktop entries naming
# them by full path, and the feed and key the installed copy will trust. A second install of the
# same version is refused and leaves everything as it was. Usage: test-user-install.sh BUILD_DIR
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: test-user-install.sh BUILD_DIR}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_DATA_HOME=$work/home/.local/share QT_QPA_PLATFORM=offscreen
mkdir -p "$HOME"

openssl genpkey -algorithm ed25519 -out "$work/key.pem"
archive=$("$root/scripts/make-release.sh" --key "$work/key.pem" --version 9.8.7 --build "$build" \
    --base-url http://127.0.0.1:9/r/ --feed-url http://127.0.0.1:9/appcast.xml --out "$work/out")
grep -q 'parcella:edSignature=' "$work/out/appcast.xml"
"$root/scripts/install-user.sh" "$archive"

opt=$HOME/.local/opt/parcella
[ "$(readlink "$opt/current")" = 9.8.7 ] || { echo "current does not name 9.8.7"; exit 1; }
"$HOME/.local/bin/parcella-cli" --help >/dev/null
[ ! -e "$opt/current/bin/parcella-devservice" ] || { echo "the dev service was released"; exit 1; }
info=$opt/current/share/parcella/Info.json
grep -q '"PCUpdateFeedURL": "http://127.0.0.1:9/appcast.xml"' "$info"
grep -q "\"PCUpdatePublicKey\": \"$(cat "$work/out/public-key.txt")\"" "$info"
entry=$XDG_DATA_HOME/applications/parcella.desktop
grep -q "^Exec=$HOME/.local/bin/parcella " "$entry" || { echo "Exec line: $(grep ^Exec= "$entry")"; exit 1; }
desktop-file-validate "$entry"
[ -f "$XDG_DATA_HOME/icons/hicolor/scalable/apps/parcella.svg" ]

if "$root/scripts/install-user.sh" "$archive" 2>/dev/null; then
    echo "a second install of the same version was accepted"
    exit 1
fi
[ "$(ls -A "$opt")" = "$(printf '9.8.7\ncurrent')" ] || { echo "left: $(ls -A "$opt")"; exit 1; }
echo "installed release 9.8.7 for a user"
