; Kalvo's Windows installer (NSIS 3, built with makensis on Linux or Windows).
;   makensis -DVERSION=1.2.3 -DBIN=<folder with kalvo.exe, kalvo-cli.exe, calend.dat, sound.wav and
;            licenses\{DejaVu,Qt,libical,MinGW-w64,GCC}.txt> -DICON=<kalvo.ico> -DOUT=<setup.exe> kalvo.nsi
;
; Two ways to install, chosen on the installer's second page or with /CURRENTUSER or /ALLUSERS:
; - "Len pre mňa" (the default): %LOCALAPPDATA%\Programs\Kalvo with the user's own Start menu entry and
;   uninstall entry, without an administrator.
; - "Pre všetkých používateľov": Program Files\Kalvo. The files, the common Start menu entry and the
;   uninstall entry in HKLM are written by a second copy of this installer that Windows starts with an
;   administrator's consent (/ELEVATED). What belongs to the user (ending and starting Kalvo, the start at
;   log-on) stays with the copy the user started, so nothing lands in the administrator's profile.
; Either way kalvo-install.ini beside kalvo.exe marks the copy as installed: it keeps each user's
; reminders in %APPDATA%\Kalvo wherever it was installed. Only a folder unpacked from the zip is portable.
;
; Before any file is replaced or removed, the user's running Kalvo of that folder is asked to end as its
; own "Ukončiť" does (kalvo.exe --quit); after an upgrade it is started again. Copies from other folders
; and of other users are left alone; a file that still cannot be replaced ends the installation with a
; message and exit status 2, and the uninstaller removes its entry only once the program's files are gone.
;
; Command line: /S silent, /CURRENTUSER or /ALLUSERS, /AUTOSTART start at log-on, /DOWNGRADE lets a silent
; install replace a newer version, /D=<folder> (last) another folder.
; Exit status: 0 done, 1 cancelled, 2 failed, 3 a newer version is installed there (silent, no /DOWNGRADE).

; 64-bit, so that it runs where only 64-bit Windows programs do (and under a 64-bit Wine).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "WordFunc.nsh"
!include "nsDialogs.nsh"

!define PRODUCT "Kalvo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kalvo"
; Read by the program (src/platform/system_paths.h): a folder holding it is never portable.
!define MARK "kalvo-install.ini"
; kalvo.exe --quit: 0 ended, 1 none was running, 2 still running.
!define QUIT_ENDED 0
!define QUIT_NONE 1

Name "${PRODUCT}"
OutFile "${OUT}"
; No InstallDir: $INSTDIR is empty in .onInit unless /D= named a folder.
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1051 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1051 "FileDescription" "Inštalátor programu Kalvo"
VIAddVersionKey /LANG=1051 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1051 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1051 "LegalCopyright" "Kalvo"

Var AllUsers        ; 1: for all users, in Program Files
Var Elevated        ; 1: the administrator's copy, started by the user's with /ELEVATED
Var DirGiven        ; 1: /D= named the folder
Var WasRunning      ; 1: Kalvo was ended to be replaced, and is started again
Var AutostartAsked  ; 1: /AUTOSTART
Var ModeJustMe
Var ModeAll

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Tento sprievodca vás prevedie inštaláciou programu Kalvo ${VERSION}.$\r$\n$\r$\n\
    Ak je Kalvo spustené, pred inštaláciou sa ukončí tak, ako keď zvolíte Ukončiť, a potom sa znova spustí. \
    Pripomienky, nastavenia a spúšťanie pri prihlásení zostanú zachované.$\r$\n$\r$\n$_CLICK"
; The description under the list, so that the list has the page's whole width for its names.
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\kalvo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Spustiť Kalvo"

!insertmacro MUI_PAGE_WELCOME
Page custom ModePage ModePageLeave
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Slovak"

