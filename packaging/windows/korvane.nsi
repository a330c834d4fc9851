; The Windows installer of korvane.exe and korvane-cli.exe, made on Linux by
; scripts/windows-package.sh with Debian's makensis (3.08):
;   makensis -DVERSION=1.1.0 -DSTAGE=<staged folder> -DFILES=<files.nsh> -DSIZE_KB=<size>
;            -DOUTFILE=<setup.exe> [-DSIGN=<command> -DPLUGINS=<folder>] [-DFAST]
;            [-DSTANDARD_UNTIL_ELEVATED] korvane.nsi
; STAGE holds everything installed; FILES names each of its files and folders,
; so the uninstaller removes those and nothing else of the folder. SIGN, when
; given, signs the uninstaller and the installer (its one argument: the file);
; PLUGINS then holds signed copies of the NSIS plugins, in amd64-unicode, that
; the installer unpacks and loads. FAST stores the files uncompressed (a
; package for tests, made in seconds). STANDARD_UNTIL_ELEVATED is for the
; installer test alone: under wine every user is an administrator, and with it
; only a copy started elevated by the script counts as one (see Elevate).
;
; Two modes, through MultiUser.nsh:
; - for the current user, the default, without administrator rights: into
;   %LOCALAPPDATA%\Programs\Korvane, the uninstall entry under HKCU;
; - for all users (/AllUsers, or chosen on the first page): into Program Files
;   and nowhere else, the entry under HKLM. Without administrator rights the
;   installer starts itself again, elevated, and hands on its exit status.
; An install registered under HKLM makes all users the default, so that it is
; upgraded in place. Silent: setup.exe /S [/AllUsers|/CurrentUser] [/D=C:\dir]
; (/D= last, unquoted); uninstall.exe /S.
;
; Exit status, besides NSIS's own (0 done, 1 cancelled, 2 aborted):
;   3  refused: all users, and the folder is not inside Program Files
;   4  refused: a newer version is installed
;   5  refused: korvane or korvane-cli is running, in this session or another
;   6  the installer could not remove the earlier version, or the uninstaller
;      some file of its own (the entry stays: uninstall again)
;   other  the system's error when elevation failed: 1223 refused, 740 no
;      rights even so
; A refusal changes nothing.
Unicode true
Target amd64-unicode
!ifdef FAST
  SetCompress off
!else
  SetCompressor /SOLID lzma
!endif

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
; Held by korvane.exe and korvane-cli.exe while they run
; (common/running_mark_windows.cpp): one in each session, one for the machine.
!define RUNNING_MUTEX "Local\KorvaneRunning"
!define RUNNING_MUTEX_ANY_SESSION "Global\KorvaneRunning"

; Neither the installer nor the uninstaller asks for elevation (asInvoker):
; only an all-users install or uninstall starts an elevated copy.
!define MULTIUSER_EXECUTIONLEVEL Standard
!define MULTIUSER_INSTALLMODE_INSTDIR "Korvane"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!include MultiUser.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
; KORVANE_FILES and KORVANE_FOLDERS: what this version installs.
!include "${FILES}"

Name "Korvane ${VERSION}"
OutFile "${OUTFILE}"
Icon "korvane.ico"
UninstallIcon "korvane.ico"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "Korvane"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "Korvane ${VERSION} setup"
VIAddVersionKey /LANG=0 "CompanyName" "Korvane"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright Korvane"

!ifdef SIGN
  !uninstfinalize '${SIGN} "%1"' = 0
  !finalize '${SIGN} "%1"' = 0
  ; Smart App Control checks every DLL that is loaded, the plugins too.
  !ifndef PLUGINS
    !error "SIGN needs PLUGINS, the signed copies of the plugins"
  !endif
  !addplugindir /amd64-unicode "${PLUGINS}"
!endif

Var Mode          ; AllUsers or CurrentUser, as asked for or as found
Var ModeGiven     ; 1 when the command line named the mode: no page
Var ChosenDir     ; the folder of /D=, if any
Var InProgramFiles
Var ModePageAll

Page custom ModePage ModePageLeave
Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; Returns at once when this process has administrator rights. Else starts
; this program again, elevated, with the command line in $R9 (which may end
; in /D= or _?=, so the mark goes first), waits for it and ends with its exit
; status. When elevation fails or is refused on the mode page, that page
; stays; anywhere else the program ends with the system's error.
!macro ELEVATE_FUNCTION UN
Function ${UN}Elevate
  ; $4: 1 in the copy this function started.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/Elevated" $1
  StrCpy $4 1
  ${If} ${Errors}
    StrCpy $4 0
  ${EndIf}
