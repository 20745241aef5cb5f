#!/usr/bin/env bash
# A payment file of several hundred megabytes must end in a verdict, without a
# crash or a hang. Not part of the test suite (it needs minutes and gigabytes).
#   bench/large-file.sh [BUILD_DIR] [TRANSACTIONS]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
n=${2:-1200000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
python3 "$here/gen_payments.py" ct "$n" 20 >"$work/large.xml"
echo "file: $(( $(stat -c %s "$work/large.xml") / 1024 / 1024 )) MB, $n transactions"
/usr/bin/time -f "valorix-check: %e s, peak %M KB" "$build/valorix-check" "$work/large.xml" | head -3 || true
/usr/bin/time -f "valorix-check --sax: %e s, peak %M KB" "$build/valorix-check" --sax "$work/large.xml" | head -3 || true
