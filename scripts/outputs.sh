#!/usr/bin/env bash
# The reports of both modes (text and JSON, with the exit status) for every
# sample file, test fixture and generated benchmark file, written into a
# folder; with --compare, compared with such a folder instead. A change that
# must not alter any report is checked by recording before and comparing after.
#   scripts/outputs.sh VALORIX_CHECK FOLDER [--compare]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
target=$2
compare=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
# The history would name the temporary folder and the time of each run.
export VALORIX_HISTORY=0
out=$work/out
mkdir -p "$out" "$work/files"
"$bin" --import-scl "$here/tests/fixtures/scl/scl-directory.csv" "$work/NVSCL.INI" >/dev/null
cp "$here"/../shared/corpus/samples/*.xml "$here"/tests/fixtures/*/*.xml "$here"/examples/*.xml "$work/files/"
for kind in ct dd; do python3 "$here/bench/gen_payments.py" "$kind" 2000 10 >"$work/files/gen-$kind-2000.xml"; done
python3 "$here/bench/hostile_files.py" "$work/files"
cd "$work/files"
for f in *.xml; do
    for mode in tree sax; do
        opt=(); [ "$mode" = sax ] && opt=(--sax)
        for form in text json; do
            args=("${opt[@]}"); [ "$form" = json ] && args+=(--json)
            status=0
            "$bin" "${args[@]}" --scl "$work/NVSCL.INI" "$f" >"$out/$f.$mode.$form" 2>&1 || status=$?
            # valorix-check always says something; a run that printed nothing at all and
            # failed never got to check (Wine, now and then, fails to start a program that
            # way). With OUTPUTS_RUN_AGAIN=1 such a run is made once more, and said so.
            if [ "$status" != 0 ] && [ ! -s "$out/$f.$mode.$form" ] && [ "${OUTPUTS_RUN_AGAIN:-}" = 1 ]; then
                echo "outputs.sh: $f ($mode, $form) printed nothing, status $status; run once more" >&2
                status=0
                "$bin" "${args[@]}" --scl "$work/NVSCL.INI" "$f" >"$out/$f.$mode.$form" 2>&1 || status=$?
            fi
            echo "status $status" >>"$out/$f.$mode.$form"
        done
    done
done
if [ "$compare" = --compare ]; then
    diff -r "$target" "$out" && echo "outputs.sh: $(ls "$out" | wc -l) reports are the same"
else
    rm -rf "$target"
    mkdir -p "$(dirname "$target")"
    cp -r "$out" "$target"
    echo "outputs.sh: $(ls "$target" | wc -l) reports written to $target"
fi
