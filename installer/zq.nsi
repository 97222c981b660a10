; The zq installer: both programs, README.txt and CHANGES.txt into the Program Files folder
; "zq", a Start-menu shortcut to the console, and an Add/Remove Programs entry. Built by
; scripts/package.py with makensis:
;   -DVERSION=X.Y.Z -DARCH=x64|x86 -DSOURCE=folder-with-the-files -DOUTFILE=setup.exe
; The install folder gets an admin-only descriptor. Uninstalling offers to delete the
; console's remaining jobs, removes programs, shortcut, entry and event source, and keeps the CMD folder
; and zqTervask.ini (reports, batch files, settings).
Unicode true
!if ${ARCH} == "x64"
  Target amd64-unicode
!else
  Target x86-unicode
!endif
!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\zq"
; The sender's events in the Application log: its message table is in the program itself.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\zqPelmora"

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

; Report jobs run this folder's programs as SYSTEM, so whatever folder was chosen only SYSTEM
; and Administrators may change it (Users read and run): owner Administrators, an explicit
; DACL, nothing inherited from above. Set before any file is put there.
Function ProtectInstallFolder
  CreateDirectory "$INSTDIR"
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)", i 1, *p .r1, p 0) i .r0'
  IntCmp $0 0 refused
  System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r4) i .r0'
  System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r4, *p .r3, *i .r4) i .r0'
  ; SE_FILE_OBJECT; owner, DACL and its protection from inheritance
  System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000005, p r2, p 0, p r3, p 0) i .r0'
  System::Call 'kernel32::LocalFree(p r1)'
  IntCmp $0 0 done
refused:
  MessageBox MB_OK|MB_ICONSTOP "フォルダ $INSTDIR のアクセス許可を設定できませんでした（コード $0）。$\r$\nレポートジョブは SYSTEM として実行されるため、管理者だけが変更できるフォルダが必要です。" /SD IDOK
  Abort
done:
FunctionEnd

; An install over an older one replaces programs and documents only.
Section "zq"
  Call ProtectInstallFolder
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
  WriteRegExpandStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\zqPelmora.exe"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The console lists its jobs that remain and asks whether to delete them; a silent
  ; uninstall keeps them.
  IfSilent +2
    ExecWait '"$INSTDIR\zqTervask.exe" /remainingjobs'
  Delete "$INSTDIR\zqPelmora.exe"
  Delete "$INSTDIR\zqTervask.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\CHANGES.txt"
  Delete "$INSTDIR\uninstall.exe"
  Delete "$SMPROGRAMS\zq\zq 管理コンソール.lnk"
  RMDir "$SMPROGRAMS\zq"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
  ; Only an empty folder goes: CMD and zqTervask.ini stay.
  RMDir "$INSTDIR"
  IfFileExists "$INSTDIR\*.*" 0 +2
    MessageBox MB_OK|MB_ICONINFORMATION "プログラムを削除しました。$\r$\n$\r$\nフォルダ $INSTDIR の CMD フォルダ（レポート、バッチファイル）と zqTervask.ini（設定）は残してあります。登録済みのレポートジョブは引き続きこのフォルダのファイルを使います。不要になったら、ジョブを削除してからフォルダを削除してください。" /SD IDOK
SectionEnd
