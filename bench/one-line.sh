#!/usr/bin/env bash
# Files written on a single line, as banking software often writes them: the
# report's positions and marks must stay linear in the size of the line.
#   bench/one-line.sh [BUILD_DIR] [TRANSACTIONS] [STRAY_TRANSACTIONS]
# 1. TRANSACTIONS credit transfers on one line, every IBAN with the invalid
#    check digits 00: one finding per transaction (tree and event mode).
# 2. STRAY_TRANSACTIONS transactions whose names carry Latin-1 umlauts in a file
#    declared UTF-8: not well-formed, one stray-character line per umlaut.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
n=${2:-16000}
stray=${3:-160000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
measure() {  # label, command...
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >"$work/out" 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time")
    printf '%-52s %8.2f s %8d MB %8d lines\n' "$label" "$secs" $((kb / 1024)) "$(wc -l <"$work/out")"
}
python3 "$here/gen_payments.py" ct "$n" 10 | sed 's#<IBAN>DE[0-9][0-9]#<IBAN>DE00#g' >"$work/lines.xml"
tr -d '\n' <"$work/lines.xml" >"$work/one.xml"
echo "== $n transactions, one finding each"
measure "valorix-check, line breaks" "$build/valorix-check" "$work/lines.xml"
measure "valorix-check, one line" "$build/valorix-check" "$work/one.xml"
measure "valorix-check --sax, one line" "$build/valorix-check" --sax "$work/one.xml"
python3 "$here/gen_payments.py" ct "$stray" 10 | sed 's#<Nm>#<Nm>M\xfcller B\xe4cker Stra\xdfe \xf6l #g' >"$work/stray.xml"
echo "== $stray transactions, Latin-1 umlauts in a file declared UTF-8"
measure "valorix-check" "$build/valorix-check" "$work/stray.xml"
