; Tavrel's installer and uninstaller, one script for both architectures.
; installer/build-installer.sh runs it:
;   makensis -DARCH=x64|x86 -DVERSION=x.y.z -DBIN=<folder of the three files>
;            -DROWS=<registry_checks.nsh> -DOUTFILE=<setup.exe>
;            [-DGUIDE=<folder of the user guide>] [-DSIGN=<signing command>] tavrel.nsi
;
; Each installer installs its own architecture's build and works in its own
; registry view only: every registry read and write below runs after
; SetRegView ${REGVIEW} (a 32-bit host on 64-bit Windows reads the 32-bit view).

!if "${ARCH}" == "x64"
  Target amd64-unicode
  !define REGVIEW 64
  !define PROGRAMS_DIR "$PROGRAMFILES64"
  ; The generated registry checks look there for the key both builds share.
  !define OTHER_REGVIEW 32
!else if "${ARCH}" == "x86"
  Unicode true
  !define REGVIEW 32
  !define PROGRAMS_DIR "$PROGRAMFILES32"
  !define OTHER_REGVIEW 64
!else
  !error "ARCH must be x64 or x86"
!endif

; A signed build: makensis runs the signing command on the installer it has
; written and on the uninstaller before it goes into the installer.
!ifdef SIGN
  !finalize '"${SIGN}" "%1"' = 0
  !uninstfinalize '"${SIGN}" "%1"' = 0
!endif

!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include "${ROWS}"

; Where the host keeps its shared surfaces; the uninstall hook reads the same
; value and expects the plug-in in its subfolder Tavrel.
!define SHARED_KEY "SOFTWARE\Merrow Music Software\Shared Surfaces"
!define SHARED_VALUE "InstallDirectory"
!define DEFAULT_SHARED_DIR "${PROGRAMS_DIR}\Merrow Music Software\Shared Surfaces"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel_${ARCH}"
!define MENU_FOLDER "$SMPROGRAMS\Tavrel (${ARCH})"
!define PUBLISHER "Orvane"
!define REGSVR32 "$SYSDIR\regsvr32.exe"
!define REG "$SYSDIR\reg.exe"
; Bounds of the waits: 100 ms steps.
!define KEYS_GONE_STEPS 200
!define FILE_FREE_STEPS 50

Name "Tavrel ${VERSION} (${ARCH})"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "${DEFAULT_SHARED_DIR}\Tavrel"
ShowInstDetails show
ShowUninstDetails show
SetCompressor /SOLID lzma

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "Tavrel"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 FileDescription "Tavrel ${ARCH} setup"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 LegalCopyright "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs the Tavrel control surface plug-in for ${ARCH} hosts.$\r$\n$\r$\nChoose the installer that matches your host: x64 for a 64-bit host, x86 for a 32-bit host.$\r$\n$\r$\nTavrel goes into the folder where your host keeps its shared surfaces:$\r$\n$INSTDIR$\r$\n$\r$\nClose your host before you continue."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var SharedDir      ; the host's shared-surfaces folder
Var CreatedShared  ; 1 when this installation writes the shared-surfaces value
Var Result
Var OldDir         ; the listed installation in another folder (the shared-surfaces value moved since), or ""
Var PrevModule     ; the Tavrel.dll that the registry named, completely, before this run, or ""
Var HadPrevious    ; 1 when an installation (or a registration) was there before this run
Var Backup         ; copies of what this run replaces, kept until the new installation is registered
Var Touched        ; 1 from the first change until the new installation is registered
Var OldRemoved     ; 1 once the old folder's uninstaller has been started
Var Extracted      ; 1 once this run's files replace those in $INSTDIR
Var SharedDirMade  ; 1 when the shared-surfaces folder did not exist before this run
Var CopyFailed     ; 1 once a CopyFolder failed
Var Why            ; why the installation stopped
Var Outcome        ; what is installed after a failure, for the user

