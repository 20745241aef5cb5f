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
. "$here/common.sh"
bench_scl_directory "$work/NVSCL.INI"
label_width=34 show_output=1
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
