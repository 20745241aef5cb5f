#!/usr/bin/env bash
# Downloads the published schema files the build embeds (cmake/schemas.manifest)
# into DIR, laid out as VALORIX_SCHEMA_DIR expects. Each file is checked
# against its SHA-256: a file with another hash is refused and not written.
# A file already in DIR with the right hash is kept.
#   scripts/fetch-schemas.sh DIR [--mirror URL]
# --mirror URL fetches URL/PATH (a copy of a schema folder served over HTTP)
# instead of each file's public source address.
# Exit 0 when every file is in DIR with its hash, 1 otherwise.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ne 1 ] && { [ $# -ne 3 ] || [ "$2" != --mirror ]; }; then
    echo "usage: scripts/fetch-schemas.sh DIR [--mirror URL]" >&2
    exit 2
fi
dir=$1
mirror=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0 fetched=0 kept=0
while IFS=$'\t' read -r path sha url transform; do
    case "$path" in ''|'#'*) continue ;; esac
    target=$dir/$path
    if [ -f "$target" ] && [ "$(sha256sum <"$target" | cut -d' ' -f1)" = "$sha" ]; then
        kept=$((kept + 1))
        continue
    fi
    [ -n "$mirror" ] && url=$mirror/$path
    if ! curl -fsSL --proto '=https,http' --max-time 60 -o "$work/file" "$url"; then
        echo "fetch-schemas.sh: $path: cannot be downloaded from $url" >&2
        failed=$((failed + 1))
        continue
    fi
    # The published file has CRLF line endings where the source stores LF.
    if [ "$transform" = crlf ]; then sed -i 's/\r$//; s/$/\r/' "$work/file"; fi
    got=$(sha256sum <"$work/file" | cut -d' ' -f1)
    if [ "$got" != "$sha" ]; then
        echo "fetch-schemas.sh: $path: SHA-256 $got instead of $sha, refused" >&2
        failed=$((failed + 1))
        continue
    fi
    mkdir -p "$(dirname "$target")"
    mv "$work/file" "$target"
    fetched=$((fetched + 1))
done <"$here/cmake/schemas.manifest"
echo "fetch-schemas.sh: $fetched downloaded, $kept already present, $failed failed"
[ "$failed" -eq 0 ]
