#!/usr/bin/env bash
# Builds the Debian package from BUILD, installs it with apt-get, runs the
# installed valorix-check (--version and a check of the bundled example) and
# removes the package again. Run as root (or with sudo available).
#   scripts/package-check.sh BUILD
set -euo pipefail
build=$(cd "$1" && pwd)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
rm -f "$build"/valorix_*.deb
(cd "$build" && cpack -G DEB)
deb=$(ls "$build"/valorix_*_amd64.deb)
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get install -y -qq "$deb"
home=$(mktemp -d)
trap '$SUDO apt-get remove -y -qq valorix; rm -rf "$home"' EXIT
export XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config
/usr/bin/valorix-check --version
/usr/bin/valorix-check /usr/share/doc/valorix/examples/ueberweisung-pain.001.001.09.xml
for page in valorix-check valorix; do test -s /usr/share/man/man1/$page.1.gz; done
echo "package-check.sh: $(basename "$deb") installed, checked and removed"
