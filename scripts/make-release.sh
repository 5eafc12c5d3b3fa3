#!/usr/bin/env bash
# Makes a signed release for the per-user installation: the archive, its feed entry and the feed.
#
#   scripts/make-release.sh --key KEY.pem --version 0.2.0 --base-url https://host/releases/ \
#       (--tree DIR | --build BUILD_DIR) [--out DIR] [--notes URL] [--short-version 0.2] \
#       [--feed-url URL]
#
# --tree is a folder laid out like an installation (bin/parcella, share/…); --build installs the
# built tree into a fresh folder first. KEY.pem is an Ed25519 private key
# (openssl genpkey -algorithm ed25519 -out KEY.pem). With --feed-url the release's own
# share/parcella/Info.json names the feed and the key's public half, so the installed copy trusts
# only releases signed with this key. Writes into --out (default: releases/):
#   parcella-VERSION-linux-ARCH.tar.gz   the archive (bin/parcella … at its top)
#   parcella-VERSION.item.xml            its feed entry (length and Ed25519 signature)
#   appcast.xml                          the feed: every *.item.xml of the folder, newest first
#   public-key.txt                       base64 of the raw public key ("PCUpdatePublicKey")
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
key="" version="" short="" base="" tree="" build="" out=releases notes="" feed=""
while [ $# -gt 0 ]; do
    case "$1" in
    --key) key=$2 ;;
    --version) version=$2 ;;
    --short-version) short=$2 ;;
    --base-url) base=$2 ;;
    --tree) tree=$2 ;;
    --build) build=$2 ;;
    --out) out=$2 ;;
    --notes) notes=$2 ;;
    --feed-url) feed=$2 ;;
    *) echo "make-release: unknown argument $1" >&2; exit 2 ;;
    esac
    shift 2
done
if [ -z "$key" ] || [ -z "$version" ] || [ -z "$base" ] || { [ -z "$tree" ] && [ -z "$build" ]; }; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d' >&2
    exit 2
fi
[[ "$version" =~ ^[0-9]+(\.[0-9]+)*$ ]] || { echo "make-release: version must be numbers and dots" >&2; exit 2; }
short=${short:-$version}

staging=$(mktemp -d)
trap 'rm -rf "$staging"' EXIT
if [ -n "$build" ]; then
    cmake --install "$build" --prefix "$staging/tree" --strip >/dev/null
    # The stand-in service is a development tool, not part of the application.
    rm -f "$staging/tree/bin/parcella-devservice"
else
    cp -a "$tree" "$staging/tree"
fi
[ -x "$staging/tree/bin/parcella" ] || { echo "make-release: no bin/parcella in the tree" >&2; exit 1; }

public_key=$(openssl pkey -in "$key" -pubout -outform DER | tail -c 32 | base64 -w0)
if [ -n "$feed" ]; then
    info="$staging/tree/share/parcella/Info.json"
    template=$root/ParcelKit/Info.json
    [ -f "$info" ] && template=$info
    mkdir -p "$(dirname "$info")"
    python3 - "$template" "$info" "$feed" "$public_key" <<'PY'
import json, sys
template, target, feed, key = sys.argv[1:]
with open(template) as f:
    info = json.load(f)
info["PCUpdateFeedURL"] = feed
info["PCUpdatePublicKey"] = key
with open(target, "w") as f:
    json.dump(info, f, indent=4)
    f.write("\n")
PY
fi

mkdir -p "$out"
archive_name="parcella-$version-linux-$(uname -m).tar.gz"
archive="$out/$archive_name"
tar --sort=name --owner=0 --group=0 --numeric-owner -czf "$archive" -C "$staging/tree" .
signature=$(openssl pkeyutl -sign -inkey "$key" -rawin -in "$archive" | base64 -w0)
length=$(stat -c %s "$archive")

xml_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
url=$(printf '%s%s' "${base%/}/" "$archive_name" | xml_escape)
{
    echo "    <item>"
    echo "      <title>Version $short</title>"
    echo "      <pubDate>$(LC_ALL=C date -u '+%a, %d %b %Y %H:%M:%S +0000')</pubDate>"
    echo "      <parcella:version>$version</parcella:version>"
    echo "      <parcella:shortVersionString>$(printf '%s' "$short" | xml_escape)</parcella:shortVersionString>"
    [ -n "$notes" ] && echo "      <parcella:releaseNotesLink>$(printf '%s' "$notes" | xml_escape)</parcella:releaseNotesLink>"
    echo "      <enclosure url=\"$url\" length=\"$length\" type=\"application/gzip\" parcella:edSignature=\"$signature\"/>"
    echo "    </item>"
} >"$out/parcella-$version.item.xml"

{
    echo '<?xml version="1.0" encoding="utf-8"?>'
    echo '<rss version="2.0" xmlns:parcella="https://parcella.app/xml-namespaces/update">'
    echo '  <channel>'
    echo '    <title>Parcella</title>'
    for item in $(ls "$out"/parcella-*.item.xml | sort -V -r); do
        cat "$item"
    done
    echo '  </channel>'
    echo '</rss>'
} >"$out/appcast.xml"
echo "$public_key" >"$out/public-key.txt"
echo "$archive"
