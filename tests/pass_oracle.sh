#!/usr/bin/env bash
# Varied copies of the examples, fixtures and samples, each checked with and
# without the guessed validating pass, in both modes: every result the same.
#   tests/pass_oracle.sh ORACLE SOURCE_DIR COPIES
set -euo pipefail
oracle=$1 source=$2 copies=${3:-400}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
files=$(find "$source/examples" "$source/tests/fixtures/rules" "$source/tests/fixtures/current" \
             "$source/../shared/corpus/samples" -name '*.xml' 2>/dev/null | sort)
python3 "$source/tests/mutate.py" "$work/copies" "$copies" $files
"$oracle" "$work"/copies/* $files
