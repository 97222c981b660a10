; The zq installer: both programs, README.txt and CHANGES.txt into the Program Files folder
; "zq", a Start-menu shortcut to the console, and an Add/Remove Programs entry. Built by
; scripts/package.py with makensis:
;   -DVERSION=X.Y.Z -DARCH=x64|x86 -DSOURCE=folder-with-the-files -DOUTFILE=setup.exe
; Uninstalling removes programs, shortcut and entry, and keeps the CMD folder and
; zqTervask.ini (reports, batch files, settings).
Unicode true
!if ${ARCH} == "x64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zq"

Name "zq ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if ${ARCH} == "x64"
  InstallDir "$PROGRAMFILES64\zq"
!else
  InstallDir "$PROGRAMFILES\zq"
!endif
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1041 "ProductName" "zq"
VIAddVersionKey /LANG=1041 "FileDescription" "zq セットアップ"
VIAddVersionKey /LANG=1041 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1041 "LegalCopyright" "Copyright (C) 2026 the zq project"

!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

Function .onInit
!if ${ARCH} == "x64"
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
!if ${ARCH} == "x64"
  SetRegView 64
!endif
FunctionEnd

; An install over an older one replaces programs and documents only.
Section "zq"
  SetOutPath "$INSTDIR"
  File "${SOURCE}/zqPelmora.exe"
  File "${SOURCE}/zqTervask.exe"
  File "${SOURCE}/README.txt"
  File "${SOURCE}/CHANGES.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateDirectory "$SMPROGRAMS\zq"
  CreateShortCut "$SMPROGRAMS\zq\zq 管理コンソール.lnk" "$INSTDIR\zqTervask.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "zq ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "the zq project"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\zqTervask.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$INSTDIR\zqPelmora.exe"
  Delete "$INSTDIR\zqTervask.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\CHANGES.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\zq\zq 管理コンソール.lnk"
  RMDir "$SMPROGRAMS\zq"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ; Only an empty folder goes: CMD and zqTervask.ini stay.
  RMDir "$INSTDIR"
  IfFileExists "$INSTDIR\*.*" 0 +2
    MessageBox MB_OK|MB_ICONINFORMATION "プログラムを削除しました。$\r$\n$\r$\nフォルダ $INSTDIR の CMD フォルダ（レポート、バッチファイル）と zqTervask.ini（設定）は残してあります。登録済みのレポートジョブは引き続きこのフォルダのファイルを使います。不要になったら、ジョブを削除してからフォルダを削除してください。" /SD IDOK
SectionEnd
