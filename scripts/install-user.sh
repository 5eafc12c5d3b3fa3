#!/usr/bin/env bash
# Installs a release archive made by scripts/make-release.sh for the current user only:
#   ~/.local/opt/parcella/VERSION/   the release, next to earlier ones
#   ~/.local/opt/parcella/current    the link naming the version that starts (swapped atomically)
#   ~/.local/bin/parcella, parcella-cli, and the desktop entries and icons under ~/.local/share
# This copy updates itself from its release feed. Usage: scripts/install-user.sh ARCHIVE
set -euo pipefail

archive=${1:?usage: install-user.sh parcella-VERSION-linux-ARCH.tar.gz}
name=$(basename "$archive")
[[ "$name" =~ ^parcella-([0-9]+(\.[0-9]+)*)-linux- ]] || {
    echo "install-user: cannot tell the version from $name" >&2
    exit 2
}
version=${BASH_REMATCH[1]}
data=${XDG_DATA_HOME:-$HOME/.local/share}
opt=$HOME/.local/opt/parcella
bin=$HOME/.local/bin

mkdir -p "$opt" "$bin" "$data/applications" "$data/icons"
staging=$(mktemp -d "$opt/.staging-XXXXXX")
trap 'rm -rf "$staging"' EXIT
mkdir "$staging/tree"
tar -xzf "$archive" -C "$staging/tree" --no-same-owner
[ -x "$staging/tree/bin/parcella" ] || { echo "install-user: no bin/parcella in $name" >&2; exit 1; }

if [ "$(readlink "$opt/current" 2>/dev/null)" = "$version" ]; then
    echo "install-user: version $version is already installed" >&2
    exit 1
fi
rm -rf "${opt:?}/$version"
mv "$staging/tree" "$opt/$version"
ln -sfn "$version" "$opt/.current-new"
mv -T "$opt/.current-new" "$opt/current"

for program in parcella parcella-cli; do
    [ -x "$opt/current/bin/$program" ] && ln -sfn "$opt/current/bin/$program" "$bin/$program"
done
# ~/.local/bin may not be on the desktop's PATH: the entries name the program by its full path.
for entry in "$opt/current/share/applications/"*.desktop; do
    [ -f "$entry" ] || continue
    sed -E "s|^Exec=(parcella(-cli)?)\b|Exec=$bin/\1|" "$entry" >"$data/applications/$(basename "$entry")"
done
[ -d "$opt/current/share/icons" ] && cp -r "$opt/current/share/icons/." "$data/icons/"
command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
echo "Parcella $version is installed in $opt/$version; start it with $bin/parcella"