!ifdef STANDARD_UNTIL_ELEVATED
  ; The installer test's build: only the copy started here has the rights,
  ; so that wine, which makes every user an administrator, takes this way.
  StrCpy $0 $4
!else
  ; Not what UserInfo reports: an administrator's filtered token is no
  ; administrator's until elevated.
  System::Call 'shell32::IsUserAnAdmin() i .r0'
!endif
  ${If} $0 <> 0
    Return
  ${EndIf}
  ${If} $4 = 1
    ; Started elevated already, and still without the rights: the system
    ; gave none (elevation switched off). Never start another copy.
    MessageBox MB_ICONSTOP "$(^Name): administrator rights are needed for all users." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
  ; The elevated copy does not see the drives this user mapped: started from
  ; one, it starts from the drive's network path.
  StrCpy $5 $EXEPATH
  System::Alloc 4096 ; UNIVERSAL_NAME_INFOW, the path behind it
  Pop $6
  System::Call 'mpr::WNetGetUniversalNameW(w "$EXEPATH", i 1, p r6, *i 4096) i .r7'
  ${If} $7 = 0
    System::Call '*$6(w .r5)'
  ${EndIf}
  System::Free $6
  ; SHELLEXECUTEINFOW of 64-bit Windows, its padding spelled out:
  ; cbSize fMask hwnd verb file parameters directory nShow - hInstApp idList
  ; class hkeyClass hotKey - icon hProcess; SEE_MASK_NOCLOSEPROCESS. The
  ; window stays while the system asks the operator: the prompt comes to the
  ; front with it, where it would only flash in the taskbar behind a hidden one.
  System::Call '*(i 112, i 0x40, p $HWNDPARENT, w "runas", w "$5", w "/Elevated $R9", p 0, \
    i 1, i 0, p 0, p 0, p 0, p 0, i 0, i 0, p 0, p 0) p .r0'
  System::Call 'shell32::ShellExecuteExW(p r0) i .r1 ?e'
  Pop $2
  ${If} $1 = 0
    System::Free $0
    ${If} $2 = 2 ; ERROR_FILE_NOT_FOUND
    ${OrIf} $2 = 3 ; ERROR_PATH_NOT_FOUND
      MessageBox MB_ICONSTOP \
        "$(^Name): the copy with administrator rights cannot find $5 (a network drive may be yours alone). Copy it onto this computer and start it there." \
        /SD IDOK
    ${Else}
      MessageBox MB_ICONSTOP "$(^Name): no administrator rights for all users (error $2)." /SD IDOK
    ${EndIf}
    ${If} ${Silent}
    ${OrIf} $HWNDPARENT = 0
      SetErrorLevel $2
      Quit
    ${EndIf}
    Abort
  ${EndIf}
  HideWindow
  System::Call '*$0(i, i, p, p, p, p, p, i, i, p, p, p, p, i, i, p, p .r3)'
  System::Free $0
  System::Call 'kernel32::WaitForSingleObject(p r3, i -1)'
  System::Call 'kernel32::GetExitCodeProcess(p r3, *i .r4)'
  System::Call 'kernel32::CloseHandle(p r3)'
  SetErrorLevel $4
  Quit
FunctionEnd
!macroend
!insertmacro ELEVATE_FUNCTION ""
!insertmacro ELEVATE_FUNCTION "un."

; Waits until neither program runs, in this session or any other: asks to
; close them, or, silently, ends with status 5 before anything is changed.
!macro NOT_RUNNING_FUNCTION UN
; $0: 1 when the mutex $1 names is held: it opens, or it is refused, as an
; earlier version's mutex made by another user's elevated copy is.
Function ${UN}MarkHeld
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w r1) p .r2 ?e'
  Pop $3
  StrCpy $0 0
  ${If} $2 P<> 0
    System::Call 'kernel32::CloseHandle(p r2)'
    StrCpy $0 1
  ${ElseIf} $3 = 5 ; ERROR_ACCESS_DENIED
    StrCpy $0 1
  ${EndIf}
FunctionEnd

Function ${UN}CheckNotRunning
  retry:
  StrCpy $1 "${RUNNING_MUTEX}"
  Call ${UN}MarkHeld
  StrCpy $4 "Korvane is running. Close korvane and korvane-cli, then click Retry."
  ${If} $0 = 0
    StrCpy $1 "${RUNNING_MUTEX_ANY_SESSION}"
    Call ${UN}MarkHeld
    StrCpy $4 "Korvane is running in another session (another user's, or a scheduled task's). Close korvane and korvane-cli there, then click Retry."
  ${EndIf}
  ${If} $0 = 0
    Return
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$4" /SD IDCANCEL IDRETRY retry
  SetErrorLevel 5
  Quit
