#!/usr/bin/env bash
# Files made to exhaust the checker (deep nesting, entity expansion, many
# attributes, nested blocks, many findings on one line, stray bytes), each
# about 1 MB: every one must end in both modes within 2 s and 512 MB.
#   bench/hostile.sh [BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
python3 "$here/hostile_files.py" "$work"
printf '%-24s %-6s %8s %8s %7s  %s\n' file mode seconds MB lines "first finding"
for f in "$work"/*.xml; do
    for mode in tree sax; do
        opt=(); [ "$mode" = sax ] && opt=(--sax)
        /usr/bin/time -f "%e %M" -o "$work/time" "$build/valorix-check" "${opt[@]}" "$f" >"$work/out" 2>&1 || true
        read -r secs kb < <(tail -n 1 "$work/time")
        printf '%-24s %-6s %8.2f %8d %7d  %s\n' "$(basename "$f" .xml)" "$mode" "$secs" $((kb / 1024)) \
            "$(wc -l <"$work/out")" "$(sed -n 2p "$work/out" | cut -c1-70)"
    done
done
