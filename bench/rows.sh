#!/usr/bin/env bash
# Whole-process time and peak memory of a check that keeps the structure
# grid's rows and the tree's items, as the desktop program does, in tree mode
# and event mode, next to the command line's check without them.
#   bench/rows.sh [BUILD_DIR] [SIZES...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
sizes=("${@:-100000}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
printf 'Gueltig ab / valid from 01.12.2026;;;;;;\nBIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\nBYLADEM1001;A;1;1;1;1;0\nCOBADEFFXXX;B;1;1;1;1;0\n' >"$work/scl.csv"
"$build/valorix-check" --import-scl "$work/scl.csv" "$work/NVSCL.INI" >/dev/null
measure() {  # label, command...
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time")
    printf '%-34s %8.2f s %8d MB   %s\n' "$label" "$secs" $((kb / 1024)) "$(head -c 80 "$work/out" | head -n 1)"
}
for n in ${sizes[*]}; do
    for kind in ct dd; do
        f=$work/$kind-$n.xml
        python3 "$here/gen_payments.py" "$kind" "$n" 10 >"$f"
        echo "== $kind, $n transactions, $(( $(stat -c %s "$f") / 1024 / 1024 )) MB"
        measure "rows kept, tree mode" "$build/valorix-bench-rows" --scl "$work/NVSCL.INI" "$f"
        measure "rows kept, event mode" "$build/valorix-bench-rows" --sax --scl "$work/NVSCL.INI" "$f"
        measure "valorix-check" "$build/valorix-check" --scl "$work/NVSCL.INI" "$f"
        measure "valorix-check --sax" "$build/valorix-check" --sax --scl "$work/NVSCL.INI" "$f"
    done
done
