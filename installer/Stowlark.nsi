; The setup program of Stowlark, compiled by scripts/release with Debian's
; makensis 3.08:
;   makensis -DVERSION=1.1.0 -DVERSION4=1.1.0.0 -DPROGRAM=<Stowlark.exe>
;            -DLICENSE_FILE=<LICENSE.txt> -DOUTFILE=<setup.exe>
;            [-DPICTURES=<folder of header.bmp and side.bmp>] Stowlark.nsi
;
; Switches: /S silent, /D=<folder> (last, unquoted), /AllUsers, /CurrentUser,
; /Schedule (a daily backup, as the finish page's check box turns on).
; Exit codes: 0 done; 1 cancelled by the user; 2 not done: Stowlark is running,
; the folder cannot be written or filled, administrator rights are missing.
; Whatever stops an install or an uninstall stops it before it changes anything.

Unicode true
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS all
; A file that cannot be written stops the install rather than being skipped.
AllowSkipFiles off
; Taken so that a drive's root given with /D= reaches .onInit, which refuses
; it aloud rather than NSIS dropping it silently.
AllowRootDirInstall true
; Setup programs are run from Downloads: NSIS 3 loads its own DLLs from the
; system folder only, whatever lies beside the setup program. Keep it so.

!define APP "Stowlark"
!define PUBLISHER "The Stowlark authors"
; makensis works in the folder of this script.
!define ICON "../app/pictures/stowlark.ico"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define UNINSTALLER "Uninstall.exe"
!define APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\${APP}.exe"
!define ERROR_CANCELLED 1
!define ERROR_NOT_DONE 2

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${APP} ${VERSION}"

VIProductVersion "${VERSION4}"
VIFileVersion "${VERSION4}"
VIAddVersionKey /LANG=1033 ProductName "${APP}"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileDescription "${APP} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 CompanyName "${PUBLISHER}"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (c) ${PUBLISHER}"
VIAddVersionKey /LANG=1033 OriginalFilename "${APP}-${VERSION}-setup.exe"

; Highest: an administrator is asked to elevate and may then choose either
; mode; anyone else installs for themselves without being asked.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "${APP}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_FUNCTION ChooseUserFolder
!define MULTIUSER_INIT_FUNCTIONQUIT QuitNotDone
; The uninstaller takes its mode from where it stands (un.onInit).
!define MULTIUSER_NOUNINSTALL
!include MultiUser.nsh
!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; Stowlark's own pictures, drawn by tools/make_pictures.py, for the pages'
; header (the uninstaller's too) and the finish page's side. The setup keeps
; each file's time: scripts/release gives copies stamped with the commit's.
!ifndef PICTURES
  !define PICTURES "."
!endif
!define MUI_HEADERIMAGE
!define MUI_HEADERIMAGE_RIGHT
!define MUI_HEADERIMAGE_BITMAP "${PICTURES}/header.bmp"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${PICTURES}/side.bmp"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Start ${APP}"
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
; The second check box of the finish page, under its stock name.
!define MUI_FINISHPAGE_SHOWREADME
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Back up every day"
!define MUI_FINISHPAGE_SHOWREADME_FUNCTION ScheduleDailyBackup
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_LICENSE "${LICENSE_FILE}"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW ShowFinishPage
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE English

; Windows 7 and later name the same folder FOLDERID_UserProgramFiles; XP has
; no such name, so one path serves every version.
Function ChooseUserFolder
  ${If} $MultiUser.InstallMode == CurrentUser
  ${AndIf} $MultiUser.InstDir == ""
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${APP}"
  ${EndIf}
FunctionEnd

; /AllUsers without administrator rights, after MultiUser.nsh has said so.
Function QuitNotDone
  SetErrorLevel ${ERROR_NOT_DONE}
  Quit
FunctionEnd

Var GivenFolder
Var AskedToSchedule
Function .onInit
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/Schedule" $1
  ${IfNot} ${Errors}
    StrCpy $AskedToSchedule 1
  ${EndIf}
  ; MultiUser.nsh would replace a folder given with /D= by its default.
  StrCpy $GivenFolder $INSTDIR
  !insertmacro MULTIUSER_INIT
  ${If} $GivenFolder != ""
    StrCpy $INSTDIR $GivenFolder
  ${EndIf}
  ; A program at the top of a drive would share the root with everything on
  ; it; NSIS alone would drop such a /D= and install elsewhere without a word.
  Call IsDriveRoot
  Pop $0
  ${If} $0 == 1
    MessageBox MB_OK|MB_ICONSTOP "${APP} cannot be installed at the top of a drive ($INSTDIR). Choose a folder, such as $INSTDIR${APP}." /SD IDOK
    SetErrorLevel ${ERROR_NOT_DONE}
    Quit
  ${EndIf}
FunctionEnd

; Whether $INSTDIR is a drive's root: "C:" or "C:\".
Function IsDriveRoot
  StrCpy $1 $INSTDIR "" 1
  ${If} $1 == ":"
  ${OrIf} $1 == ":\"
    Push 1
  ${Else}
    Push 0
  ${EndIf}
FunctionEnd

; The folder page takes no drive's root either.
Function .onVerifyInstDir
  Call IsDriveRoot
  Pop $0
  ${If} $0 == 1
    Abort
  ${EndIf}
FunctionEnd

; Stowlark runs from this folder when both hold: its named mutex exists (a
; handle, or access denied for another user's), and the copy about to be
; replaced cannot be opened for writing with no sharing. Neither alone is
; evidence: any program could create the mutex first, and a virus scanner or
; an indexer holds the file for a moment (the install then moves it aside).
!define RUNNING_MUTEX "Global\Stowlark.Program"
!macro WaitUntilClosed UN
Function ${UN}WaitUntilClosed
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${RUNNING_MUTEX}") p.r0 ?e'
    Pop $1
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${ElseIf} $1 <> 5
      Return
    ${EndIf}
    System::Call 'kernel32::CreateFileW(w "$INSTDIR\${APP}.exe", i 0x40000000, i 0, p 0, i 3, i 0, p 0) p.r0 ?e'
    Pop $1
    ${If} $0 P<> -1
      System::Call 'kernel32::CloseHandle(p r0)'
      Return
    ${ElseIf} $1 <> 32
      Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${APP} is running. Close it, then choose Retry." /SD IDCANCEL IDRETRY retry
    ${If} ${Silent}
      SetErrorLevel ${ERROR_NOT_DONE}
    ${Else}
      SetErrorLevel ${ERROR_CANCELLED}
    ${EndIf}
    Quit
    retry:
  ${Loop}
FunctionEnd
!macroend
!insertmacro WaitUntilClosed ""
!insertmacro WaitUntilClosed "un."

; A folder by its long name, so that a short 8.3 name (C:\PROGRA~2\Stowlark)
; and the long one compare as the same folder.
!macro LongName VAR
  System::Call 'kernel32::GetLongPathNameW(w "${VAR}", w .r9, i ${NSIS_MAX_STRLEN}) i .r8'
  ${If} $8 > 0
    StrCpy ${VAR} $9
  ${EndIf}
!macroend

!macro AppPathsView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; One step of replacing the program's files; a failed one puts back
; everything done so far and fails the install.
!macro MoveAside NAME MARK
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    Rename "$INSTDIR\${NAME}" "$INSTDIR\${NAME}.old"
    ${If} ${Errors}
      Call PutBack
      !insertmacro Fail "${APP} cannot be installed: $INSTDIR\${NAME} could not be replaced (is a program holding it?). Nothing was changed."
    ${EndIf}
    StrCpy ${MARK} 1
  ${EndIf}
!macroend
!macro MoveIn NAME MARK
  ClearErrors
  Rename "$INSTDIR\${NAME}.new" "$INSTDIR\${NAME}"
  ${If} ${Errors}
    Call PutBack
    !insertmacro Fail "${APP} cannot be installed: $INSTDIR\${NAME} could not be replaced (is a program holding it?). Nothing was changed."
  ${EndIf}
  StrCpy ${MARK} 1
!macroend

; One install of each mode, and one mode in each folder, so that every entry
; and shortcut leads to a program that is there. An earlier install of this
; mode in another folder has moved here: its two files (nothing else) and its
; folder, if then empty, go. An install of the other mode in this folder is
; taken over: its entry, App Paths and shortcut go.
Function OneInstallEach
  StrCpy $2 $INSTDIR
  !insertmacro LongName $2
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" InstallLocation
  !insertmacro LongName $0
  ${If} $0 != ""
  ${AndIf} $0 != $2
    Delete "$0\${APP}.exe"
    Delete "$0\${UNINSTALLER}"
    RMDir $0
  ${EndIf}
  ${If} $MultiUser.InstallMode == AllUsers
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" InstallLocation
  ${Else}
    ReadRegStr $1 HKLM "${UNINSTALL_KEY}" InstallLocation
  ${EndIf}
  !insertmacro LongName $1
  ${If} $1 != $2
    Return
  ${EndIf}
  ${If} $MultiUser.InstallMode == AllUsers
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "${APP_PATHS_KEY}"
    SetShellVarContext current
    Delete "$SMPROGRAMS\${APP}.lnk"
    SetShellVarContext all
  ${Else}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    !insertmacro AppPathsView
    DeleteRegKey HKLM "${APP_PATHS_KEY}"
    SetRegView default
    SetShellVarContext all
    Delete "$SMPROGRAMS\${APP}.lnk"
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; The new files moved in go back to their temporary names, for .onInstFailed
; to remove, and the old ones back to theirs.
Function PutBack
  ${If} $R6 == 1
    Rename "$INSTDIR\${APP}.exe" "$INSTDIR\${APP}.exe.new"
  ${EndIf}
  ${If} $R7 == 1
    Rename "$INSTDIR\${UNINSTALLER}" "$INSTDIR\${UNINSTALLER}.new"
  ${EndIf}
  ${If} $R4 == 1
    Rename "$INSTDIR\${APP}.exe.old" "$INSTDIR\${APP}.exe"
  ${EndIf}
  ${If} $R5 == 1
    Rename "$INSTDIR\${UNINSTALLER}.old" "$INSTDIR\${UNINSTALLER}"
  ${EndIf}
FunctionEnd

; Shows why nothing was installed; .onInstFailed then takes back what the
; attempt wrote.
!macro Fail MESSAGE
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  SetErrorLevel ${ERROR_NOT_DONE}
  Abort
!macroend

Var MadeFolder

; Everything new is written beside the old files first, so that a folder that
; cannot be written or a disk that fills up stops the install before anything
; is replaced; the renames that follow need no space.
Section "${APP}" ProgramSection
  Call WaitUntilClosed
  ; A Stowlark.exe or Uninstall.exe that no entry of Stowlark's names this
  ; folder for is another program's: never overwritten.
  ${If} ${FileExists} "$INSTDIR\${APP}.exe"
  ${OrIf} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
    ReadRegStr $1 HKCU "${UNINSTALL_KEY}" InstallLocation
    !insertmacro LongName $0
    !insertmacro LongName $1
    StrCpy $2 $INSTDIR
    !insertmacro LongName $2
    ${If} $0 != $2
    ${AndIf} $1 != $2
      !insertmacro Fail "${APP} cannot be installed into $INSTDIR: it holds ${APP}.exe or ${UNINSTALLER} that no earlier ${APP} setup put there. Choose another folder."
    ${EndIf}
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\*"
    StrCpy $MadeFolder 1
  ${EndIf}
  SetOutPath $INSTDIR
  ClearErrors
  FileOpen $0 "$INSTDIR\${APP}.exe.new" w
  ${If} ${Errors}
    !insertmacro Fail "${APP} cannot be installed: the folder $INSTDIR cannot be written."
  ${EndIf}
  FileClose $0
  ClearErrors
  File "/oname=${APP}.exe.new" "${PROGRAM}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}.new"
  ${If} ${Errors}
    !insertmacro Fail "${APP} cannot be installed: $INSTDIR could not be written whole (is the disk full?)."
  ${EndIf}

  ; Each old file is moved aside before its new one moves in, and removed only
  ; once both are in: a delete would wait for a program that holds the file
  ; (a virus scanner, an indexer) and leave the folder with no program at all
  ; should the new one then fail to move in. On any failure every file goes
  ; back where it was.
  Delete "$INSTDIR\${APP}.exe.old"
  Delete "$INSTDIR\${UNINSTALLER}.old"
  ; Which steps were done: each file moved aside, each new one moved in.
  StrCpy $R4 0
  StrCpy $R5 0
  StrCpy $R6 0
  StrCpy $R7 0
  !insertmacro MoveAside "${APP}.exe" $R4
  !insertmacro MoveAside "${UNINSTALLER}" $R5
  !insertmacro MoveIn "${APP}.exe" $R6
  !insertmacro MoveIn "${UNINSTALLER}" $R7
  Delete "$INSTDIR\${APP}.exe.old"
  Delete "$INSTDIR\${UNINSTALLER}.old"

  Call OneInstallEach
  CreateShortcut "$SMPROGRAMS\${APP}.lnk" "$INSTDIR\${APP}.exe"
  ; App Paths, so that "start Stowlark.exe" finds the program wherever it was
  ; installed; 64-bit Windows reads the machine's in its 64-bit view.
  !insertmacro AppPathsView
  WriteRegStr SHCTX "${APP_PATHS_KEY}" "" "$INSTDIR\${APP}.exe"
  WriteRegStr SHCTX "${APP_PATHS_KEY}" Path "$INSTDIR"
  SetRegView default
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayName "${APP}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayVersion "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" Publisher "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" DisplayIcon "$INSTDIR\${APP}.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" InstallLocation "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" UninstallString '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" QuietUninstallString '"$INSTDIR\${UNINSTALLER}" /S'
  SectionGetSize ${ProgramSection} $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" EstimatedSize $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoModify 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" NoRepair 1
  ${If} ${Silent}
  ${AndIf} $AskedToSchedule == 1
    Call ScheduleDailyBackup
  ${EndIf}
SectionEnd

Function .onInstFailed
  Delete "$INSTDIR\${APP}.exe.new"
  Delete "$INSTDIR\${UNINSTALLER}.new"
  ; Windows keeps a process's current folder: leave it first.
  SetOutPath $TEMP
  ${If} $MadeFolder == 1
    RMDir $INSTDIR
  ${EndIf}
FunctionEnd

; Started from an elevated installer, the program would run elevated too;
; Explorer starts it as the signed-in user.
Function StartProgram
  Exec '"$WINDIR\explorer.exe" "$INSTDIR\${APP}.exe"'
FunctionEnd

; Checked on the finish page only when /Schedule asked for it.
Function ShowFinishPage
  ${If} $AskedToSchedule == 1
    SendMessage $mui.FinishPage.ShowReadme ${BM_SETCHECK} ${BST_CHECKED} 0
  ${EndIf}
FunctionEnd

; The program registers the task itself, for the user who installs: the same
; command as the window's menu item and the command line. A schedule that
; cannot be made leaves the install done and says why.
Function ScheduleDailyBackup
  ClearErrors
  ExecWait '"$INSTDIR\${APP}.exe" /schedule:daily' $0
  ${If} ${Errors}
  ${OrIf} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "${APP} is installed, but its daily backup could not be turned on. Choose Back up every day in its window's menu (Alt+Space) to try again." /SD IDOK
  ${EndIf}
FunctionEnd

; An uninstaller belongs to the entry whose folder it stands in: that entry's
; hive decides for whom it uninstalls.
Function un.onInit
  !insertmacro LongName $INSTDIR
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" InstallLocation
  !insertmacro LongName $0
  ${If} $0 == $INSTDIR
    SetShellVarContext all
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != Admin
      MessageBox MB_OK|MB_ICONSTOP "${APP} was installed for all users: uninstalling it needs administrator rights." /SD IDOK
      SetErrorLevel ${ERROR_NOT_DONE}
      Quit
    ${EndIf}
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Only what the installer wrote: the user's own files, the backup and the
; messenger's folder are never looked at.
Section Uninstall
  Call un.WaitUntilClosed
  ; Whose entry this is, asked while the folder is there to be named.
  ReadRegStr $R1 SHCTX "${UNINSTALL_KEY}" InstallLocation
  !insertmacro LongName $R1
  ; No task of this user's may be left pointing at a program that is gone.
  ExecWait '"$INSTDIR\${APP}.exe" /schedule:off'
  ClearErrors
  Delete "$INSTDIR\${APP}.exe"
  ${If} ${Errors}
    !insertmacro Fail "${APP} cannot be uninstalled: $INSTDIR\${APP}.exe cannot be removed."
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir $INSTDIR
  ${If} $R1 == $INSTDIR
    Delete "$SMPROGRAMS\${APP}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    !insertmacro AppPathsView
    ReadRegStr $0 SHCTX "${APP_PATHS_KEY}" ""
    ${If} $0 == "$INSTDIR\${APP}.exe"
      DeleteRegKey SHCTX "${APP_PATHS_KEY}"
    ${EndIf}
    SetRegView default
  ${EndIf}
SectionEnd
