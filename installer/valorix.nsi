; The Windows installer of Valorix (NSIS 3, German): the desktop program and
; valorix-check for scheduled jobs into Program Files, the short manual, a
; Start-menu entry, "Öffnen mit" for XML files and an uninstaller.
; makensis -DVERSION=1.8.0 -DBUILD=<build-windows> -DSOURCE=<source> -DOUTFILE=<setup.exe> valorix.nsi
; Silent: Valorix-Setup.exe /S [/D=C:\Ziel], uninstall.exe /S.
; A 64-bit installer for the 64-bit program (it runs where the program runs).
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"
!include "FileFunc.nsh"

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!define APPKEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Valorix"
!define OPENWITH "Software\Classes\Applications\valorix.exe"

Name "Valorix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Norvane\Valorix"
InstallDirRegKey HKLM "${APPKEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "Norvane Valorix ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1031 "ProductName" "Valorix"
VIAddVersionKey /LANG=1031 "CompanyName" "Norvane"
VIAddVersionKey /LANG=1031 "FileDescription" "Valorix ${VERSION} Installation"
VIAddVersionKey /LANG=1031 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1031 "LegalCopyright" "Norvane"

!define MUI_ICON "${SOURCE}\resources\valorix.ico"
!define MUI_UNICON "${SOURCE}\resources\valorix.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Dieser Assistent installiert Valorix ${VERSION}, das Programm, das SEPA-Zahlungsdateien prüft, bevor die Bank es tut.$\r$\n$\r$\nNeben dem Programm wird valorix-check.exe installiert, das Dateien an der Eingabeaufforderung und in geplanten Aufgaben prüft.$\r$\n$\r$\nKlicken Sie auf Weiter, um fortzufahren."
!define MUI_FINISHPAGE_RUN "$INSTDIR\valorix.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Valorix starten"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "German"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Valorix benötigt ein 64-Bit-Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Valorix" SecMain
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BUILD}\valorix.exe"
  File "${BUILD}\valorix-check.exe"
  File "${BUILD}\Valorix.pdf"
  SetOutPath "$INSTDIR\Beispiele"
  File "${SOURCE}\examples\ueberweisung-pain.001.001.09.xml"
  File "${SOURCE}\examples\ueberweisung-pain.001.001.03.xml"
  SetOutPath "$INSTDIR\Dokumentation"
  File "${SOURCE}\doc\valorix-check.schema.json"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Valorix"
  CreateShortcut "$SMPROGRAMS\Valorix\Valorix.lnk" "$INSTDIR\valorix.exe" "" "$INSTDIR\valorix.exe" 0 \
                 SW_SHOWNORMAL "" "SEPA-Zahlungsdateien prüfen"
  CreateShortcut "$SMPROGRAMS\Valorix\Kurzanleitung.lnk" "$INSTDIR\Valorix.pdf"
  CreateShortcut "$SMPROGRAMS\Valorix\Valorix deinstallieren.lnk" "$INSTDIR\uninstall.exe"

  ; "Öffnen mit" for XML files: the program as an application of .xml files,
  ; without taking the files' own default program.
  WriteRegStr HKLM "${OPENWITH}" "FriendlyAppName" "Valorix"
  WriteRegStr HKLM "${OPENWITH}\DefaultIcon" "" '"$INSTDIR\valorix.exe",0'
  WriteRegStr HKLM "${OPENWITH}\shell\open" "FriendlyAppName" "Valorix"
  WriteRegStr HKLM "${OPENWITH}\shell\open\command" "" '"$INSTDIR\valorix.exe" "%1"'
  WriteRegStr HKLM "${OPENWITH}\SupportedTypes" ".xml" ""
  WriteRegStr HKLM "Software\Classes\.xml\OpenWithList\valorix.exe" "" ""
  WriteRegStr HKLM "Software\Classes\SystemFileAssociations\.xml\OpenWithList\valorix.exe" "" ""

  ; Programs and Features.
  WriteRegStr HKLM "${APPKEY}" "DisplayName" "Valorix"
  WriteRegStr HKLM "${APPKEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${APPKEY}" "Publisher" "Norvane"
  WriteRegStr HKLM "${APPKEY}" "DisplayIcon" '"$INSTDIR\valorix.exe",0'
  WriteRegStr HKLM "${APPKEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${APPKEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${APPKEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${APPKEY}" "NoModify" 1
  WriteRegDWORD HKLM "${APPKEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${APPKEY}" "EstimatedSize" $0
SectionEnd

; The checked files' data folder (schemas, SCL directory, history) and the
; users' settings stay: they are the users' data, not the program.
Section "Uninstall"
  SetShellVarContext all
  Delete "$INSTDIR\valorix.exe"
  Delete "$INSTDIR\valorix-check.exe"
  Delete "$INSTDIR\Valorix.pdf"
  Delete "$INSTDIR\Beispiele\ueberweisung-pain.001.001.09.xml"
  Delete "$INSTDIR\Beispiele\ueberweisung-pain.001.001.03.xml"
  RMDir "$INSTDIR\Beispiele"
  Delete "$INSTDIR\Dokumentation\valorix-check.schema.json"
  RMDir "$INSTDIR\Dokumentation"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$INSTDIR\.."
  Delete "$SMPROGRAMS\Valorix\Valorix.lnk"
  Delete "$SMPROGRAMS\Valorix\Kurzanleitung.lnk"
  Delete "$SMPROGRAMS\Valorix\Valorix deinstallieren.lnk"
  RMDir "$SMPROGRAMS\Valorix"
  DeleteRegKey HKLM "${OPENWITH}"
  DeleteRegKey HKLM "Software\Classes\.xml\OpenWithList\valorix.exe"
  DeleteRegKey HKLM "Software\Classes\SystemFileAssociations\.xml\OpenWithList\valorix.exe"
  DeleteRegKey HKLM "${APPKEY}"
SectionEnd
