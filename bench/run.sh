#!/usr/bin/env bash
# Whole-process time and peak memory of valorix-check (tree mode and event
# mode) next to xmllint's schema validation (tree and streaming), on generated
# files of 1,000 to 100,000 transactions, of edition 3.0 or (EDITION=3.9)
# the edition banks accept today, validated against its DK subset.
#   [EDITION=3.9] bench/run.sh [BUILD_DIR] [SIZES...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
sizes=("${@:-1000 10000 100000}")
schemas=${VALORIX_SCHEMA_DIR:-$here/../../shared/schemas}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
. "$here/common.sh"
bench_scl_directory "$work/NVSCL.INI"
for n in ${sizes[*]}; do
    for kind in ct dd; do
        f=$work/$kind-$n.xml
        python3 "$here/gen_payments.py" "$kind" "$n" 10 "${EDITION:-3.0}" >"$f"
        if [ "${EDITION:-3.0}" = 3.9 ]; then
            schema=$schemas/current/dk/pain.001.001.09_GBIC_5.xsd
            [ "$kind" = dd ] && schema=$schemas/current/dk/pain.008.001.08_GBIC_5.xsd
        else
            schema=$schemas/pain.001.001.03.xsd
            [ "$kind" = dd ] && schema=$schemas/pain.008.001.02.xsd
        fi
        size=$(( $(stat -c %s "$f") / 1024 / 1024 ))
        echo "== $kind, $n transactions, $size MB"
        measure "valorix-check" "$build/valorix-check" --scl "$work/NVSCL.INI" "$f"
        "$build/valorix-check" --scl "$work/NVSCL.INI" "$f" | head -n 3 | cut -c1-110
        measure "valorix-check --sax" "$build/valorix-check" --sax --scl "$work/NVSCL.INI" "$f"
        measure "xmllint --noout --schema" xmllint --noout --schema "$schema" "$f"
        measure "xmllint --stream --noout --schema" xmllint --stream --noout --schema "$schema" "$f"
    done
done