FunctionEnd
!macroend
!insertmacro NOT_RUNNING_FUNCTION ""
!insertmacro NOT_RUNNING_FUNCTION "un."

; $Mode: the mode /AllUsers or /CurrentUser names, else empty.
!macro MODE_OPTION_FUNCTION UN
Function ${UN}ModeOption
  StrCpy $Mode ""
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/CurrentUser" $1
  ${IfNot} ${Errors}
    StrCpy $Mode CurrentUser
  ${EndIf}
  ClearErrors
  ${GetOptions} $0 "/AllUsers" $1
  ${IfNot} ${Errors}
    StrCpy $Mode AllUsers
  ${EndIf}
FunctionEnd
!macroend
!insertmacro MODE_OPTION_FUNCTION ""
!insertmacro MODE_OPTION_FUNCTION "un."

Function .onInit
  SetRegView 64
  StrCpy $ChosenDir $INSTDIR
  !insertmacro MULTIUSER_INIT
  StrCpy $ModeGiven 1
  Call ModeOption
  ${If} $Mode == ""
    StrCpy $ModeGiven 0
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $R1 != ""
      StrCpy $Mode AllUsers
    ${Else}
      StrCpy $Mode CurrentUser
    ${EndIf}
  ${EndIf}
  ${If} $ModeGiven = 1
  ${OrIf} ${Silent}
    Call ApplyMode
  ${EndIf}
FunctionEnd

Function ModePage
  ${If} $ModeGiven = 1
  ${OrIf} ${Silent}
    Abort
  ${EndIf}
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 24u "Install $(^Name) for whom?"
  Pop $0
  ${NSD_CreateRadioButton} 10u 30u -10u 24u \
    "Only for me: no administrator rights needed (into $LOCALAPPDATA\Programs)"
  Pop $0
  ${NSD_CreateRadioButton} 10u 60u -10u 24u \
    "For all users of this computer: administrator rights needed (into Program Files)"
  Pop $ModePageAll
  ${If} $Mode == AllUsers
    ${NSD_Check} $ModePageAll
  ${Else}
    ${NSD_Check} $0
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModePageAll $0
  ${If} $0 = ${BST_CHECKED}
    StrCpy $Mode AllUsers
  ${Else}
    StrCpy $Mode CurrentUser
  ${EndIf}
  Call ApplyMode
FunctionEnd

; Sets the mode, its folder and its registry hive; refuses a folder outside
; Program Files for all users, and an older version over a newer one.
Function ApplyMode
  ${If} $Mode == AllUsers
    StrCpy $R9 "/AllUsers"
    ${If} ${Silent}
      StrCpy $R9 "$R9 /S"
    ${EndIf}
    ${If} $ChosenDir != ""
      StrCpy $R9 "$R9 /D=$ChosenDir"
    ${EndIf}
    Call Elevate
    Call MultiUser.InstallMode.AllUsers
    ${If} $MultiUser.InstallMode != AllUsers
      MessageBox MB_ICONSTOP "$(^Name): administrator rights are needed for all users." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
  ${Else}
    Call MultiUser.InstallMode.CurrentUser
  ${EndIf}
  ${If} $ChosenDir != ""
    StrCpy $INSTDIR $ChosenDir
  ${EndIf}
  Call CheckFolder
  ${If} $InProgramFiles != 1
    MessageBox MB_ICONSTOP "For all users $(^Name) installs into $PROGRAMFILES64 only, not into $INSTDIR." /SD IDOK
    SetErrorLevel 3
    Quit
  ${EndIf}

  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R0 != ""
    ${VersionCompare} "${VERSION}" "$R0" $R1
    ${If} $R1 = 2
      MessageBox MB_YESNO|MB_ICONEXCLAMATION \
        "Korvane $R0 is installed, newer than this ${VERSION}. Replace it with the older version?" \
        /SD IDNO IDYES older_accepted
      SetErrorLevel 4
      Quit
      older_accepted:
    ${EndIf}
  ${EndIf}
FunctionEnd

; $InProgramFiles: 1 when $INSTDIR (made absolute, "..\" resolved) lies
; inside Program Files, or the mode is not all users. A folder elsewhere may
; be writable by every user, who could plant DLLs for an administrator's run.
Function CheckFolder
  StrCpy $InProgramFiles 1
  ${If} $MultiUser.InstallMode != AllUsers
    Return
  ${EndIf}
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r0, p 0) i .r1'
  StrCpy $InProgramFiles 0
  ${If} $1 = 0
    Return
  ${EndIf}
  StrLen $1 "$PROGRAMFILES64\"
  StrCpy $2 $0 $1
  StrCpy $3 $0 "" $1
  ${If} $2 == "$PROGRAMFILES64\"
  ${AndIf} $3 != ""
    StrCpy $InProgramFiles 1
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  Call CheckFolder
  ${If} $InProgramFiles != 1
    Abort
  ${EndIf}