; The shared-surfaces folder as the value gives it (expanded, without a
; trailing backslash), or "" when there is none.
!macro READ_SHARED_DIR OUT
  ClearErrors
  ReadRegStr ${OUT} HKLM "${SHARED_KEY}" "${SHARED_VALUE}"
  ${If} ${Errors}
    StrCpy ${OUT} ""
  ${EndIf}
  ExpandEnvStrings ${OUT} ${OUT}
  ${Do}
    StrCpy $R8 ${OUT} 1 -1
    ${If} $R8 != "\"
      ${Break}
    ${EndIf}
    StrCpy ${OUT} ${OUT} -1
  ${Loop}
!macroend

Function .onInit
  SetRegView ${REGVIEW}
  SetShellVarContext all
  ; The x64 installer needs no check of its own for 32-bit Windows: it is a
  ; 64-bit program (Target amd64-unicode), which 32-bit Windows refuses to
  ; start, with its own message (and x64.nsh's RunningX64 is constant there).
  !insertmacro READ_SHARED_DIR $SharedDir
  StrCpy $CreatedShared 0
  ${If} $SharedDir == ""
    StrCpy $SharedDir "${DEFAULT_SHARED_DIR}"
    StrCpy $CreatedShared 1
  ${EndIf}
  StrCpy $INSTDIR "$SharedDir\Tavrel"
  StrCpy $SharedDirMade 0
  ${IfNot} ${FileExists} "$SharedDir\*.*"
    StrCpy $SharedDirMade 1
  ${EndIf}
  ClearErrors
  ReadRegStr $OldDir HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${Errors}
  ${OrIf} $OldDir == "$INSTDIR"
  ${OrIfNot} ${FileExists} "$OldDir\Uninstall.exe"
    StrCpy $OldDir ""
  ${EndIf}
FunctionEnd

; A host that has loaded the plug-in keeps its file open: replacing it then
; would leave old and new files side by side, and removing it would unregister
; the plug-in under the running host and leave the file for a restart. Ask the
; user to close the host and retry; cancelling (the silent answer) leaves the
; installation untouched. The folder to check is on the stack.
!macro WAIT_UNTIL_FILES_FREE UN
Function ${UN}WaitUntilFilesFree
  Pop $R4
  ${Do}
    StrCpy $R9 ""
    ${ForEach} $R7 1 3 + 1
      ${Select} $R7
        ${Case} 1
          StrCpy $R6 "Tavrel.dll"
        ${Case} 2
          StrCpy $R6 "TavrelReg.exe"
        ${Case} 3
          StrCpy $R6 "Quillet.dll"
      ${EndSelect}
      ${If} $R9 == ""
      ${AndIf} ${FileExists} "$R4\$R6"
        ClearErrors
        FileOpen $R5 "$R4\$R6" a
        ${If} ${Errors}
          StrCpy $R9 $R6
        ${Else}
          FileClose $R5
        ${EndIf}
      ${EndIf}
    ${Next}
    ${If} $R9 == ""
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$R4\$R9 is in use, probably by your host.$\r$\n$\r$\nClose the host (and TavrelReg), then choose Retry. Cancel leaves the installed version as it is." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Abort "Cancelled: $R9 is in use."
  retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro WAIT_UNTIL_FILES_FREE ""
!insertmacro WAIT_UNTIL_FILES_FREE "un."

; Stops the installation with exit code 2 after putting back what it changed.
!macro FAIL_INSTALL WHY
  Push "${WHY}"
  Call FailInstall
!macroend

; Copies what FROM holds into TO (made when needed); a missing or empty FROM
; copies nothing. A failure sets $CopyFailed.
!macro COPY_FOLDER FROM TO
  Push "${TO}"
  Push "${FROM}"
  Call CopyFolder
!macroend
Function CopyFolder
  Pop $R2
  Pop $R3
  FindFirst $R4 $R5 "$R2\*.*"
  ${Do}
    ${If} $R5 != "."
    ${AndIf} $R5 != ".."
      ${Break}
    ${EndIf}
    FindNext $R4 $R5
  ${Loop}
  FindClose $R4
  ${If} $R5 != ""
    CreateDirectory "$R3"
    ClearErrors
    CopyFiles /SILENT "$R2\*.*" "$R3"
    ${If} ${Errors}
      StrCpy $CopyFailed 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; An upgrade replaces an installation that works: until the new one is
; registered and checked, everything it replaces can be put back. This keeps
; copies of the files in $INSTDIR and, when the shared-surfaces folder has
; moved since, of the old folder's installation with its Start-menu folder
; and list entry, which its uninstaller removes. $PrevModule is the Tavrel.dll
; that the registry names, when every row is in place.
Function KeepPrevious
  StrCpy $PrevModule ""
  ClearErrors
  ReadRegStr $R0 HKCR "${TAVREL_MODULE_KEY}" ""
  ${IfNot} ${Errors}
  ${AndIf} ${FileExists} "$R0"
    !insertmacro TAVREL_REGISTRY_ROWS_PRESENT "$R0"
    ${If} $R9 == ""
      StrCpy $PrevModule "$R0"
    ${EndIf}
  ${EndIf}
  StrCpy $HadPrevious 0
  ${If} $PrevModule != ""
  ${OrIf} $OldDir != ""
  ${OrIf} ${FileExists} "$INSTDIR\Tavrel.dll"
  ${OrIf} ${FileExists} "$INSTDIR\Uninstall.exe"
    StrCpy $HadPrevious 1
  ${EndIf}
  StrCpy $CopyFailed 0
  GetTempFileName $Backup
  ${If} $Backup == ""
    StrCpy $CopyFailed 1
  ${Else}
    Delete "$Backup"
    CreateDirectory "$Backup"
    !insertmacro COPY_FOLDER "$INSTDIR" "$Backup\here"
  ${EndIf}
  ${If} $OldDir != ""
  ${AndIf} $CopyFailed == 0
    !insertmacro COPY_FOLDER "$OldDir" "$Backup\elsewhere"
    !insertmacro COPY_FOLDER "${MENU_FOLDER}" "$Backup\menu"
    StrCpy $R0 "not started"
    ExecWait '"${REG}" export "HKLM\${UNINSTALL_KEY}" "$Backup\entry.reg" /y /reg:${REGVIEW}' $R0
    ${If} $R0 != 0
      StrCpy $CopyFailed 1
    ${EndIf}
  ${EndIf}
  ${If} $CopyFailed == 1
    ${If} $Backup != ""
      RMDir /r "$Backup"
    ${EndIf}
    MessageBox MB_OK|MB_ICONSTOP "Tavrel could not keep a copy of the installed version in $TEMP, so nothing was changed." /SD IDOK
    SetErrorLevel 2
    Abort "Nothing was changed: no copy of the installed version."
  ${EndIf}
FunctionEnd

; An earlier installation in another folder (the shared-surfaces value has
; changed since) is uninstalled first, so that one entry and one registered
; file remain. Its uninstaller runs in place (_?=) so that its exit code is
; its result; a failure stops the installation.
Function RemoveInstallElsewhere
  ${If} $OldDir == ""
    Return
  ${EndIf}
  DetailPrint "Removing the earlier installation in $OldDir"
  StrCpy $OldRemoved 1
  StrCpy $R0 "not started"
  ExecWait '"$OldDir\Uninstall.exe" /S _?=$OldDir' $R0
  ${If} $R0 != 0
    !insertmacro FAIL_INSTALL "The earlier installation in $OldDir could not be uninstalled: its uninstaller answered $R0."
  ${EndIf}
  ; Older uninstallers leave their own file when run in place.
  Delete "$OldDir\Uninstall.exe"
  RMDir "$OldDir"
FunctionEnd

; The check after registration proves that this run's Tavrel.dll wrote the
; rows only if none was there before: the earlier registration is taken back
; first, by its own Tavrel.dll, and rows that no file can take back (their
; file is gone) are deleted.
Function ClearRegistration
  !insertmacro TAVREL_REGISTRY_ROWS_ABSENT
  ${If} $R9 == ""
    Return
  ${EndIf}
  ${If} $PrevModule != ""
    DetailPrint "Unregistering the earlier $PrevModule"
    ExecWait '"${REGSVR32}" /u /s "$PrevModule"'
  ${EndIf}
  !insertmacro TAVREL_REGISTRY_ROWS_DELETE
  !insertmacro TAVREL_REGISTRY_ROWS_ABSENT
  ${If} $R9 != ""
    !insertmacro FAIL_INSTALL "The earlier registration could not be removed: $R9 is still in the registry."
  ${EndIf}
FunctionEnd

; Puts back what this run changed, as KeepPrevious found it, and says in
; $Outcome what is installed now. The copies go only when all is back.
Function RestorePrevious
  ; A folder that is the current directory cannot be removed.
  SetOutPath "$TEMP"
  StrCpy $CopyFailed 0
  ${If} $Extracted == 1
    ; Whatever this run's Tavrel.dll wrote goes with it.
    ExecWait '"${REGSVR32}" /u /s "$INSTDIR\Tavrel.dll"'
    !insertmacro TAVREL_REGISTRY_ROWS_DELETE
    Delete "$INSTDIR\Tavrel.dll"
    Delete "$INSTDIR\TavrelReg.exe"
    Delete "$INSTDIR\Quillet.dll"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir /r "$INSTDIR\guide"
    !insertmacro COPY_FOLDER "$Backup\here" "$INSTDIR"
    RMDir "$INSTDIR"
  ${EndIf}
  ${If} $CreatedShared == 1
    DeleteRegValue HKLM "${SHARED_KEY}" "${SHARED_VALUE}"
    DeleteRegKey /ifempty HKLM "${SHARED_KEY}"
    RMDir "$SharedDir"
    RMDir "$SharedDir\.."
  ${ElseIf} $SharedDirMade == 1
    RMDir "$SharedDir"
  ${EndIf}
  ${If} $OldRemoved == 1
    ; The list entry first: it tells the old uninstaller's helper, should it
    ; still run, to keep the Uninstall.exe put back (un.RemoveHandedOverFile).
    StrCpy $R0 "not started"
    ExecWait '"${REG}" import "$Backup\entry.reg" /reg:${REGVIEW}' $R0
    ${If} $R0 != 0
      StrCpy $CopyFailed 1
    ${EndIf}
    !insertmacro COPY_FOLDER "$Backup\elsewhere" "$OldDir"
    !insertmacro COPY_FOLDER "$Backup\menu" "${MENU_FOLDER}"
  ${EndIf}
  ${If} $HadPrevious == 1
    StrCpy $Outcome "The installed version is as it was."
  ${Else}
    StrCpy $Outcome "Nothing was installed."
  ${EndIf}
  ${If} $PrevModule != ""
    !insertmacro TAVREL_REGISTRY_ROWS_PRESENT "$PrevModule"
    ${If} $R9 != ""
      ExecWait '"${REGSVR32}" /s "$PrevModule"'
      !insertmacro TAVREL_REGISTRY_ROWS_PRESENT "$PrevModule"
    ${EndIf}
    ${If} $R9 != ""
      StrCpy $Outcome "The installed version's files are back, but it could not be registered again (not as expected: $R9). Register $PrevModule with regsvr32."
    ${EndIf}
  ${EndIf}
  ${If} $CopyFailed == 1
    StrCpy $Outcome "The installed version could not be put back completely: its copy is in $Backup."
  ${Else}
    RMDir /r "$Backup"
  ${EndIf}
  StrCpy $Touched 0
FunctionEnd

; Stops the installation with exit code 2 after putting back what it changed.
Function FailInstall
  Pop $Why
  DetailPrint "$Why"
  Call RestorePrevious
  DetailPrint "$Outcome"
  MessageBox MB_OK|MB_ICONSTOP "$Why$\r$\n$\r$\n$Outcome$\r$\n$\r$\nRun the installer again as an administrator." /SD IDOK
  SetErrorLevel 2
  Abort "$Why"
FunctionEnd

; A stop that no check here caught (a file that could not be written, and
; Abort chosen) puts the earlier installation back all the same.
Function .onInstFailed
  ${If} $Touched == 1
    Call RestorePrevious
    MessageBox MB_OK|MB_ICONSTOP "Tavrel could not be installed.$\r$\n$\r$\n$Outcome" /SD IDOK
    SetErrorLevel 2
  ${EndIf}
FunctionEnd

Section "Tavrel"
  SetRegView ${REGVIEW}
  SetShellVarContext all
  Push "$INSTDIR"
  Call WaitUntilFilesFree
  ${If} $OldDir != ""
    Push "$OldDir"
    Call WaitUntilFilesFree
  ${EndIf}
  Call KeepPrevious
  StrCpy $Touched 1
  Call RemoveInstallElsewhere
  Call ClearRegistration

  ; The earlier files go first (their copies are kept), so that a file that
  ; cannot be written leaves a gap the checks below find, never an old file.
  StrCpy $Extracted 1
  Delete "$INSTDIR\Tavrel.dll"
  Delete "$INSTDIR\TavrelReg.exe"
  Delete "$INSTDIR\Quillet.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /r "$INSTDIR\guide"
  ${If} ${FileExists} "$INSTDIR\Tavrel.dll"
  ${OrIf} ${FileExists} "$INSTDIR\TavrelReg.exe"
  ${OrIf} ${FileExists} "$INSTDIR\Quillet.dll"
  ${OrIf} ${FileExists} "$INSTDIR\Uninstall.exe"
    !insertmacro FAIL_INSTALL "The installed version's files in $INSTDIR could not be replaced."
  ${EndIf}
  SetOutPath "$INSTDIR"
  File "${BIN}\Tavrel.dll"
  File "${BIN}\TavrelReg.exe"
  File "${BIN}\Quillet.dll"
!ifdef GUIDE
  SetOutPath "$INSTDIR\guide"
  File /r "${GUIDE}\*.*"
  SetOutPath "$INSTDIR"
!endif
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${IfNot} ${FileExists} "$INSTDIR\TavrelReg.exe"
  ${OrIfNot} ${FileExists} "$INSTDIR\Quillet.dll"
  ${OrIfNot} ${FileExists} "$INSTDIR\Uninstall.exe"
    !insertmacro FAIL_INSTALL "Tavrel's files could not be written into $INSTDIR."
  ${EndIf}
  ${If} $CreatedShared == 1
    WriteRegStr HKLM "${SHARED_KEY}" "${SHARED_VALUE}" "$SharedDir"
  ${EndIf}

  ; The registration tool of the installer's own bitness ($SYSDIR is the
  ; 32-bit system folder for the x86 installer on 64-bit Windows). No row was
  ; left before it (ClearRegistration), so every row in place now was written
  ; by this file.
  DetailPrint "Registering $INSTDIR\Tavrel.dll"
  StrCpy $Result "not started"
  ClearErrors
  ExecWait '"${REGSVR32}" /s "$INSTDIR\Tavrel.dll"' $Result
  !insertmacro TAVREL_REGISTRY_ROWS_PRESENT "$INSTDIR\Tavrel.dll"
  ${If} $Result != 0
  ${OrIf} $R9 != ""
    ${If} $R9 == ""
      StrCpy $R9 "every key"
    ${EndIf}
    !insertmacro FAIL_INSTALL "Tavrel could not be registered: the registration tool answered $Result; not as expected: $R9."
  ${EndIf}
  StrCpy $Touched 0
  RMDir /r "$Backup"
  DetailPrint "Registered: every key and value is in place"

  CreateDirectory "${MENU_FOLDER}"
  ; TavrelReg unregisters the Tavrel.dll of its working folder.
  CreateShortCut "${MENU_FOLDER}\Unregister Tavrel (TavrelReg).lnk" "$INSTDIR\TavrelReg.exe"
