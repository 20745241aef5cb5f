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
# The Windows build: the MinGW-w64 cross compiler, the tools that build its
# libraries from Debian's source packages (scripts/build-windows-deps.sh), Wine
# to run its tests, NSIS for the installer, and for the desktop program's test
# under Wine xdotool, xwininfo and ImageMagick (the screenshot).
if [ "${VALORIX_WINDOWS:-0}" = 1 ]; then
  pkgs+=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix dpkg-dev tcl wine wine64 nsis xdotool imagemagick
         x11-utils)
  # Source packages come from the same archive the machine installs from: its
  # first "deb" address, for the release itself (main).
  src_list=/etc/apt/sources.list.d/valorix-deb-src.sources
  if [ ! -f "$src_list" ] && ! apt-cache showsrc --only-source zlib 2>/dev/null | grep -q '^Version:'; then
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    uri=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1)
    [ -n "$uri" ] || uri=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
    . /etc/os-release
    printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "${uri:-http://deb.debian.org/debian}" "$VERSION_CODENAME" | $SUDO tee "$src_list" >/dev/null
    $SUDO apt-get update -qq
  fi
fi
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
