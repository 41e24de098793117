; Zelvoro Mixer's own steps in its installer and uninstaller, called from the
; CPack hooks in cmake/Packaging.cmake. UTF-8 with a byte order mark, for the
; Chinese texts.

!define ZELVORO_RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define ZELVORO_RUN_VALUE "ZelvoroMixer"
; QStandardPaths::AppDataLocation of the program: its INI files and snapshots.
!define ZELVORO_DATA_DIR "$APPDATA\ZelvoroDriver"

LangString ZelvoroAskStartAtLogin ${LANG_ENGLISH} "Start Zelvoro Mixer when you log in?"
LangString ZelvoroAskStartAtLogin ${LANG_SIMPCHINESE} "登录时启动 Zelvoro Mixer？"
LangString ZelvoroStillRunning ${LANG_ENGLISH} "Zelvoro Mixer is still running: it did not quit when asked. Nothing was changed.$\r$\n$\r$\nChoose Quit in the menu of its icon in the notification area, then try again."
LangString ZelvoroStillRunning ${LANG_SIMPCHINESE} "Zelvoro Mixer 仍在运行：请求退出后它没有退出。未做任何更改。$\r$\n$\r$\n请在通知区域中它的图标菜单里选择“退出”，然后重试。"
LangString ZelvoroRemoveSettings ${LANG_ENGLISH} "Also remove my settings"
LangString ZelvoroRemoveSettings ${LANG_SIMPCHINESE} "同时删除我的设置"

; Asks a running copy to quit through the installed zelvoroctl (it speaks
; that copy's protocol) and waits up to 5 s for the program file to be
; released: Windows refuses to open a running program's file for writing.
; A copy that stays stops the whole run before any file or key is touched
; (exit code 2 when silent).
!macro ZELVORO_QUIT_RUNNING UN
Function ${UN}ZelvoroQuitRunning
  Push $0
  Push $1
  IfFileExists "$INSTDIR\ZelvoroDriver.exe" 0 free
  IfFileExists "$INSTDIR\zelvoroctl.exe" 0 poll
    ; 0 when it quit, 3 when none is running: the file check decides either way.
    nsExec::Exec /TIMEOUT=5000 '"$INSTDIR\zelvoroctl.exe" quit'
    Pop $0
  poll:
  StrCpy $1 0
  retry:
    ClearErrors
    FileOpen $0 "$INSTDIR\ZelvoroDriver.exe" a
    IfErrors 0 released
    IntOp $1 $1 + 1
    IntCmp $1 50 stuck
    Sleep 100
    Goto retry
  released:
  FileClose $0
  free:
  Pop $1
  Pop $0
  Return
  stuck:
  MessageBox MB_OK|MB_ICONSTOP "$(ZelvoroStillRunning)" /SD IDOK
  SetErrorLevel 2
  Abort
FunctionEnd
!macroend
!insertmacro ZELVORO_QUIT_RUNNING ""
!insertmacro ZELVORO_QUIT_RUNNING "un."

; Start at login: /AUTOSTART=1 or /AUTOSTART=0 decides. Without it an upgrade
; keeps the user's choice: on while the Run value is there, off when an earlier
; install noted an answer (StartAtLogin in the Uninstall key, which goes with
; the uninstall). Only a first install asks (a silent one leaves it off). When
; it is on, the new program starts now, as at the next login.
Function ZelvoroStartAtLogin
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/AUTOSTART=" $R1
  IfErrors 0 chosen
  ReadRegStr $R1 HKCU "${ZELVORO_RUN_KEY}" "${ZELVORO_RUN_VALUE}"
  StrCmp $R1 "" 0 on
  ClearErrors
  ReadRegDWORD $R1 HKCU "${UNINSTALL_KEY}" "StartAtLogin"
  IfErrors 0 off
  MessageBox MB_YESNO|MB_ICONQUESTION "$(ZelvoroAskStartAtLogin)" /SD IDNO IDYES on IDNO off
  chosen:
  StrCmp $R1 "1" on
  off:
  DeleteRegValue HKCU "${ZELVORO_RUN_KEY}" "${ZELVORO_RUN_VALUE}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "StartAtLogin" 0
  Return
  on:
  WriteRegStr HKCU "${ZELVORO_RUN_KEY}" "${ZELVORO_RUN_VALUE}" '"$INSTDIR\ZelvoroDriver.exe"'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "StartAtLogin" 1
  Exec '"$INSTDIR\ZelvoroDriver.exe"'
FunctionEnd

Function un.ZelvoroForgetStartAtLogin
  DeleteRegValue HKCU "${ZELVORO_RUN_KEY}" "${ZELVORO_RUN_VALUE}"
FunctionEnd

; After the program's section, which stops the run when the program stays.
Section /o "un.$(ZelvoroRemoveSettings)" ZelvoroPurgeSection
  RMDir /r "${ZELVORO_DATA_DIR}"
SectionEnd

; /PURGE=1 ticks "Also remove my settings" for a silent uninstall.
Function un.onInit
  ${un.GetParameters} $R0
  ClearErrors
  ${un.GetOptions} $R0 "/PURGE=" $R1
  StrCmp $R1 "1" 0 done
    !insertmacro SelectSection ${ZelvoroPurgeSection}
  done:
FunctionEnd
