; The Windows installer: quillon.exe and quillon-cli.exe in Program Files\Quillon, a Start menu
; entry, and an uninstaller listed in Apps & features; for every user of the machine, 64-bit only.
;   makensis -DVERSION=1.1 -DSTAGE=dir -DICON=quillon.ico -DOUTFILE=quillon-setup.exe quillon.nsi
Unicode true
; A 64-bit installer, so that it runs where only 64-bit Windows programs can (Wine64 among them).
Target amd64-unicode
!include "MUI2.nsh"
!include "x64.nsh"

!ifndef VERSION
  !error "VERSION is not set"
!endif
!ifndef STAGE
  !error "STAGE (the folder with quillon.exe and quillon-cli.exe) is not set"
!endif
!ifndef ICON
  !error "ICON (quillon.ico) is not set"
!endif
!ifndef OUTFILE
  !define OUTFILE "quillon-${VERSION}-setup.exe"
!endif

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillon"

Name "Quillon ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Quillon"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\quillon.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Quillon needs 64-bit Windows."
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Section "Quillon"
  SetOutPath "$INSTDIR"
  File "${STAGE}\quillon.exe"
  File "${STAGE}\quillon-cli.exe"
  File "${STAGE}\README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Quillon.lnk" "$INSTDIR\quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Quillon"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Zelt Corporation"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillon.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

; The user's settings (HKCU\Software\Zelt Corporation\Quillon) and imported files stay.
Section "Uninstall"
  Delete "$SMPROGRAMS\Quillon.lnk"
  Delete "$INSTDIR\quillon.exe"
  Delete "$INSTDIR\quillon-cli.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
