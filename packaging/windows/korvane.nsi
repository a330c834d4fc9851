; The Windows installer of korvane.exe and korvane-cli.exe, made on Linux by
; scripts/windows-package.sh with Debian's makensis:
;   makensis -DVERSION=1.0.0 -DSTAGE=<staged folder> -DFILES=<files.nsh> -DOUTFILE=<setup.exe> korvane.nsi
; STAGE holds everything installed; FILES names each of its files and folders,
; so the uninstaller removes those and nothing else of a folder the operator
; chose. Silent: setup.exe /S [/D=C:\some\folder] (/D last, unquoted), and
; uninstall.exe /S.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"

Name "Korvane ${VERSION}"
OutFile "${OUTFILE}"
Icon "korvane.ico"
UninstallIcon "korvane.ico"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\Korvane"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Korvane"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File /r "${STAGE}/*.*"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateDirectory "$SMPROGRAMS\Korvane"
  CreateShortcut "$SMPROGRAMS\Korvane\Korvane.lnk" "$INSTDIR\korvane.exe" "" "$INSTDIR\korvane.ico"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Korvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korvane.ico"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what was installed: the folder may have been chosen, and may hold
  ; the operator's own files.
  !include "${FILES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"

  Delete "$SMPROGRAMS\Korvane\Korvane.lnk"
  RMDir "$SMPROGRAMS\Korvane"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