!ifdef GUIDE
  CreateShortCut "${MENU_FOLDER}\Tavrel User Guide.lnk" "$INSTDIR\guide\user-guide.html"
!endif

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tavrel ${VERSION} (${ARCH})"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\TavrelReg.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  ; Run in place (_?=), the uninstaller is the process a deployment tool
  ; waits for, and its exit code is the uninstall's result.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S _?=$INSTDIR'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView ${REGVIEW}
  SetShellVarContext all
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEFILE=" $R1
  ${IfNot} ${Errors}
    Call un.RemoveHandedOverFile
    Quit
  ${EndIf}
FunctionEnd

; Run in place (the list entry's quiet command, which a deployment tool waits
; for), the uninstaller cannot delete its own file: NSIS keeps it open while
; it runs. A copy of it in the temporary folder deletes the file once this
; process has ended, and then the empty folder.
Function un.HandOverOwnFile
  GetTempFileName $R0
  ${If} $R0 == ""
    Return
  ${EndIf}
  Delete "$R0"
  CreateDirectory "$R0"
  CopyFiles /SILENT "$EXEPATH" "$R0"
  System::Call 'kernel32::GetCurrentProcessId() i.r1'
  Exec '"$R0\$EXEFILE" /REMOVEFILE=$1 _?=$INSTDIR'