; ---------------------------------------------------------------------------------------------------
; Shared by the installer and the uninstaller (the uninstaller's functions carry the prefix "un.").

; Runs the program on the stack's second entry with the parameters on its top through the shell with
; the verb under them ("runas": with an administrator's consent), waits for it, and leaves its exit code
; on the stack, or "chyba <code>" when it could not be started (consent refused: chyba 1223).
!macro SHELL_RUN_WAIT prefix
Function ${prefix}ShellRunWait
  System::Store S
  Pop $2
  Pop $1
  Pop $0
  ; SHELLEXECUTEINFOW of 64-bit Windows: 112 bytes, the process handle in the last 8.
  System::Call '*(&i112)p.r3'
  System::Call '*$3(i 112, i 0x40, p $HWNDPARENT, w r0, w r1, w r2, p 0, i 1)'
  System::Call 'shell32::ShellExecuteExW(pr3)i.r4 ?e'
  Pop $5
  ${If} $4 <> 0
    System::Call '*$3(i, i, p, p, p, p, p, p, p, p, p, p, p, p, p.r6)'
    System::Call 'kernel32::WaitForSingleObject(pr6, i -1)'
    System::Call 'kernel32::GetExitCodeProcess(pr6, *i.r7)'
    System::Call 'kernel32::CloseHandle(pr6)'
  ${Else}
    StrCpy $7 "chyba $5"
  ${EndIf}
  System::Free $3
  Push $7
  System::Store L
FunctionEnd
!macroend
!insertmacro SHELL_RUN_WAIT ""
!insertmacro SHELL_RUN_WAIT "un."

; Asks the program on the stack's top to end the user's running Kalvo of $INSTDIR as its "Ukončiť"
; does and waits for it; $WasRunning tells whether one ended. A copy that does not end is waited for
; again when the user says so; else the installation or removal stops here with exit status 2.
!macro END_RUNNING_KALVO prefix
Function ${prefix}EndRunningKalvo
  Exch $0
  Push $1
  StrCpy $WasRunning 0
  again:
  DetailPrint "Ukončuje sa spustené Kalvo..."
  ExecWait '"$0" --quit "$INSTDIR"' $1
  ${If} $1 == ${QUIT_ENDED}
    StrCpy $WasRunning 1
  ${ElseIf} $1 != ${QUIT_NONE}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Spustené Kalvo sa nepodarilo ukončiť.$\r$\n$\r$\nAk práve \
        ukazuje pripomienku alebo čaká na vašu odpoveď, odpovedzte mu; inak ho ukončite tlačidlom Ukončiť \
        v jeho okne. Potom to skúste znova." /SD IDCANCEL IDRETRY again
    DetailPrint "Spustené Kalvo sa nepodarilo ukončiť."
    SetErrorLevel 2
    Abort
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd
!macroend
!insertmacro END_RUNNING_KALVO ""
!insertmacro END_RUNNING_KALVO "un."

; The user's start at log-on names this folder's kalvo.exe, quoted or (earlier versions) not: $0 is 1.
!macro RUN_VALUE_IS_OURS prefix
Function ${prefix}RunValueIsOurs
  ReadRegStr $1 HKCU "${RUN_KEY}" "kalvo.exe"
  StrCpy $0 0
  ${If} $1 == '"$INSTDIR\kalvo.exe"'
  ${OrIf} $1 == "$INSTDIR\kalvo.exe"
    StrCpy $0 1
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RUN_VALUE_IS_OURS ""
!insertmacro RUN_VALUE_IS_OURS "un."

; ---------------------------------------------------------------------------------------------------
; The installer.

Function .onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ELEVATED" $R1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART" $R1
  ${IfNot} ${Errors}
    StrCpy $AutostartAsked 1
  ${EndIf}
  ${If} $INSTDIR != ""
    StrCpy $DirGiven 1
  ${EndIf}

  ; An earlier installation for all users (and none of this user's) is upgraded where it is.
  StrCpy $AllUsers 0
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
  ${AndIf} $R2 == ""
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
  Call ApplyMode
  Call DefaultFolder

  ${If} ${Silent}
  ${AndIf} $Elevated != 1
    Call CheckVersion
    ${If} $0 == 1
      ClearErrors
      ${GetOptions} $R0 "/DOWNGRADE" $R1
      ${If} ${Errors}
        SetErrorLevel 3
        Quit
      ${EndIf}
    ${EndIf}
    Call PreselectAutostart
  ${EndIf}
FunctionEnd

; The shell folders and the registry root (SHCTX) of the chosen mode.
Function ApplyMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Unless /D= named one, the folder of the chosen mode: where this mode installed Kalvo before, else its
; default.
Function DefaultFolder
  ${If} $DirGiven == 1
    Return
  ${EndIf}
  ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES64\Kalvo"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Kalvo"
    ${EndIf}
  ${EndIf}
FunctionEnd

; The version installed in $INSTDIR against this one: $0 is 1 when it is newer, $1 its version.
Function CheckVersion
  StrCpy $0 0
  ReadINIStr $1 "$INSTDIR\${MARK}" "Kalvo" "Version"
  ${If} $1 == ""
    ; Installed before the mark existed: the uninstall entry of that folder tells.
    ReadRegStr $2 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $2 == $INSTDIR
      ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
    ${EndIf}
  ${EndIf}
  ${If} $1 != ""
    ${VersionCompare} $1 "${VERSION}" $2
    ${If} $2 == 1
      StrCpy $0 1
    ${EndIf}
  ${EndIf}
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "Spôsob inštalácie" "Vyberte, pre koho sa má Kalvo nainštalovať."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 0 100% 12u "Len pre mňa"
  Pop $ModeJustMe
  ${NSD_CreateLabel} 12u 14u -12u 26u "Kalvo sa nainštaluje do vášho profilu a bude ho mať len tento \
      používateľ. Netreba na to oprávnenie správcu."
  Pop $0
  ${NSD_CreateRadioButton} 0 48u 100% 12u "Pre všetkých používateľov"
  Pop $ModeAll
  ${NSD_CreateLabel} 12u 62u -12u 26u "Kalvo sa nainštaluje do priečinka Program Files pre každého \
      používateľa počítača. Windows požiada o súhlas správcu."
  Pop $0
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeAll
  ${Else}
    ${NSD_Check} $ModeJustMe
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAll $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  ; The folder follows the mode only when the mode changes: a folder picked after it stays.
  ${If} $0 != $AllUsers
    StrCpy $AllUsers $0
    Call ApplyMode
    Call DefaultFolder
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call CheckVersion
  ${If} $0 == 1
    MessageBox MB_YESNO|MB_ICONQUESTION "V priečinku $INSTDIR je nainštalovaná novšia verzia programu Kalvo \
        ($1).$\r$\n$\r$\nNaozaj ju chcete nahradiť staršou verziou ${VERSION}?" IDYES replace
    Abort
  ${EndIf}
  replace:
  Call PreselectAutostart
FunctionEnd

Function FinishShow
  ; Kalvo that was running has been started again already.
  ${If} $WasRunning == 1
    SendMessage $mui.FinishPage.Run ${BM_SETCHECK} ${BST_UNCHECKED} 0
    ShowWindow $mui.FinishPage.Run ${SW_HIDE}
  ${EndIf}
FunctionEnd

; Stops the installation with `message` (in the log, and in a box unless silent) and exit status 2. The
; Kalvo that was ended for it is started again while its program is still there.
!macro FAIL message
  ; In the list of details only: the status line above the bar has room for one short line.
  SetDetailsPrint listonly
  DetailPrint "${message}"
  SetDetailsPrint both
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  ${If} $WasRunning == 1
  ${AndIf} $Elevated != 1
  ${AndIf} ${FileExists} "$INSTDIR\kalvo.exe"
    Exec '"$INSTDIR\kalvo.exe"'
  ${EndIf}
  SetErrorLevel 2
  Abort
!macroend

; One file of the program into $INSTDIR; one that cannot be replaced stops the installation.
!macro PUT_FILE name
  ClearErrors
  File "${BIN}\${name}"
  ${If} ${Errors}
    !insertmacro FAIL "Súbor $INSTDIR\${name} sa nepodarilo nahradiť: Kalvo z tohto priečinka je zrejme ešte \
        spustené, možno pod iným používateľom počítača.$\r$\nUkončite ho a spustite inštaláciu znova."
  ${EndIf}
!macroend

; The program's files, its mark, the uninstaller, the Start menu and the uninstall entry (HKCU for the
; user, HKLM for all users, through SHCTX).
Function InstallFiles
  ; A folder that an earlier installer left without a mark and whose copy kept its users' files beside
  ; itself stays that way: marking it would hide those reminders from it.
  StrCpy $R9 1
  ${If} ${FileExists} "$INSTDIR\kalvo.exe"
  ${AndIfNot} ${FileExists} "$INSTDIR\${MARK}"
    FindFirst $R7 $R8 "$INSTDIR\*.dat"
    ${DoWhile} $R8 != ""
      ${If} $R8 != "calend.dat"
        StrCpy $R9 0
      ${EndIf}
      FindNext $R7 $R8
    ${Loop}
    FindClose $R7
  ${EndIf}

  ClearErrors
  CreateDirectory "$INSTDIR"
  SetOutPath "$INSTDIR"
  ${If} ${Errors}
    !insertmacro FAIL "Priečinok $INSTDIR sa nepodarilo vytvoriť."
  ${EndIf}
  ; "try": a file in use sets the error flag instead of offering to ignore it.
  SetOverwrite try
  ; The program first: it is the file a running copy holds.
  !insertmacro PUT_FILE "kalvo.exe"
  !insertmacro PUT_FILE "kalvo-cli.exe"
  !insertmacro PUT_FILE "calend.dat"
  !insertmacro PUT_FILE "sound.wav"
  ; The licences of what the programs carry: the face, Qt, libical, the compiler's runtime.
  SetOutPath "$INSTDIR\licenses"
  !insertmacro PUT_FILE "licenses\DejaVu.txt"
  !insertmacro PUT_FILE "licenses\Qt.txt"
  !insertmacro PUT_FILE "licenses\libical.txt"
  !insertmacro PUT_FILE "licenses\MinGW-w64.txt"
  !insertmacro PUT_FILE "licenses\GCC.txt"
  SetOutPath "$INSTDIR"
  SetOverwrite on
  ${If} $R9 == 1
    ClearErrors
    WriteINIStr "$INSTDIR\${MARK}" "Kalvo" "Version" "${VERSION}"
    WriteINIStr "$INSTDIR\${MARK}" "Kalvo" "AllUsers" "$AllUsers"
    ${If} ${Errors}
      !insertmacro FAIL "Súbor $INSTDIR\${MARK} sa nepodarilo zapísať."
    ${EndIf}
  ${EndIf}
  ClearErrors
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ${If} ${Errors}
    !insertmacro FAIL "Súbor $INSTDIR\uninstall.exe sa nepodarilo zapísať."
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\Kalvo.lnk" "$INSTDIR\kalvo.exe" "" "$INSTDIR\kalvo.exe" 0

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kalvo.exe"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" "$0"
FunctionEnd

Section "Kalvo" SecProgram
  SectionIn RO
  ${If} $Elevated == 1
    Call InstallFiles
    Return
  ${EndIf}

  ; The new kalvo.exe asks the running one to end: the installed one may be too old to know how.
  ${If} ${FileExists} "$INSTDIR\kalvo.exe"
    InitPluginsDir
    SetOutPath "$PLUGINSDIR"
    File "${BIN}\kalvo.exe"
    Push "$PLUGINSDIR\kalvo.exe"
    Call EndRunningKalvo
  ${EndIf}

  ${If} $AllUsers == 1
    DetailPrint "Inštalácia pre všetkých používateľov čaká na súhlas správcu..."
    Push "runas"
    Push "$EXEPATH"
    Push '/ELEVATED /ALLUSERS /S /D=$INSTDIR'
    Call ShellRunWait
    Pop $0
    ${If} $0 == "chyba 1223"
      !insertmacro FAIL "Bez súhlasu správcu sa Kalvo pre všetkých používateľov nedá nainštalovať."
    ${ElseIf} $0 != 0
      !insertmacro FAIL "Kalvo sa nepodarilo nainštalovať do priečinka $INSTDIR: Kalvo z tohto \
          priečinka je zrejme ešte spustené, možno pod iným používateľom počítača.$\r$\nUkončite ho a \
          spustite inštaláciu znova."
    ${EndIf}
    SetOutPath "$INSTDIR"
  ${Else}
    Call InstallFiles
  ${EndIf}
SectionEnd

; The same value that the program's settings write, in the user's own registry: named after the
; executable, holding its full path in quotes.
Section /o "Spúšťať Kalvo pri prihlásení" SecAutostart
  ${If} $Elevated != 1
    WriteRegStr HKCU "${RUN_KEY}" "kalvo.exe" '"$INSTDIR\kalvo.exe"'
  ${EndIf}
SectionEnd

Section "-after"
  ${If} $Elevated == 1
    Return
  ${EndIf}
  ; Unticked: this installation's start at log-on goes; another copy's stays.
  ${IfNot} ${SectionIsSelected} ${SecAutostart}
    Call RunValueIsOurs
    ${If} $0 == 1
      DeleteRegValue HKCU "${RUN_KEY}" "kalvo.exe"
    ${EndIf}
  ${EndIf}
  ${If} $WasRunning == 1
    DetailPrint "Kalvo sa znova spúšťa."
    Exec '"$INSTDIR\kalvo.exe"'
  ${EndIf}
SectionEnd

; The start at log-on is ticked when it was asked for or is already this installation's.
Function PreselectAutostart
  Call RunValueIsOurs
  ${If} $AutostartAsked == 1
  ${OrIf} $0 == 1
    SectionSetFlags ${SecAutostart} ${SF_SELECTED}
  ${Else}
    SectionSetFlags ${SecAutostart} 0
  ${EndIf}
FunctionEnd

LangString DESC_PROGRAM ${LANG_SLOVAK} "Program Kalvo, kalvo-cli, kalendár mien a zvuk pripomienok."
LangString DESC_AUTOSTART ${LANG_SLOVAK} "Kalvo sa spustí po každom prihlásení do Windows. Dá sa to zmeniť v nastaveniach programu."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} $(DESC_PROGRAM)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAutostart} $(DESC_AUTOSTART)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---------------------------------------------------------------------------------------------------
; The uninstaller. It runs from a copy in the temporary folder, $INSTDIR being the installation.

