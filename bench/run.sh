#!/usr/bin/env bash
# Whole-process time and peak memory of valorix-check (tree mode and event
# mode) next to xmllint's schema validation (tree and streaming), on generated
# files of 1,000 to 100,000 transactions.
#   bench/run.sh [BUILD_DIR] [SIZES...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
sizes=("${@:-1000 10000 100000}")
schemas=${VALORIX_SCHEMA_DIR:-$here/../../shared/schemas}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
# The banks of the generated files, as an SCL directory.
printf 'Gueltig ab / valid from 01.12.2026;;;;;;\nBIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\nBYLADEM1001;A;1;1;1;1;0\nCOBADEFFXXX;B;1;1;1;1;0\n' >"$work/scl.csv"
"$build/valorix-check" --import-scl "$work/scl.csv" "$work/NVSCL.INI" >/dev/null
measure() {  # label, command...
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time")
    printf '%-44s %8.2f s %8d MB\n' "$label" "$secs" $((kb / 1024))
}
for n in ${sizes[*]}; do
    for kind in ct dd; do
        f=$work/$kind-$n.xml
        python3 "$here/gen_payments.py" "$kind" "$n" 10 >"$f"
        schema=$schemas/pain.001.001.03.xsd
        [ "$kind" = dd ] && schema=$schemas/pain.008.001.02.xsd
        size=$(( $(stat -c %s "$f") / 1024 / 1024 ))
        echo "== $kind, $n transactions, $size MB"
        measure "valorix-check" "$build/valorix-check" --scl "$work/NVSCL.INI" "$f"
        "$build/valorix-check" --scl "$work/NVSCL.INI" "$f" | head -n 3 | cut -c1-110
        measure "valorix-check --sax" "$build/valorix-check" --sax --scl "$work/NVSCL.INI" "$f"
        measure "xmllint --noout --schema" xmllint --noout --schema "$schema" "$f"
        measure "xmllint --stream --noout --schema" xmllint --stream --noout --schema "$schema" "$f"
    done
done
