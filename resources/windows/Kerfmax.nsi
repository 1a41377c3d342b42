; The Windows installer: the release folder under Program Files\Kerfmax, a
; Start-menu folder, the entry in the system's list of programs, and the
; registration with the host drawing program at the end.
;
; The files need an administrator, the registration must not have one: it
; writes the workspace and settings of the user who installs, and an
; elevated installer may run as another account (a standard user who typed
; an administrator's password). So the installer runs as the user; when it
; is not elevated it starts a second copy of itself elevated, silent, for
; the files alone, waits for it, and registers as the user afterwards. The
; uninstaller does the same the other way round.
;
; makensis -DVERSION=3.1.7 -DRELEASE_DIR=<folder> -DFILE_LIST=<nsh>
;          -DREMOVE_LIST=<nsh> -DOUT_FILE=<exe> Kerfmax.nsi
; (scripts/make-installer-windows.sh passes them).

Unicode true
; Kerfmax is a 64-bit program; so is its installer (it also runs where no 32-bit
; subsystem is installed).
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include Sections.nsh

!ifndef VERSION | RELEASE_DIR | FILE_LIST | REMOVE_LIST | OUT_FILE
  !error "VERSION, RELEASE_DIR, FILE_LIST, REMOVE_LIST and OUT_FILE must be defined"
!endif

!define PRODUCT "Kerfmax"
!define PUBLISHER "The Kerfmax team"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kerfmax"
!define UNINSTALLER "Uninstall.exe"
; Exit code of a run whose registration with the host failed (the program's own code for it).
!define EXIT_HOST_PASS_FAILED 3

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "2026 ${PUBLISHER}"

Var ElevatedPart  ; 1 in the second, elevated copy: files only
Var CanWriteFiles ; 1 when this process may write Program Files and HKLM

!define MUI_ABORTWARNING
!define MUI_ICON "${NSISDIR}\Contrib\Graphics\Icons\modern-install.ico"
!define MUI_UNICON "${NSISDIR}\Contrib\Graphics\Icons\modern-uninstall.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_RESERVEFILE_LANGDLL

!include "KerfmaxTexts.nsh"

; --- shared by installer and uninstaller -------------------------------------

!macro DecideWhoWrites UN
Function ${UN}DecideWhoWrites
  SetRegView 64
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ELEVATED" $1
  ${If} ${Errors}
    StrCpy $ElevatedPart 0
  ${Else}
    StrCpy $ElevatedPart 1
  ${EndIf}
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $CanWriteFiles 1
  ${Else}
    StrCpy $CanWriteFiles 0
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DecideWhoWrites ""
!insertmacro DecideWhoWrites "un."

; Runs the program's own registration or removal pass, hidden: its closing
; message goes to the details list instead of a box. Leaves the exit code in $0.
!macro RunHostPass UN
Function ${UN}RunHostPass
  Exch $1  ; the switch
  Push $2
  DetailPrint '"$INSTDIR\Kerfmax.exe" $1'
  nsExec::ExecToLog '"$INSTDIR\Kerfmax.exe" $1 -platform offscreen'
  Pop $0
  Pop $2
  Pop $1
FunctionEnd
!macroend
!insertmacro RunHostPass ""
!insertmacro RunHostPass "un."

; --- installer -----------------------------------------------------------------


Function InstallFiles
  SetOutPath "$INSTDIR"
  !include "${FILE_LIST}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\Kerfmax.exe"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Register with the host program.lnk" "$INSTDIR\Kerfmax.exe" "-RegCorelWorkSpace"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Remove from the host program.lnk" "$INSTDIR\Kerfmax.exe" "-UnRegCorelWorkSpace"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\Read me.lnk" "$INSTDIR\README.txt"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kerfmax.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
FunctionEnd

Section "!${PRODUCT}" SectionProgram
  SectionIn RO
  ${If} $ElevatedPart == 1
  ${OrIf} $CanWriteFiles == 1
    Call InstallFiles
  ${Else}
    DetailPrint "$(ElevatingText)"
    ExecShellWait "runas" "$EXEPATH" '/S /ELEVATED /D=$INSTDIR'
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${IfNot} ${FileExists} "$INSTDIR\Kerfmax.exe"
    ${OrIf} $0 != "${VERSION}"
      MessageBox MB_OK|MB_ICONSTOP "$(NotInstalledText)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
SectionEnd

Section "$(RegisterSectionText)" SectionRegister
  ${If} $ElevatedPart == 1
    Return  ; the user's part does it, as the user
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\Kerfmax.dll"
    ; Registering without the macro project would put a toolbar button into
    ; the host that runs nothing.
    DetailPrint "$(NoMacroDetailText)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(NoMacroText)" /SD IDOK
    Return
  ${EndIf}
  Push "-RegCorelWorkSpace"
  Call RunHostPass
  ${If} $0 != 0
    MessageBox MB_OK|MB_ICONEXCLAMATION "$(RegisterFailedText)" /SD IDOK
    SetErrorLevel ${EXIT_HOST_PASS_FAILED}
  ${EndIf}
SectionEnd

Function .onInit
  Call DecideWhoWrites
  ; An earlier install keeps its folder.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $ElevatedPart == 0
    StrCpy $INSTDIR $0
  ${EndIf}
  ; An administrator installing for others registers nobody: /NOREGISTER.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOREGISTER" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionRegister}
  ${EndIf}
  ${If} $ElevatedPart == 0
    !insertmacro MUI_LANGDLL_DISPLAY
  ${EndIf}
FunctionEnd

; --- uninstaller ---------------------------------------------------------------

Function un.onInit
  Call un.DecideWhoWrites
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Function un.RemoveFiles
  !include "${REMOVE_LIST}"
  ; Made by the user in the host and saved here, or left by a pass.
  Delete "$INSTDIR\Kerfmax.dll"
  Delete "$INSTDIR\${UNINSTALLER}"
  ; Not /r: whatever else someone put into the folder stays, and so does it.
  RMDir "$INSTDIR"

  SetShellVarContext all
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Register with the host program.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Remove from the host program.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Read me.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
FunctionEnd

Section "Uninstall"
  ${If} $ElevatedPart == 0
  ${AndIf} ${FileExists} "$INSTDIR\Kerfmax.exe"
    ; Out of the user's host first, while the program is still there to do it.
    Push "-UnRegCorelWorkSpace"
    Call un.RunHostPass
  ${EndIf}
  ${If} $ElevatedPart == 1
  ${OrIf} $CanWriteFiles == 1
    Call un.RemoveFiles
  ${Else}
    DetailPrint "$(ElevatingText)"
    ExecShellWait "runas" "$EXEPATH" '/S /ELEVATED _?=$INSTDIR'
    ${If} ${FileExists} "$INSTDIR\Kerfmax.exe"
      MessageBox MB_OK|MB_ICONSTOP "$(NotRemovedText)" /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
SectionEnd
