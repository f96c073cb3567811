; GUI\setup.exe: installs the drawer utility, its default auto.ini, tillio.dll
; in the system directory (where the utility loads it from) and a Start-menu
; shortcut; its uninstaller removes exactly those. The driver is setup.exe's.
;
; makensis -DARCH=x86|amd64 -DUTILITY=<exe> -DLIBRARY=<dll> -DOUTFILE=<exe>
;          -DAUTO_INI=<file> utility_setup.nsi

!ifndef ARCH | UTILITY | LIBRARY | OUTFILE | AUTO_INI
  !error "define ARCH, UTILITY, LIBRARY, OUTFILE and AUTO_INI"
!endif

!if ${ARCH} == amd64
  Unicode true
  Target amd64-unicode
  !define PROGRAM_FILES $PROGRAMFILES64
!else
  ; ANSI: the 32-bit media is also the Windows 98 media.
  Target x86-ansi
  !define PROGRAM_FILES $PROGRAMFILES
!endif

!define PRODUCT "KAV Cash Drawer Utility"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KAV_Cash_Drawer_Utility"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "${PROGRAM_FILES}\${PRODUCT}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext all
  !if ${ARCH} == amd64
    SetRegView 64
  !endif
FunctionEnd

Function un.onInit
  SetShellVarContext all
  !if ${ARCH} == amd64
    SetRegView 64
  !endif
FunctionEnd

Section "Install"
  SetOutPath "$INSTDIR"
  File "/oname=KAV_Cash_Drawer_Utility.exe" "${UTILITY}"
  ; Interactive by default: no unattended loop test at start-up.
  File "/oname=auto.ini" "${AUTO_INI}"
  SetOutPath "$SYSDIR"
  File "/oname=tillio.dll" "${LIBRARY}"
  SetOutPath "$INSTDIR"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\KAV_Cash_Drawer_Utility.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\KAV_Cash_Drawer_Utility.exe"
  Delete "$INSTDIR\auto.ini"
  Delete "$INSTDIR\uninstall.exe"
  ; The folder goes only if empty: a loop test's log stays the user's.
  RMDir "$INSTDIR"
  Delete "$SYSDIR\tillio.dll"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
