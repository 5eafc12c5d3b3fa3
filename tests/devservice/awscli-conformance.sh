#!/usr/bin/env bash
# Conformance of the devservice storage with real S3 clients: aws-cli uploads a file above its
# multipart threshold, lists the parts of an unfinished upload, completes and aborts uploads and
# downloads again, comparing SHA-256 digests, also under a key with characters the signature
# encodes; curl checks the interim answer to a mixed-case
# Expect; rclone does the same round trip when it is installed.
# Usage: awscli-conformance.sh PATH-TO-parcella-devservice
set -euo pipefail

devservice=${1:?usage: $0 PATH-TO-parcella-devservice}

# The Debian package is the reference client; AWS_CLI picks another, any aws on PATH will do.
aws_bin=${AWS_CLI:-/usr/bin/aws}
[ -x "$aws_bin" ] || aws_bin=$(command -v aws || true)
if [ -z "$aws_bin" ]; then
    echo "SKIP: aws-cli is not installed (Debian package awscli)"
    exit 77
fi

work=$(mktemp -d)
service_pid=""
cleanup() {
    if [ -n "$service_pid" ]; then
        kill "$service_pid" 2>/dev/null || true
        wait "$service_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

: >"$work/stdout" # exists before the service writes to it, for the poll below
"$devservice" --listen 127.0.0.1:0 --data "$work/data" >"$work/stdout" 2>"$work/stderr" &
service_pid=$!
endpoint=""
for _ in $(seq 100); do
    endpoint=$(sed -n 's/^parcella-devservice listening on \(http:\/\/.*\)$/\1/p' "$work/stdout")
    [ -n "$endpoint" ] && break
    kill -0 "$service_pid" 2>/dev/null || fail "devservice exited: $(cat "$work/stderr")"
    sleep 0.1
done
[ -n "$endpoint" ] || fail "devservice did not announce its address"

unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY all_proxy ALL_PROXY AWS_PROFILE AWS_CA_BUNDLE
unset AWS_ACCESS_KEY_ID AWS_SECRET_ACCESS_KEY AWS_SESSION_TOKEN AWS_ENDPOINT_URL
export NO_PROXY=127.0.0.1,localhost no_proxy=127.0.0.1,localhost
export AWS_CONFIG_FILE="$work/aws-config" AWS_SHARED_CREDENTIALS_FILE="$work/aws-credentials"
export AWS_EC2_METADATA_DISABLED=true AWS_PAGER=""
cat >"$AWS_CONFIG_FILE" <<CONFIG
[default]
region = us-east-1
output = json
s3 =
    addressing_style = path
    multipart_threshold = 8MB
    multipart_chunksize = 5MB
CONFIG
cat >"$AWS_SHARED_CREDENTIALS_FILE" <<CREDENTIALS
[default]
aws_access_key_id = parcella-dev
aws_secret_access_key = parcella-dev-secret
CREDENTIALS

aws() {
    timeout 120 "$aws_bin" --endpoint-url "$endpoint" "$@"
}
digest() {
    sha256sum "$1" | cut -d' ' -f1
}

echo "using $("$aws_bin" --version 2>&1) against $endpoint"
bucket=conformance
aws s3 mb "s3://$bucket" >/dev/null

# A file above the multipart threshold: five parts of 5 MiB and a shorter last one.
head -c 23000000 /dev/urandom >"$work/original.bin"
aws s3 cp --only-show-errors "$work/original.bin" "s3://$bucket/dir/original.bin"
etag=$(aws s3api head-object --bucket "$bucket" --key dir/original.bin --query ETag --output text)
[[ $etag == *-5\" ]] || fail "expected a five-part multipart ETag, got $etag"
aws s3 cp --only-show-errors "s3://$bucket/dir/original.bin" "$work/downloaded.bin"
[ "$(digest "$work/original.bin")" = "$(digest "$work/downloaded.bin")" ] ||
    fail "downloaded object differs from the upload"
aws s3 ls "s3://$bucket/dir/" | grep -q "23000000 original.bin" || fail "listing misses the object"

# A key with characters the signature encodes (space, plus, tilde, non-ASCII).
key='dir/a b+c~é.txt'
echo "odd key" >"$work/odd.txt"
aws s3 cp --only-show-errors "$work/odd.txt" "s3://$bucket/$key"
aws s3 cp --only-show-errors "s3://$bucket/$key" "$work/odd-back.txt"
cmp -s "$work/odd.txt" "$work/odd-back.txt" || fail "a key with encoded characters did not round-trip"

# An unfinished upload driven part by part, listed, then completed from its own listing.
head -c 5242880 /dev/urandom >"$work/part1.bin"
head -c 1000 /dev/urandom >"$work/part2.bin"
upload=$(aws s3api create-multipart-upload --bucket "$bucket" --key unfinished.bin \
    --query UploadId --output text)
etag1=$(aws s3api upload-part --bucket "$bucket" --key unfinished.bin --upload-id "$upload" \
    --part-number 1 --body "$work/part1.bin" --query ETag --output text)
etag2=$(aws s3api upload-part --bucket "$bucket" --key unfinished.bin --upload-id "$upload" \
    --part-number 2 --body "$work/part2.bin" --query ETag --output text)
[ "$etag1" = "\"$(md5sum "$work/part1.bin" | cut -d' ' -f1)\"" ] || fail "part ETag is not the MD5"
listed=$(aws s3api list-parts --bucket "$bucket" --key unfinished.bin --upload-id "$upload" \
    --query 'Parts[].[PartNumber,Size,ETag]' --output text)
expected=$(printf '1\t5242880\t%s\n2\t1000\t%s' "$etag1" "$etag2")
[ "$listed" = "$expected" ] || fail "list-parts gave: $listed"
aws s3api list-parts --bucket "$bucket" --key unfinished.bin --upload-id "$upload" \
    --query '{Parts: Parts[].{PartNumber: PartNumber, ETag: ETag}}' >"$work/parts.json"
aws s3api complete-multipart-upload --bucket "$bucket" --key unfinished.bin \
    --upload-id "$upload" --multipart-upload "file://$work/parts.json" >/dev/null
aws s3 cp --only-show-errors "s3://$bucket/unfinished.bin" "$work/unfinished.bin"
[ "$(cat "$work/part1.bin" "$work/part2.bin" | sha256sum | cut -d' ' -f1)" = \
    "$(digest "$work/unfinished.bin")" ] || fail "completed object differs from its parts"

# An aborted upload is gone for good.
upload=$(aws s3api create-multipart-upload --bucket "$bucket" --key aborted.bin \
    --query UploadId --output text)
aws s3api abort-multipart-upload --bucket "$bucket" --key aborted.bin --upload-id "$upload"
if aws s3api list-parts --bucket "$bucket" --key aborted.bin --upload-id "$upload" \
    >/dev/null 2>"$work/error.txt"; then
    fail "an aborted upload still lists its parts"
fi
grep -q NoSuchUpload "$work/error.txt" || fail "expected NoSuchUpload: $(cat "$work/error.txt")"

aws s3 rm --only-show-errors "s3://$bucket/dir/original.bin"
if aws s3api head-object --bucket "$bucket" --key dir/original.bin >/dev/null 2>&1; then
    fail "a removed object is still there"
fi
echo "aws-cli: ok"

# Go's S3 clients write "Expect: 100-Continue". The value is case-insensitive; unanswered, each
# part body waits out the client's one-second timer.
head -c 1000 /dev/urandom >"$work/expect.bin"
timeout 60 curl -sS -v --aws-sigv4 "aws:amz:us-east-1:s3" --user parcella-dev:parcella-dev-secret \
    -H 'x-amz-content-sha256: UNSIGNED-PAYLOAD' -H 'Expect: 100-Continue' --expect100-timeout 30 \
    -T "$work/expect.bin" "$endpoint/$bucket/expect.bin" >/dev/null 2>"$work/expect.log" ||
    fail "PUT with Expect: 100-Continue failed: $(cat "$work/expect.log")"
grep -q '^< HTTP/1.1 100 Continue' "$work/expect.log" ||
    fail "no interim 100 Continue for Expect: 100-Continue"
echo "Expect: 100-Continue: ok"

if command -v rclone >/dev/null; then
    export RCLONE_CONFIG="$work/rclone.conf"
    cat >"$RCLONE_CONFIG" <<CONFIG
[dev]
type = s3
provider = Other
access_key_id = parcella-dev
secret_access_key = parcella-dev-secret
endpoint = $endpoint
region = us-east-1
force_path_style = true
CONFIG
    rclone_opts=(--s3-upload-cutoff 5M --s3-chunk-size 5M --retries 1 --low-level-retries 1)
    timeout 120 rclone copyto "${rclone_opts[@]}" "$work/original.bin" "dev:$bucket/rclone.bin"
    timeout 120 rclone copyto "${rclone_opts[@]}" "dev:$bucket/rclone.bin" "$work/rclone-back.bin"
    [ "$(digest "$work/original.bin")" = "$(digest "$work/rclone-back.bin")" ] ||
        fail "rclone round trip differs"
    echo "rclone: ok"
else
    echo "rclone not installed; only aws-cli was checked"
fi