FunctionEnd

; The earlier version's own uninstaller removes what it placed, nothing of
; the operator's, and so nothing it had that this version lacks stays behind.
; It runs from a copy, in place (_?=), so that its exit status is known.
Function RemoveEarlierVersion
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 == ""
  ${OrIfNot} ${FileExists} "$R0\uninstall.exe"
    Return
  ${EndIf}
  DetailPrint "Removing the earlier version from $R0"
  InitPluginsDir
  CopyFiles /SILENT "$R0\uninstall.exe" "$PLUGINSDIR\uninstall-earlier.exe"
  ClearErrors
  ExecWait '"$PLUGINSDIR\uninstall-earlier.exe" /S /$MultiUser.InstallMode _?=$R0' $R1
  ${If} ${Errors}
  ${OrIf} $R1 <> 0
    MessageBox MB_ICONSTOP "The earlier version in $R0 could not be removed." /SD IDOK
    SetErrorLevel 6
    Quit
  ${EndIf}
FunctionEnd

Section "Korvane"
  Call CheckNotRunning
  Call RemoveEarlierVersion
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Korvane"
  CreateShortcut "$SMPROGRAMS\Korvane\Korvane.lnk" "$INSTDIR\korvane.exe" "" "$INSTDIR\korvane.ico"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "Korvane"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane.ico"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" \
    '"$INSTDIR\uninstall.exe" /$MultiUser.InstallMode /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
  ; _?= (or the folder of the uninstaller) is the folder to clear; the mode
  ; functions would put the registered one in its place. Started without
  ; _?=, as Settings starts it, NSIS runs a copy from %TEMP% with _?= naming
  ; the folder and hides _?= from $CMDLINE. NSIS drops the backslash it puts
  ; at the end, so the folder matches the registered one.
  StrCpy $ChosenDir $INSTDIR
  !insertmacro MULTIUSER_UNINIT
  Call un.ModeOption
  ${GetParameters} $R9
  ${If} $Mode == ""
    ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCpy $Mode CurrentUser
    ${If} $R1 == $ChosenDir
      StrCpy $Mode AllUsers
      StrCpy $R9 "/AllUsers $R9"
    ${EndIf}
  ${EndIf}
  ${If} $Mode == AllUsers
    ; The elevated copy clears this folder too, not the one it runs from.
    StrCpy $R9 "$R9 _?=$ChosenDir"
    Call un.Elevate
    Call un.MultiUser.InstallMode.AllUsers
    ${If} $MultiUser.InstallMode != AllUsers
      MessageBox MB_ICONSTOP "$(^Name): administrator rights are needed for all users." /SD IDOK
      SetErrorLevel 740
      Quit
    ${EndIf}
  ${Else}
    Call un.MultiUser.InstallMode.CurrentUser
  ${EndIf}
  StrCpy $INSTDIR $ChosenDir
FunctionEnd

!macro DELETE_FILE FILE
  Delete "$INSTDIR\${FILE}"
!macroend
; Appends to $R0 a file of ours that is still there. Delete's own word is not
; enough: a file another program holds open may be only marked for deletion.
!macro NOTE_FILE_LEFT FILE
  ${If} ${FileExists} "$INSTDIR\${FILE}"
    StrCpy $R0 "$R0$\r$\n${FILE}"
  ${EndIf}
!macroend
!macro REMOVE_FOLDER FOLDER
  RMDir "$INSTDIR\${FOLDER}"
!macroend

Section "Uninstall"
  Call un.CheckNotRunning
  ; Only what was installed: the folder may hold the operator's own files.
  ; While any file of ours stays (in use, say), so do the uninstaller, the
  ; entry and the shortcut, so that the uninstall can run again.
  !insertmacro KORVANE_FILES DELETE_FILE
  StrCpy $R0 ""
  !insertmacro KORVANE_FILES NOTE_FILE_LEFT
  ${If} $R0 == ""
    Delete "$INSTDIR\uninstall.exe"
    !insertmacro NOTE_FILE_LEFT uninstall.exe
  ${EndIf}
  ${If} $R0 != ""
    DetailPrint "Left in $INSTDIR:$R0"
    MessageBox MB_ICONSTOP \
      "Not removed from $INSTDIR:$R0$\r$\n$\r$\nClose what uses them and uninstall again." /SD IDOK
    SetErrorLevel 6
    Quit
  ${EndIf}
  !insertmacro KORVANE_FOLDERS REMOVE_FOLDER
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Korvane\Korvane.lnk"
  RMDir "$SMPROGRAMS\Korvane"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
