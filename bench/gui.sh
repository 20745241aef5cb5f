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
. "$here/common.sh"
bench_scl_directory "$XDG_DATA_HOME/Norvane/Valorix/NVSCL.INI"
label_width=34
# The start-up's online check reads its answer from the data folder (a current
# directory): no network, no message box.
echo "STAND2 : #20261201" >"$XDG_DATA_HOME/Norvane/Valorix/SCL2.htm"
mkdir -p "$XDG_CONFIG_HOME/HKCU/Software/Norvane/Valorix/DEBUG"
echo 1 >"$XDG_CONFIG_HOME/HKCU/Software/Norvane/Valorix/DEBUG/OTHER"
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
