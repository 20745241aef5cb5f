#!/usr/bin/env bash
# The Windows installer under Wine, silently: installed into Program Files
# with its Start-menu entry, "Öffnen mit" for XML files and its entry in the
# programs list; the installed valorix-check.exe checks the bundled example;
# the uninstaller removes all of it again. A Wine prefix of its own, below BUILD.
#   scripts/windows-installer-check.sh [BUILD]   (default build-windows)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build-windows}" && pwd)
setup=$(ls "$build"/Valorix-*-Setup.exe | head -n1)
export WINEPREFIX=$build/wine-installer WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
rm -rf "$WINEPREFIX"
wineboot -i >/dev/null 2>&1
wineserver -w
fail() { echo "windows-installer-check: $*" >&2; exit 1; }
regquery() { "$wine" reg query "$@" 2>/dev/null | tr -d '\r'; }

"$wine" "$setup" /S
wineserver -w
programs=$("$wine" cmd /c 'echo %ProgramW6432%' 2>/dev/null | tr -d '\r')
dir=$(winepath -u "$programs\\Norvane\\Valorix")
menu=$(winepath -u "$("$wine" cmd /c 'echo %ProgramData%' | tr -d '\r')\\Microsoft\\Windows\\Start Menu\\Programs\\Valorix")
for f in valorix.exe valorix-check.exe Valorix.pdf uninstall.exe Beispiele/ueberweisung-pain.001.001.09.xml; do
  [ -f "$dir/$f" ] || fail "nicht installiert: $dir/$f"
done
for f in Valorix.lnk Kurzanleitung.lnk "Valorix deinstallieren.lnk"; do
  [ -f "$menu/$f" ] || fail "kein Startmenü-Eintrag: $menu/$f"
done
regquery 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Valorix' /v DisplayVersion | grep -q "$(basename "$setup" | sed 's/Valorix-\(.*\)-Setup.exe/\1/')" \
  || fail "kein Eintrag in der Programmliste"
regquery 'HKLM\Software\Classes\Applications\valorix.exe\shell\open\command' | grep -qF '\valorix.exe" "%1"' \
  || fail "kein Eintrag für Öffnen mit"
regquery 'HKLM\Software\Classes\.xml\OpenWithList\valorix.exe' >/dev/null || fail "nicht in der Öffnen-mit-Liste von .xml"
# The installed command-line program checks the installed example.
out=$(cd "$dir" && VALORIX_HISTORY=0 "$wine" valorix-check.exe 'Beispiele\ueberweisung-pain.001.001.09.xml' | tr -d '\r')
echo "$out" | head -n1 | grep -q "enthält ein korrektes SEPA XML Dokument" || fail "valorix-check.exe: $out"

"$wine" "$dir/uninstall.exe" /S
wineserver -w
sleep 1
wineserver -w
[ ! -e "$dir" ] || fail "nach der Deinstallation noch da: $(ls -R "$dir")"
[ ! -e "$menu" ] || fail "Startmenü-Eintrag nach der Deinstallation noch da"
! regquery 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Valorix' >/dev/null || fail "Programmliste nach der Deinstallation"
! regquery 'HKLM\Software\Classes\Applications\valorix.exe' >/dev/null || fail "Öffnen mit nach der Deinstallation"
rm -rf "$WINEPREFIX"
echo "windows-installer-check: $(basename "$setup") installiert und deinstalliert (still)"
