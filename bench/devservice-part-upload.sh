#!/usr/bin/env bash
# Raw part-upload throughput of the devservice storage: PUTs a 1 GiB series of 16 MiB parts to
# presigned URLs with curl over loopback, first one after another on one connection, then three
# at a time (as the application's worker does), and prints GB/s and the server's CPU time.
# Usage: devservice-part-upload.sh PATH-TO-parcella-devservice [PARTS]
set -euo pipefail

devservice=${1:?usage: $0 PATH-TO-parcella-devservice [PARTS]}
parts=${2:-64}
work=$(mktemp -d)
service_pid=""
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null && wait "$service_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY

: >"$work/stdout" # exists before the service writes to it, for the poll below
"$devservice" --listen 127.0.0.1:0 --data "$work/data" >"$work/stdout" &
service_pid=$!
endpoint=""
for _ in $(seq 100); do
    endpoint=$(sed -n 's/^parcella-devservice listening on \(http:\/\/.*\)$/\1/p' "$work/stdout")
    [ -n "$endpoint" ] && break
    sleep 0.1
done
[ -n "$endpoint" ] || { echo "devservice did not start" >&2; exit 1; }

# Presigned URLs for the default development credentials, one per line.
presign() { # METHOD KEY [QUERY...]
    python3 - "$endpoint" "$@" <<'PY'
import datetime, hashlib, hmac, sys, urllib.parse
base, method, key, *pairs = sys.argv[1:]
now = datetime.datetime.now(datetime.timezone.utc).strftime("%Y%m%dT%H%M%SZ")
scope = f"{now[:8]}/us-east-1/s3/aws4_request"
enc = lambda s: urllib.parse.quote(s, safe="-_.~")
def url(extra):
    q = dict(p.split("=", 1) for p in extra)
    q.update({"X-Amz-Algorithm": "AWS4-HMAC-SHA256", "X-Amz-Credential": "parcella-dev/" + scope,
              "X-Amz-Date": now, "X-Amz-Expires": "3600", "X-Amz-SignedHeaders": "host"})
    query = "&".join(f"{enc(k)}={enc(v)}" for k, v in sorted(q.items()))
    path = "/bench/" + urllib.parse.quote(key, safe="-_.~/")
    request = "\n".join([method, path, query, "host:" + urllib.parse.urlparse(base).netloc + "\n",
                         "host", "UNSIGNED-PAYLOAD"])
    text = "\n".join(["AWS4-HMAC-SHA256", now, scope, hashlib.sha256(request.encode()).hexdigest()])
    k = b"AWS4parcella-dev-secret"
    for part in scope.split("/"):
        k = hmac.new(k, part.encode(), hashlib.sha256).digest()
    return f"{base}{path}?{query}&X-Amz-Signature={hmac.new(k, text.encode(), hashlib.sha256).hexdigest()}"
if pairs and pairs[0].startswith("parts="):
    count, upload = int(pairs[0][6:]), pairs[1]
    for n in range(1, count + 1):
        print(url([f"partNumber={n}", f"uploadId={upload}"]))
else:
    print(url(pairs))
PY
}

curl -sf -X PUT "$(presign PUT "")" >/dev/null
head -c $((16 << 20)) /dev/urandom >"$work/part"
server_cpu() { awk '{print ($14 + $15) / 100}' "/proc/$service_pid/stat"; }

run() { # LABEL CURL-OPTIONS...
    local label=$1
    shift
    local upload
    upload=$(curl -sf -X POST "$(presign POST "series-$label" uploads=)" |
        sed -n 's/.*<UploadId>\(.*\)<\/UploadId>.*/\1/p')
    presign PUT "series-$label" "parts=$parts" "$upload" |
        while read -r u; do printf 'url="%s"\nupload-file="%s"\noutput=/dev/null\n' "$u" "$work/part"; done \
            >"$work/curl.cfg"
    local cpu0 t0 t1 cpu1
    cpu0=$(server_cpu)
    t0=$(date +%s.%N)
    curl -sf --no-progress-meter -H 'Expect:' "$@" -K "$work/curl.cfg"
    t1=$(date +%s.%N)
    cpu1=$(server_cpu)
    awk -v b=$((parts << 24)) -v t0="$t0" -v t1="$t1" -v c0="$cpu0" -v c1="$cpu1" -v l="$label" \
        'BEGIN { printf "%-12s %.2f GB/s (%.2f s for %.2f GiB, server CPU %.2f s)\n", l, b / (t1 - t0) / 1e9, t1 - t0, b / 2^30, c1 - c0 }'
}

run sequential
run parallel-3 --parallel --parallel-max 3
