; Kalvo's Windows installer (NSIS 3, built with makensis on Linux or Windows).
;   makensis -DVERSION=1.2.3 -DBIN=<folder with kalvo.exe, calend.dat, sound.wav> -DICON=<kalvo.ico>
;            -DOUT=<setup.exe> kalvo.nsi
; Installs into Program Files\Kalvo for all users. The program keeps each user's reminders in
; %APPDATA%\Kalvo, which the uninstaller leaves alone.

; 64-bit, so that it runs where only 64-bit Windows programs do (and under a 64-bit Wine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Kalvo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvo"

Name "${PRODUCT}"
OutFile "${OUT}"
InstallDir "$PROGRAMFILES64\Kalvo"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1051 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1051 "FileDescription" "Inštalátor programu Kalvo"
VIAddVersionKey /LANG=1051 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1051 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1051 "LegalCopyright" "Kalvo"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\kalvo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Spustiť Kalvo"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Slovak"

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Kalvo" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${BIN}\kalvo.exe"
  File "${BIN}\calend.dat"
  File "${BIN}\sound.wav"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Kalvo.lnk" "$INSTDIR\kalvo.exe" "" "$INSTDIR\kalvo.exe" 0

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalvo.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; The same value that the program's settings write: named after the executable, holding its full path.
Section /o "Spúšťať Kalvo pri prihlásení" SecAutostart
  WriteRegStr HKCU "${RUN_KEY}" "kalvo.exe" "$INSTDIR\kalvo.exe"
SectionEnd

LangString DESC_PROGRAM ${LANG_SLOVAK} "Program Kalvo, kalendár mien a zvuk pripomienok."
LangString DESC_AUTOSTART ${LANG_SLOVAK} "Kalvo sa spustí po každom prihlásení do Windows. Dá sa to zmeniť v nastaveniach programu."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_PROGRAM)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} $(DESC_AUTOSTART)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; A silent install (/S) takes the start at log-on with /AUTOSTART on its command line.
Section "-silent autostart"
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTOSTART" $1
  ${IfNot} ${Errors}
    WriteRegStr HKCU "${RUN_KEY}" "kalvo.exe" "$INSTDIR\kalvo.exe"
  ${EndIf}
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; A running Kalvo holds its executable; ask it to end first.
  nsExec::Exec 'taskkill /IM kalvo.exe'
  Sleep 500
  ; The start at log-on goes only when it is this installation's.
  ReadRegStr $0 HKCU "${RUN_KEY}" "kalvo.exe"
  ${If} $0 == "$INSTDIR\kalvo.exe"
    DeleteRegValue HKCU "${RUN_KEY}" "kalvo.exe"
  ${EndIf}
  Delete "$SMPROGRAMS\Kalvo.lnk"
  Delete "$INSTDIR\kalvo.exe"
  Delete "$INSTDIR\calend.dat"
  Delete "$INSTDIR\sound.wav"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Each user's reminders in %APPDATA%\Kalvo stay: they are the user's, not the program's.
SectionEnd
