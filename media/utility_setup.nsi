; GUI\setup.exe: installs the drawer utility, its default auto.ini, tillio.dll
; in the system directory (where the utility loads it from), a Start-menu
; shortcut and the OPOS service object, registered as regsvr32 does it (the
; x64 installer also installs and registers the i686 service object, with
; the i686 tillio.dll in syswow64, for 32-bit POS applications); its
; uninstaller unregisters the service object, removes our OPOS devices (those
; whose (Default) is our ProgID, in both registry views; another service
; object's stay) and exactly the files it installed. The driver is
; setup.exe's; the service object's statistics under the program data stay.
;
; makensis -DARCH=x86|amd64 -DUTILITY=<exe> -DLIBRARY=<dll> -DSERVICE_OBJECT=<dll>
;          [-DSERVICE_OBJECT_X86=<dll> -DLIBRARY_X86=<dll>] -DOUTFILE=<exe>
;          -DAUTO_INI=<file> utility_setup.nsi

!ifndef ARCH | UTILITY | LIBRARY | SERVICE_OBJECT | OUTFILE | AUTO_INI
  !error "define ARCH, UTILITY, LIBRARY, SERVICE_OBJECT, OUTFILE and AUTO_INI"
!endif

!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh

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
!define OPOS_DEVICES "SOFTWARE\OLEforRetail\ServiceOPOS\CashDrawer"
!define OPOS_PROGID "KAV.CashDrawer.SO"
!define SERVICE_OBJECT_FILE "KAV_CashDrawer_SO.dll"
; The 32-bit regsvr32, as a 64-bit installer names it (no redirection).
!define REGSVR32_X86 "$WINDIR\SysWOW64\regsvr32.exe"
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

  ; The service object uses calls of Windows XP and later.
  ${If} ${AtLeastWinXP}
    File "/oname=${SERVICE_OBJECT_FILE}" "${SERVICE_OBJECT}"
    ClearErrors
    RegDLL "$INSTDIR\${SERVICE_OBJECT_FILE}"
    ${If} ${Errors}
      DetailPrint "${SERVICE_OBJECT_FILE} was not registered"
    ${EndIf}
    !ifdef SERVICE_OBJECT_X86
      SetOutPath "$INSTDIR\x86"
      File "/oname=${SERVICE_OBJECT_FILE}" "${SERVICE_OBJECT_X86}"
      SetOutPath "$WINDIR\SysWOW64"
      File "/oname=tillio.dll" "${LIBRARY_X86}"
      SetOutPath "$INSTDIR"
      ExecWait '"${REGSVR32_X86}" /s "$INSTDIR\x86\${SERVICE_OBJECT_FILE}"' $0
      ${If} $0 != 0
        DetailPrint "x86\${SERVICE_OBJECT_FILE} was not registered ($0)"
      ${EndIf}
    !endif
  ${Else}
    DetailPrint "The OPOS service object needs Windows XP or later: not installed"
  ${EndIf}

  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\KAV_Cash_Drawer_Utility.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Deletes the OPOS devices of the current registry view whose (Default) is
; our ProgID; a device of another service object stays.
Function un.RemoveOurDevices
  Push $0
  Push $1
  Push $2
  StrCpy $0 0
  ${Do}
    EnumRegKey $1 HKLM "${OPOS_DEVICES}" $0
    ${If} $1 == ""
      ${Break}
    ${EndIf}
    ReadRegStr $2 HKLM "${OPOS_DEVICES}\$1" ""
    ${If} $2 == "${OPOS_PROGID}"
      DeleteRegKey HKLM "${OPOS_DEVICES}\$1"
      ; The next key now has this index.
    ${Else}
      IntOp $0 $0 + 1
    ${EndIf}
  ${Loop}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Section "Uninstall"
  ${If} ${FileExists} "$INSTDIR\${SERVICE_OBJECT_FILE}"
    UnRegDLL "$INSTDIR\${SERVICE_OBJECT_FILE}"
  ${EndIf}
  !ifdef SERVICE_OBJECT_X86
    ${If} ${FileExists} "$INSTDIR\x86\${SERVICE_OBJECT_FILE}"
      ExecWait '"${REGSVR32_X86}" /s /u "$INSTDIR\x86\${SERVICE_OBJECT_FILE}"'
    ${EndIf}
  !endif
  ; Both views: 32-bit and 64-bit applications each see their own.
  Call un.RemoveOurDevices
  !if ${ARCH} == amd64
    SetRegView 32
    Call un.RemoveOurDevices
    SetRegView 64
  !else
    ${If} ${RunningX64}
      SetRegView 64
      Call un.RemoveOurDevices
      SetRegView 32
    ${EndIf}
  !endif
  ; A POS application may have it loaded: then it goes at the next restart.
  Delete /REBOOTOK "$INSTDIR\${SERVICE_OBJECT_FILE}"
  !ifdef SERVICE_OBJECT_X86
    Delete /REBOOTOK "$INSTDIR\x86\${SERVICE_OBJECT_FILE}"
    RMDir "$INSTDIR\x86"
    Delete /REBOOTOK "$WINDIR\SysWOW64\tillio.dll"
  !endif
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
