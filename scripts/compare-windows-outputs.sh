#!/usr/bin/env bash
# The reports of scripts/outputs.sh from the Linux and the Windows
# valorix-check (under Wine) on the same files: they must be byte-identical.
#   scripts/compare-windows-outputs.sh [LINUX-BUILD] [WINDOWS-BUILD]   (default build, build-windows)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
linux=${1:-$here/build}
windows=${2:-$here/build-windows}
[ -x "$linux/valorix-check" ] || { echo "compare-windows-outputs: no $linux/valorix-check" >&2; exit 2; }
[ -x "$windows/valorix-check" ] && [ -f "$windows/valorix-check.exe" ] \
  || { echo "compare-windows-outputs: no $windows/valorix-check(.exe)" >&2; exit 2; }
record=$(mktemp -d)
trap 'rm -rf "$record"' EXIT
# The history would name each run's temporary folder; the reports are compared without it.
export VALORIX_HISTORY=0
"$here/scripts/outputs.sh" "$linux/valorix-check" "$record/linux"
# $windows/valorix-check runs valorix-check.exe under Wine (written by the Windows build).
# A run that printed nothing and failed (a start that Wine lost) is made once more.
OUTPUTS_RUN_AGAIN=1 "$here/scripts/outputs.sh" "$windows/valorix-check" "$record/linux" --compare