FunctionEnd

; The copy's work; $R1 is the process that handed the file over. The copy
; itself goes at the next restart, as the copy that NSIS runs an uninstaller
; from otherwise does.
Function un.RemoveHandedOverFile
  System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i R1) p.r2' ; SYNCHRONIZE
  ${If} $2 P<> 0
    System::Call 'kernel32::WaitForSingleObject(p r2, i 10000)'
    System::Call 'kernel32::CloseHandle(p r2)'
  ${EndIf}
  ; An installation that has taken the folder since (a new one, or one that
  ; an installer put back) keeps its Uninstall.exe.
  ClearErrors
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${Errors}
  ${OrIf} $R0 != "$INSTDIR"
    ${ForEach} $R6 1 ${FILE_FREE_STEPS} + 1
      Delete "$INSTDIR\Uninstall.exe"
      ${IfNotThen} ${FileExists} "$INSTDIR\Uninstall.exe" ${|} ${Break} ${|}
      Sleep 100
    ${Next}
    RMDir "$INSTDIR"
  ${EndIf}
  System::Call 'kernel32::MoveFileExW(w "$EXEPATH", p 0, i 4)' ; MOVEFILE_DELAY_UNTIL_REBOOT
  System::Call 'kernel32::MoveFileExW(w "$EXEDIR", p 0, i 4)'
