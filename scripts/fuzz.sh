#!/usr/bin/env bash
# Runs the fuzzing targets one after the other for SECONDS in all (default
# 180): the check of a file with every output made of it and the history
# (valorix_fuzz, two thirds of the time), the bank code file
# (valorix_fuzz_blz) and the SCL directory (valorix_fuzz_scl), a sixth each.
# Seeds: fuzz/seeds/, the test fixtures, the examples, a set of hostile files
# made here and, where the clone has it beside it, ../shared/corpus. The
# budgets every input must keep: 2 s (6 s for the check, which runs both
# modes and makes every output of each) and 512 MB, inputs up to 1 MB.
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [extra libFuzzer options...]
# A crash, a sanitizer report, a broken property, a time-out or a memory
# excess fails the run (exit status not 0, once every target had its turn);
# the input that caused it is left in BUILD_DIR/fuzz-findings.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-180}
shift $(( $# < 2 ? $# : 2 ))
for target in valorix_fuzz valorix_fuzz_blz valorix_fuzz_scl; do
    [ -x "$build/$target" ] || { echo "fuzz.sh: $build/$target fehlt (cmake -DVALORIX_FUZZ=ON)" >&2; exit 2; }
done
work="$build/fuzz-corpus"
seeds="$build/fuzz-seeds"
findings="$build/fuzz-findings"
mkdir -p "$work/check" "$work/blz" "$work/scl" "$seeds" "$findings"

# Hostile seeds: deep nesting (also behind a bracket in a comment of the
# internal subset), many attributes, entity expansion, many findings, many
# siblings, NUL bytes.
ns='urn:iso:std:iso:20022:tech:xsd:pain.001.001.03'
decl='<?xml version="1.0" encoding="UTF-8"?>'
repeat() { local s=$1 n=$2 out=""; out=$(printf "%${n}s" "" | sed "s/ /$(printf '%s' "$s" | sed 's/[\/&]/\\&/g')/g"); printf '%s' "$out"; }
{ printf '%s\n<!DOCTYPE Document [<!-- [ -->]><Document xmlns="%s">' "$decl" "$ns"; repeat '<a>' 2000; repeat '</a>' 2000; printf '</Document>'; } > "$seeds/deep.xml"
{ printf '%s\n<Document xmlns="%s"><CstmrCdtTrfInitn' "$decl" "$ns"; for i in $(seq 300); do printf ' a%d="1"' "$i"; done; printf '/></Document>'; } > "$seeds/attributes.xml"
{ printf '%s\n<!DOCTYPE Document [<!ENTITY e "%s">]><Document xmlns="%s"><a>' "$decl" "$(repeat x 1000)" "$ns"; repeat '&e;' 200; printf '</a></Document>'; } > "$seeds/entities.xml"
{ printf '%s\n<Document xmlns="%s"><CstmrCdtTrfInitn><GrpHdr><NbOfTxs>-2147483648</NbOfTxs><CtrlSum>99999999999999999999.99</CtrlSum></GrpHdr>' "$decl" "$ns"; repeat '<RmtInf><Strd ></Strd></RmtInf><InstdAmt Ccy="EUR">99999999999</InstdAmt>' 200; printf '</CstmrCdtTrfInitn></Document>'; } > "$seeds/findings.xml"
# Many signatures after one mandate's signature date; a NUL after a document
# and one inside a name.
python3 bench/gen_payments.py dd 1 | python3 -c 'import sys; sys.stdout.write(sys.stdin.read().replace("</DtOfSgntr>", "</DtOfSgntr>" + "<ElctrncSgntr/>" * 2000))' > "$seeds/signatures.xml"
{ cat examples/ueberweisung-pain.001.001.03.xml; printf '\0'; repeat '<junk/>' 100; } > "$seeds/nul-after-document.xml"
sed '0,/<Nm>/s|<Nm>|<Nm>\x00</Nm><junk/>|' examples/ueberweisung-pain.001.001.03.xml > "$seeds/nul-in-name.xml"

export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=1:quarantine_size_mb=64${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# The material of ../shared where it is there: a clone alone has none.
optional() { for dir in "$@"; do [ -d "$dir" ] && printf '%s\n' "$dir"; done; return 0; }
mapfile -t samples < <(optional ../shared/corpus/samples)
mapfile -t bankCodes < <(optional ../shared/corpus/scl)  # a bank code list, "code=name|place|BIC|..."

status=0
run() {  # TARGET SECONDS TIMEOUT DICTIONARY CORPUS SEEDS...
    local target=$1 time=$2 timeout=$3 dict=$4
    shift 4
    echo "fuzz.sh: $target, $time s" >&2
    "$build/$target" ${dict:+-dict="$dict"} -max_len=1048576 -timeout="$timeout" -rss_limit_mb=512 \
        -max_total_time="$time" -print_final_stats=1 -artifact_prefix="$findings/$target-" "${extra[@]}" "$@" ||
        { status=$?; echo "fuzz.sh: $target fand einen Fehler (Status $status), Eingabe in $findings" >&2; }
}
extra=("$@")
directories=$(( seconds / 6 > 0 ? seconds / 6 : 1 ))
check=$(( seconds - 2 * directories > 0 ? seconds - 2 * directories : 1 ))
run valorix_fuzz "$check" 6 fuzz/valorix.dict "$work/check" "$seeds" fuzz/seeds/check examples tests/fixtures \
    ${samples[@]+"${samples[@]}"}
run valorix_fuzz_blz "$directories" 2 fuzz/blz.dict "$work/blz" fuzz/seeds/blz tests/fixtures/blz \
    ${bankCodes[@]+"${bankCodes[@]}"}
run valorix_fuzz_scl "$directories" 2 fuzz/scl.dict "$work/scl" fuzz/seeds/scl tests/fixtures/scl
exit "$status"
