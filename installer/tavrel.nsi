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
  !define OTHER_ARCH x86
  !define OTHER_REGVIEW 32
  !define OTHER_REGSVR32 "$WINDIR\SysWOW64\regsvr32.exe"
!else if "${ARCH}" == "x86"
  Unicode true
  !define REGVIEW 32
  !define PROGRAMS_DIR "$PROGRAMFILES32"
  !define OTHER_ARCH x64
  !define OTHER_REGVIEW 64
  ; The 64-bit system folder as a 32-bit program names it.
  !define OTHER_REGSVR32 "$WINDIR\Sysnative\regsvr32.exe"
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
!define OTHER_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tavrel_${OTHER_ARCH}"
!define MENU_FOLDER "$SMPROGRAMS\Tavrel (${ARCH})"
!define PUBLISHER "Orvane"
!define REGSVR32 "$SYSDIR\regsvr32.exe"
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
FunctionEnd

; A host that has loaded the plug-in keeps its file open: replacing it then
; would leave old and new files side by side. Ask the user to close the host
; and retry; cancelling (the silent answer) leaves the installation untouched.
Function WaitUntilFilesFree
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
      ${AndIf} ${FileExists} "$INSTDIR\$R6"
        ClearErrors
        FileOpen $R5 "$INSTDIR\$R6" a
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
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\$R9 is in use, probably by your host.$\r$\n$\r$\nClose the host (and TavrelReg), then choose Retry. Cancel leaves the installed version as it is." /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Abort "Cancelled: $R9 is in use."
  retry:
  ${Loop}
FunctionEnd

; An earlier installation in another folder (the shared-surfaces value has
; changed since) is uninstalled first, so that one entry and one registered
; file remain.
Function RemoveInstallElsewhere
  ClearErrors
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} ${Errors}
  ${OrIf} $R0 == "$INSTDIR"
  ${OrIfNot} ${FileExists} "$R0\Uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "Removing the earlier installation in $R0"
  ExecWait '"$R0\Uninstall.exe" /S _?=$R0'
  Delete "$R0\Uninstall.exe"
  RMDir "$R0"
FunctionEnd

; Takes away everything this run installed after a failed registration.
Function RemoveFailedInstall
  ; A folder that is the current directory cannot be removed.
  SetOutPath "$TEMP"
  ExecWait '"${REGSVR32}" /u /s "$INSTDIR\Tavrel.dll"'
  Delete "$INSTDIR\Tavrel.dll"
  Delete "$INSTDIR\TavrelReg.exe"
  Delete "$INSTDIR\Quillet.dll"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /r "$INSTDIR\guide"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  RMDir /r "${MENU_FOLDER}"
  ${If} $CreatedShared == 1
    DeleteRegValue HKLM "${SHARED_KEY}" "${SHARED_VALUE}"
    DeleteRegKey /ifempty HKLM "${SHARED_KEY}"
    RMDir "$SharedDir"
    RMDir "$SharedDir\.."
  ${EndIf}
FunctionEnd

Section "Tavrel"
  SetRegView ${REGVIEW}
  SetShellVarContext all
  Call WaitUntilFilesFree
  Call RemoveInstallElsewhere

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
  ${If} $CreatedShared == 1
    WriteRegStr HKLM "${SHARED_KEY}" "${SHARED_VALUE}" "$SharedDir"
  ${EndIf}

  ; The registration tool of the installer's own bitness ($SYSDIR is the
  ; 32-bit system folder for the x86 installer on 64-bit Windows).
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
    DetailPrint "Registration failed: regsvr32 answered $Result; not as expected: $R9"
    Call RemoveFailedInstall
    MessageBox MB_OK|MB_ICONSTOP "Tavrel could not be registered, so nothing was installed.$\r$\n$\r$\nThe registration tool answered $Result; not as expected: $R9.$\r$\n$\r$\nRun the installer again as an administrator." /SD IDOK
    SetErrorLevel 2
    Abort "Tavrel could not be registered."
  ${EndIf}
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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView ${REGVIEW}
  SetShellVarContext all
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
  Call un.Unregister
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\Tavrel.dll"
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\Quillet.dll"
  !insertmacro DELETE_WHEN_FREE "$INSTDIR\TavrelReg.exe"
  RMDir /r "$INSTDIR\guide"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir /r "${MENU_FOLDER}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; The shared-surfaces value and the host's list of surfaces stay: other
  ; surfaces use them.
SectionEnd