Function un.onInit
  SetRegView 64
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/ELEVATED" $R1
  ${IfNot} ${Errors}
    StrCpy $Elevated 1
  ${EndIf}
  ReadINIStr $AllUsers "$INSTDIR\${MARK}" "Kalvo" "AllUsers"
  ${If} $AllUsers == ""
    ; Installed before the mark existed: all users when the machine's uninstall entry names it.
    StrCpy $AllUsers 0
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Stops the removal with `message` and exit status 2, the uninstall entry kept; the Kalvo that was ended
; for it is started again while its program is still there.
!macro UN_FAIL message
  SetDetailsPrint listonly
  DetailPrint "${message}"
  SetDetailsPrint both
  MessageBox MB_OK|MB_ICONSTOP "${message}" /SD IDOK
  ${If} $WasRunning == 1
  ${AndIf} ${FileExists} "$INSTDIR\kalvo.exe"
    Exec '"$INSTDIR\kalvo.exe"'
  ${EndIf}
  SetErrorLevel 2
  Abort
!macroend

!macro REMOVE_FILE name
  Delete "$INSTDIR\${name}"
  ${If} ${FileExists} "$INSTDIR\${name}"
    !insertmacro UN_FAIL "Súbor $INSTDIR\${name} sa nepodarilo odstrániť: Kalvo z tohto priečinka je zrejme \
        ešte spustené, možno pod iným používateľom počítača.$\r$\nUkončite ho a spustite odinštalovanie znova."
  ${EndIf}