FunctionEnd

; $R7 = 1 when the hook was called. The hook unregisters the Tavrel.dll below
; the shared-surfaces value; it is called only when that is this
; installation's file, since otherwise it could only fail, and its failure
; message box would wait for a click even in a silent uninstall.
Function un.CallUninstallHook
  StrCpy $R7 0
  !insertmacro READ_SHARED_DIR $R0
  ${If} $R0 == ""
  ${OrIf} "$R0\Tavrel" != "$INSTDIR"
  ${OrIfNot} ${FileExists} "$INSTDIR\Quillet.dll"
    DetailPrint "Uninstall hook skipped: the shared-surfaces folder does not hold this installation"
    Return
  ${EndIf}
  System::Call 'kernel32::LoadLibraryW(w "$INSTDIR\Quillet.dll") p.r1'
  ${If} $1 P= 0
    DetailPrint "Uninstall hook skipped: Quillet.dll does not load"
    Return
  ${EndIf}
  System::Call 'kernel32::GetProcAddress(p r1, m "UninstInitialize") p.r2'
  System::Call 'kernel32::GetProcAddress(p r1, m "UninstUnInitialize") p.r3'
  ${If} $2 P<> 0
  ${AndIf} $3 P<> 0
    ; Both take three 32-bit arguments, stdcall on x86 (the System
    ; plug-in's default convention).
    System::Call '::$2(p $HWNDPARENT, i 0, i 0) i.r4'
    System::Call '::$3(i 0, i 0, i 0) i.r4'
    StrCpy $R7 1
    DetailPrint "Uninstall hook called"
  ${EndIf}
  System::Call 'kernel32::FreeLibrary(p r1)'
FunctionEnd

; The hook starts the registration tool and does not wait for it: wait, with
; a bound, until the keys are gone, so that the tool never finds Tavrel.dll
; already deleted. Without the hook's help, unregister directly.
Function un.Unregister
  Call un.CallUninstallHook
  ${If} $R7 == 1
    ${ForEach} $R6 1 ${KEYS_GONE_STEPS} + 1
      !insertmacro TAVREL_REGISTRY_ROWS_ABSENT
      ${If} $R9 == ""
        ${Break}
      ${EndIf}
      Sleep 100
    ${Next}
  ${EndIf}
  !insertmacro TAVREL_REGISTRY_ROWS_ABSENT
  ${If} $R9 != ""
  ${AndIf} ${FileExists} "$INSTDIR\Tavrel.dll"
    DetailPrint "Unregistering $INSTDIR\Tavrel.dll with the registration tool"
    ExecWait '"${REGSVR32}" /u /s "$INSTDIR\Tavrel.dll"'
    !insertmacro TAVREL_REGISTRY_ROWS_ABSENT
  ${EndIf}
  ${If} $R9 != ""
  ${AndIf} ${FileExists} "$INSTDIR\Tavrel.dll"
    ; Deleting the file now would leave keys that name a missing file.
    MessageBox MB_OK|MB_ICONEXCLAMATION "Tavrel could not be unregistered: $R9 is still in the registry.$\r$\n$\r$\nRun the uninstaller again as an administrator." /SD IDOK
    DetailPrint "Still registered: $R9; nothing was removed"
    SetErrorLevel 2
    Abort "Tavrel could not be unregistered."
  ${ElseIf} $R9 != ""
    DetailPrint "Tavrel.dll is missing, so $R9 cannot be unregistered"
  ${EndIf}
FunctionEnd

; The registration tool may hold the file for a moment after the keys are gone.
!macro DELETE_WHEN_FREE FILE
  ${ForEach} $R6 1 ${FILE_FREE_STEPS} + 1
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    Sleep 100
  ${Next}
  ${If} ${FileExists} "${FILE}"
    Delete /REBOOTOK "${FILE}"
  ${EndIf}
!macroend

Section "Uninstall"
  SetRegView ${REGVIEW}
  SetShellVarContext all
  Push "$INSTDIR"
  Call un.WaitUntilFilesFree
  Call un.Unregister
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\Tavrel.dll"
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\Quillet.dll"
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\TavrelReg.exe"
  RMDir /r "$INSTDIR\guide"
  Delete "$INSTDIR\Uninstall.exe"
  ${If} ${FileExists} "$INSTDIR\Uninstall.exe"
    Call un.HandOverOwnFile
  ${EndIf}
  ; A folder that is the current directory cannot be removed.
  SetOutPath "$TEMP"
  RMDir "$INSTDIR"
  RMDir /r "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The shared-surfaces value and the host's list of surfaces stay: other
  ; surfaces use them.
  ${If} ${RebootFlag}
    DetailPrint "Some of Tavrel's files go only when Windows restarts"
    MessageBox MB_OK|MB_ICONINFORMATION "Tavrel is uninstalled, but some of its files in $INSTDIR are removed only when Windows restarts." /SD IDOK
    ; ERROR_SUCCESS_REBOOT_REQUIRED, as deployment tools expect it
    SetErrorLevel 3010
  ${EndIf}
SectionEnd
