#!/usr/bin/env bash
# scripts/fetch-schemas.sh against a loopback HTTP mirror of the schema folder:
# every file arrives with its hash; a file the mirror serves altered is
# refused and not written; a later run keeps what is there and fetches the rest.
#   tests/fetch_schemas.sh SOURCE_DIR SCHEMA_DIR
set -euo pipefail
source=$1
schemas=$2
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp -r "$schemas" "$work/mirror"
altered=current/dk/pain.001.001.09_GBIC_5.xsd
printf ' ' >>"$work/mirror/$altered"
rm "$work/mirror/BbkXmwBasis.xsd"
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/mirror" 0 >"$work/server.log" 2>&1 &
server=$!
for _ in $(seq 50); do grep -q "port" "$work/server.log" && break; sleep 0.1; done
port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$work/server.log" | head -1)
[ -n "$port" ] || fail "no server: $(cat "$work/server.log")"
mirror=http://127.0.0.1:$port

status=0
"$source/scripts/fetch-schemas.sh" "$work/out" --mirror "$mirror" >"$work/stdout" 2>"$work/stderr" || status=$?
[ "$status" = 1 ] || fail "exit status $status with an altered and a missing file"
expected_err="fetch-schemas.sh: $altered: SHA-256 $(sha256sum <"$work/mirror/$altered" | cut -d' ' -f1) instead of $(sha256sum <"$schemas/$altered" | cut -d' ' -f1), refused
curl: (22) The requested URL returned error: 404
fetch-schemas.sh: BbkXmwBasis.xsd: cannot be downloaded from $mirror/BbkXmwBasis.xsd"
[ "$(cat "$work/stderr")" = "$expected_err" ] || fail "stderr: $(cat "$work/stderr")"
[ "$(cat "$work/stdout")" = "fetch-schemas.sh: 35 downloaded, 0 already present, 2 failed" ] || fail "$(cat "$work/stdout")"
[ ! -e "$work/out/$altered" ] || fail "the altered file was written"

# The mirror repaired: the second run fetches only the two files.
cp "$schemas/$altered" "$work/mirror/$altered"
cp "$schemas/BbkXmwBasis.xsd" "$work/mirror/"
"$source/scripts/fetch-schemas.sh" "$work/out" --mirror "$mirror" >"$work/stdout" || fail "second run: $(cat "$work/stdout")"
[ "$(cat "$work/stdout")" = "fetch-schemas.sh: 2 downloaded, 35 already present, 0 failed" ] || fail "$(cat "$work/stdout")"
# Laid out as the build reads them, byte for byte.
while IFS=$'\t' read -r path _; do
    case "$path" in ''|'#'*) continue ;; esac
    cmp -s "$work/out/$path" "$schemas/$path" || fail "$path differs"
done <"$source/cmake/schemas.manifest"
echo "fetch_schemas.sh: passed"
