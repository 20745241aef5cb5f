#!/usr/bin/env bash
# Installs the Debian packages Valorix needs to build and test (run as root).
set -euo pipefail
pkgs=(build-essential cmake libxerces-c-dev libgtest-dev googletest libxml2-utils)
# The sanitized build and the fuzzing target: clang with its sanitizer and libFuzzer runtimes.
if [ "${VALORIX_SANITIZERS:-0}" = 1 ]; then pkgs+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}"
fi
