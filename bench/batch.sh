#!/usr/bin/env bash
# Batch checks and the DK subset fallback:
#  - 200 files of 1,000 credit transfers checked in one run of valorix-check
#    with -j 1 and with -j 2 (the same reports, the time should nearly halve);
#  - a file of today's edition that the newest DK subset accepts next to one
#    that only the older subset accepts (its currency is not the euro): on two
#    cores the older subset is validated meanwhile, so both take about as long.
#   bench/batch.sh [BUILD_DIR] [FILES] [TRANSACTIONS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
files=${2:-200}
n=${3:-1000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config VALORIX_HISTORY=0
. "$here/common.sh"
bench_scl_directory "$work/NVSCL.INI"
mkdir "$work/batch"
python3 "$here/gen_payments.py" ct "$n" 10 >"$work/one.xml"
for i in $(seq 1 "$files"); do
    sed "s/<MsgId>\([^<]*\)</<MsgId>\1-$i</" "$work/one.xml" >"$work/batch/f$(printf %04d "$i").xml"
done
echo "== $files files of $n transactions"
for j in 1 2; do
    measure "valorix-check -j $j" "$build/valorix-check" -j "$j" --scl "$work/NVSCL.INI" "$work"/batch/*.xml
done
"$build/valorix-check" -j 1 --scl "$work/NVSCL.INI" "$work"/batch/*.xml >"$work/j1.out" || true
"$build/valorix-check" -j 2 --scl "$work/NVSCL.INI" "$work"/batch/*.xml >"$work/j2.out" || true
cmp -s "$work/j1.out" "$work/j2.out" && echo "reports of -j 1 and -j 2: the same" || echo "reports of -j 1 and -j 2 DIFFER"
big=${BIG:-100000}
python3 "$here/gen_payments.py" ct "$big" 10 3.9 >"$work/gbic5.xml"
sed 's/Ccy="EUR"/Ccy="CHF"/g' "$work/gbic5.xml" >"$work/gbic4.xml"
echo "== $big transactions of today's edition"
for f in gbic5 gbic4; do
    measure "valorix-check ($f accepts it)" "$build/valorix-check" --scl "$work/NVSCL.INI" "$work/$f.xml"
    measure "valorix-check --sax ($f accepts it)" "$build/valorix-check" --sax --scl "$work/NVSCL.INI" "$work/$f.xml"
done
"$build/valorix-check" --scl "$work/NVSCL.INI" "$work/gbic4.xml" | head -n 1 | cut -c1-110
