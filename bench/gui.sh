#!/usr/bin/env bash
# Time from start to the filled view (grid, tree, text with marks, output
# pane) and peak memory of the desktop program under Xvfb (the web page's
# own process is not counted), next to
# valorix-check on the same generated pain.001 files, in tree mode and event
# mode.
#   bench/gui.sh [BUILD_DIR] [SIZES...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
shift || true
sizes=("${@:-1000 10000 100000}")
work=$(mktemp -d)
# One virtual X server for all runs, so that only the program is measured.
display=:$(( 90 + RANDOM % 100 ))
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
export DISPLAY=$display
sleep 1
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_DATA_HOME/Norvane/Valorix"
printf 'Gueltig ab / valid from 01.12.2026;;;;;;\nBIC;Name;SERVICE SCT;SERVICE COR;SERVICE COR1;SERVICE B2B;SERVICE SCC\nBYLADEM1001;A;1;1;1;1;0\nCOBADEFFXXX;B;1;1;1;1;0\n' >"$work/scl.csv"
"$build/valorix-check" --import-scl "$work/scl.csv" "$XDG_DATA_HOME/Norvane/Valorix/NVSCL.INI" >/dev/null
measure() {  # label, command...
    local label=$1; shift
    /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>&1 || true
    read -r secs kb < <(tail -n 1 "$work/time")
    printf '%-34s %8.2f s %8d MB\n' "$label" "$secs" $((kb / 1024))
}
for n in ${sizes[*]}; do
    f=$work/ct-$n.xml
    python3 "$here/gen_payments.py" ct "$n" 10 >"$f"
    echo "== ct, $n transactions, $(( $(stat -c %s "$f") / 1024 / 1024 )) MB"
    for mode in 0 1; do
        label=$([ $mode = 1 ] && echo "event mode" || echo "tree mode")
        mkdir -p "$XDG_CONFIG_HOME/HKCU/Software/Norvane/Valorix/OPTION"
        echo $mode >"$XDG_CONFIG_HOME/HKCU/Software/Norvane/Valorix/OPTION/SAX"
        measure "valorix, $label" "$build/valorix" --exit-after-open "$f"
        opt=(); [ $mode = 1 ] && opt=(--sax)
        measure "valorix-check, $label" "$build/valorix-check" "${opt[@]}" "$f"
    done
done
