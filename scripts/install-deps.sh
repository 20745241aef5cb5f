#!/usr/bin/env bash
# Installs the Debian packages Valorix needs to build and test (run as root).
set -euo pipefail
pkgs=(build-essential cmake libxerces-c-dev libgtest-dev googletest libxml2-utils libcurl4-openssl-dev libssl-dev
      nlohmann-json3-dev libcli11-dev libsqlite3-dev python3 python3-jsonschema openssl ca-certificates curl)
# The desktop program: wxWidgets with its web view, an icon theme and a font
# for its windows, the German locale for the toolkit's own texts, groff for
# the manual, and Xvfb to run its tests without a display.
pkgs+=(libwxgtk3.2-dev libwxgtk-webview3.2-dev wx3.2-i18n adwaita-icon-theme fonts-dejavu-core locales groff
       xvfb xauth)
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
# The German locale, generated once.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  $SUDO locale-gen >/dev/null
fi
