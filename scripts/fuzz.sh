#!/usr/bin/env bash
# Runs the fuzzing target for SECONDS (default 180) from the sample payment
# files, the test fixtures and a set of hostile files made here, with the
# budgets every input must keep: 2 s and 512 MB, inputs up to 1 MB.
#   scripts/fuzz.sh BUILD_DIR [SECONDS] [extra libFuzzer options...]
# A crash, a sanitizer report, a time-out or a memory excess fails the run
# (exit status not 0); the input that caused it is left in BUILD_DIR/fuzz-findings.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=${2:-180}
shift $(( $# < 2 ? $# : 2 ))
fuzzer="$build/valorix_fuzz"
[ -x "$fuzzer" ] || { echo "fuzz.sh: $fuzzer fehlt (cmake -DVALORIX_FUZZ=ON)" >&2; exit 2; }
work="$build/fuzz-corpus"
seeds="$build/fuzz-seeds"
findings="$build/fuzz-findings"
mkdir -p "$work" "$seeds" "$findings"

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
exec "$fuzzer" -dict=fuzz/valorix.dict -max_len=1048576 -timeout=2 -rss_limit_mb=512 \
    -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$findings/" "$@" \
    "$work" "$seeds" ../shared/corpus/samples tests/fixtures