!macroend

Section "Uninstall"
  ${If} $Elevated != 1
  ${AndIf} ${FileExists} "$INSTDIR\kalvo.exe"
    Push "$INSTDIR\kalvo.exe"
    Call un.EndRunningKalvo
  ${EndIf}

  ${If} $AllUsers == 1
  ${AndIf} $Elevated != 1
    DetailPrint "Odinštalovanie pre všetkých používateľov čaká na súhlas správcu..."
    Push "runas"
    Push "$EXEPATH"
    Push '/ELEVATED /S _?=$INSTDIR'
    Call un.ShellRunWait
    Pop $0
    ${If} $0 == "chyba 1223"
      !insertmacro UN_FAIL "Bez súhlasu správcu sa Kalvo pre všetkých používateľov nedá odinštalovať."
    ${ElseIf} $0 != 0
      !insertmacro UN_FAIL "Kalvo sa nepodarilo odinštalovať z priečinka $INSTDIR: Kalvo z tohto \
          priečinka je zrejme ešte spustené, možno pod iným používateľom počítača.$\r$\nUkončite ho a \
          spustite odinštalovanie znova."
    ${EndIf}
  ${Else}
    ; The program first: while it cannot go, everything else stays as it was.
    !insertmacro REMOVE_FILE "kalvo.exe"
    !insertmacro REMOVE_FILE "kalvo-cli.exe"
    !insertmacro REMOVE_FILE "calend.dat"
    !insertmacro REMOVE_FILE "sound.wav"
    !insertmacro REMOVE_FILE "licenses\DejaVu.txt"
    !insertmacro REMOVE_FILE "licenses\Qt.txt"
    !insertmacro REMOVE_FILE "licenses\libical.txt"
    !insertmacro REMOVE_FILE "licenses\MinGW-w64.txt"
    !insertmacro REMOVE_FILE "licenses\GCC.txt"
    RMDir "$INSTDIR\licenses"
    !insertmacro REMOVE_FILE "${MARK}"
    Delete "$SMPROGRAMS\Kalvo.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: the reminders of a copy that kept them beside itself stay, and each user's
    ; reminders in %APPDATA%\Kalvo are the user's, not the program's.
    RMDir "$INSTDIR"
  ${EndIf}

  ; The user's start at log-on, once the program is gone, when it is this installation's.
  ${If} $Elevated != 1
    Call un.RunValueIsOurs
    ${If} $0 == 1
      DeleteRegValue HKCU "${RUN_KEY}" "kalvo.exe"
    ${EndIf}
  ${EndIf}
SectionEnd
