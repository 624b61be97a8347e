; Setup program for Vellumo, built by makensis from cmake/installer.cmake.
; Defines given on the command line:
;   VERSION    x.y.z, from the top-level CMakeLists.txt
;   TARGET     x86-unicode for the product, amd64-unicode for the x64 build
;   STAGE      folder holding the five program files
;   SOURCE_DIR the repository (for the icon)
;   OUTFILE    the setup program to write
;
; Silent use: Setup.exe /S [/AUTORUN=1|0] [/D=C:\Folder]   (/D= last, unquoted)
; Vellumo keeps its memos (Remark, Notice, Backup) beside its program file, so
; the installed folder is where they live: upgrades replace only the program
; files, and the uninstaller leaves the memo folders unless asked otherwise.

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma

!include MUI2.nsh
!include nsDialogs.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinVer.nsh

!define PRODUCT "Vellumo"
!define PUBLISHER "Brakkon Software"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vellumo"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SM_FOLDER "$SMPROGRAMS\Vellumo"
!define EXIT_COMMAND 32780 ; the panel's Exit command (tools menu)
!define CLOCK_ITEM 1060    ; a control only the panel holds

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
!if "${TARGET}" == "amd64-unicode"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; An upgrade goes where the earlier version is (and so where its memos are).
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

!define MUI_ICON "${SOURCE_DIR}/res/art/app.ico"
!define MUI_UNICON "${SOURCE_DIR}/res/art/app.ico"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION}, a desktop calendar, memo keeper and reminder.$\r$\n$\r$\nIf ${PRODUCT} is running, Setup asks it to exit first. Your memos stay as they are.$\r$\n$\r$\nClick Next to continue."

Var AutoRun          ; "1": start at log-on
Var AutoRunBox
Var DeleteMemos      ; "1": the uninstaller removes the memo folders too
Var DeleteMemosBox

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom StartupPage StartupPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Vellumo.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"
!insertmacro MUI_PAGE_FINISH

UninstPage custom un.MemosPage un.MemosPageLeave
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ------------------------------------------------------------ shared parts ---

; The autorun entry as the program's settings write it: Windows 2000 and
; older keep it under HKLM, later versions under HKCU; the data is the quoted
; program path and " /background".
!macro WriteAutoRun
  ${If} ${AtMostWin2000}
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Vellumo.exe" /background'
  ${Else}
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\Vellumo.exe" /background'
  ${EndIf}
!macroend

!macro ReadAutoRun out
  ${If} ${AtMostWin2000}
    ReadRegStr ${out} HKLM "${RUN_KEY}" "${PRODUCT}"
  ${Else}
    ReadRegStr ${out} HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
!macroend

!macro DeleteAutoRun
  ${If} ${AtMostWin2000}
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
  ${Else}
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
  ${EndIf}
!macroend

; From Vista on the start at log-on is a Task Scheduler task (Windows starts
; no program that asks for elevation from the Run key): the program itself
; registers or removes it, so there is one way of doing it. "on" replaces the
; entry an earlier version left; "off" leaves a task that starts another copy.
!macro LogOnTask word out
  ClearErrors
  ExecWait '"$INSTDIR\Vellumo.exe" /logon-task=${word}' ${out}
  ${If} ${Errors}
    StrCpy ${out} 1
  ${EndIf}
!macroend

; Asks every running Vellumo to exit and waits until its process has ended,
; so that its files can be replaced or removed. The panel is a dialog titled
; "Vellumo" holding the clock (message boxes share the title). A copy that
; does not exit in time (a dialog of it may be open) is ended after asking
; the user; a silent run ends it without asking.
!macro CloseVellumo un
Function ${un}CloseVellumo
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  StrCpy $R5 0 ; copies met; one at a time is the rule, a few is the limit
  next_copy:
    IntCmp $R5 5 all_closed 0 all_closed
    IntOp $R5 $R5 + 1
    StrCpy $R0 0
    find_panel:
      FindWindow $R0 "#32770" "${PRODUCT}" "" $R0
      StrCmp $R0 0 all_closed
      GetDlgItem $R1 $R0 ${CLOCK_ITEM}
      StrCmp $R1 0 find_panel
    StrCpy $R2 0
    System::Call 'user32::GetWindowThreadProcessId(p R0, *i .R2)'
    ; SYNCHRONIZE | PROCESS_TERMINATE
    System::Call 'kernel32::OpenProcess(i 0x00100001, i 0, i R2) p .R3'
    DetailPrint "Asking ${PRODUCT} to exit..."
    System::Call 'user32::PostMessage(p R0, i ${WM_COMMAND}, p ${EXIT_COMMAND}, p 0)'
    StrCmp $R3 0 0 wait_exit
    ; No handle to wait on: wait (10 s at most) for the panel to go instead.
    StrCpy $R4 0
    wait_panel:
      IsWindow $R0 0 next_copy
      Sleep 100
      IntOp $R4 $R4 + 1
      IntCmp $R4 100 all_closed wait_panel all_closed
    wait_exit:
      System::Call 'kernel32::WaitForSingleObject(p R3, i 10000) i .R4'
      ${If} $R4 != 0
        ${IfNot} ${Silent}
          MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} is still running (one of its windows may be open).$\r$\n$\r$\nClose ${PRODUCT}, then click Retry. Cancel ends it." IDRETRY wait_exit
        ${EndIf}
        DetailPrint "Ending ${PRODUCT}..."
        System::Call 'kernel32::TerminateProcess(p R3, i 1)'
        System::Call 'kernel32::WaitForSingleObject(p R3, i 10000)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p R3)'
    Goto next_copy
  all_closed:
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro CloseVellumo ""
!insertmacro CloseVellumo "un."

; --------------------------------------------------------------- installer ---

Function .onInit
  ; The box starts as this user has it now, so an upgrade keeps the choice.
  !insertmacro ReadAutoRun $0
  ${If} $0 == ""
    StrCpy $AutoRun 0
  ${Else}
    StrCpy $AutoRun 1
  ${EndIf}
  ${If} ${AtLeastWinVista}
    ; Whether this user has a log-on task of Vellumo, of whichever copy: the
    ; new program answers, from the setup's own folder.
    InitPluginsDir
    File "/oname=$PLUGINSDIR\Vellumo.exe" "${STAGE}/Vellumo.exe"
    ClearErrors
    ExecWait '"$PLUGINSDIR\Vellumo.exe" /logon-task=query' $0
    ${IfNot} ${Errors}
    ${AndIf} $0 == 0
      StrCpy $AutoRun 1
    ${EndIf}
  ${EndIf}
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/AUTORUN=" $1
  ${IfNot} ${Errors}
    ${If} $1 == 1
      StrCpy $AutoRun 1
    ${Else}
      StrCpy $AutoRun 0
    ${EndIf}
  ${EndIf}
FunctionEnd

Function StartupPage
  !insertmacro MUI_HEADER_TEXT "Starting ${PRODUCT}" "Choose whether ${PRODUCT} starts by itself."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "${PRODUCT} can start when you log on to Windows. It then starts hidden: only its icon appears in the notification area, and it reminds you of your memos on time.$\r$\n$\r$\nYou can change this later in ${PRODUCT}'s Setting... dialog."
  Pop $0
  ${NSD_CreateCheckbox} 0 48u 100% 12u "&Start ${PRODUCT} when I log on to Windows"
  Pop $AutoRunBox
  ${If} $AutoRun == 1
    ${NSD_Check} $AutoRunBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function StartupPageLeave
  ${NSD_GetState} $AutoRunBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AutoRun 1
  ${Else}
    StrCpy $AutoRun 0
  ${EndIf}
FunctionEnd

Section "${PRODUCT}" SecProgram
  SectionIn RO
  Call CloseVellumo
  SetOutPath "$INSTDIR"
  SetOverwrite on
  ; Only the program files: Remark, Notice and Backup are the user's.
  File "${STAGE}/Vellumo.exe"
  File "${STAGE}/Scourwell.dll"
  File "${STAGE}/Tressle.dll"
  File "${STAGE}/Sandrel.exe"
  File "${STAGE}/Help.chm"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext all
  CreateDirectory "${SM_FOLDER}"
  ; Shortcuts start in $INSTDIR (the current output folder).
  CreateShortcut "${SM_FOLDER}\${PRODUCT}.lnk" "$INSTDIR\Vellumo.exe"
  CreateShortcut "${SM_FOLDER}\${PRODUCT} Help.lnk" "$INSTDIR\Help.chm"
  CreateShortcut "${SM_FOLDER}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"

  ${If} ${AtLeastWinVista}
    ${If} $AutoRun == 1
      !insertmacro LogOnTask on $0
      ${If} $0 != 0
        DetailPrint "${PRODUCT} could not be set to start at log-on."
        MessageBox MB_OK|MB_ICONEXCLAMATION "${PRODUCT} could not be set to start at log-on: the Task Scheduler refused the task.$\r$\n$\r$\nYou can try again in ${PRODUCT}'s Setting... dialog." /SD IDOK
      ${EndIf}
    ${Else}
      !insertmacro LogOnTask off $0
    ${EndIf}
  ${ElseIf} $AutoRun == 1
    !insertmacro WriteAutoRun
  ${Else}
    !insertmacro DeleteAutoRun
  ${EndIf}

  WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\Vellumo.exe"
  WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

; ------------------------------------------------------------- uninstaller ---

Function un.onInit
  StrCpy $DeleteMemos 0
FunctionEnd

Function un.MemosPage
  !insertmacro MUI_HEADER_TEXT "Uninstall ${PRODUCT}" "Remove ${PRODUCT} from this computer."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 48u "${PRODUCT} will be removed from:$\r$\n$INSTDIR$\r$\n$\r$\nYour memos (the folders Remark, Notice and Backup there) are kept unless you tick the box below."
  Pop $0
  ${NSD_CreateCheckbox} 0 56u 100% 12u "&Also delete my memos"
  Pop $DeleteMemosBox
  GetDlgItem $0 $HWNDPARENT 1
  SendMessage $0 ${WM_SETTEXT} 0 "STR:&Uninstall"
  nsDialogs::Show
FunctionEnd

Function un.MemosPageLeave
  ${NSD_GetState} $DeleteMemosBox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $DeleteMemos 1
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CloseVellumo
  ${If} ${AtLeastWinVista}
    ; While the program is there to do it; a task that starts another copy
    ; stays.
    !insertmacro LogOnTask off $0
  ${EndIf}
  Delete "$INSTDIR\Vellumo.exe"
  Delete "$INSTDIR\Scourwell.dll"
  Delete "$INSTDIR\Tressle.dll"
  Delete "$INSTDIR\Sandrel.exe"
  Delete "$INSTDIR\Help.chm"
  Delete "$INSTDIR\Uninstall.exe"
  ; Never in a silent run: memos go only when a person asked for it.
  ${If} $DeleteMemos == 1
  ${AndIfNot} ${Silent}
    RMDir /r "$INSTDIR\Remark"
    RMDir /r "$INSTDIR\Notice"
    RMDir /r "$INSTDIR\Backup"
  ${EndIf}
  RMDir "$INSTDIR" ; stays while memos are in it

  SetShellVarContext all
  Delete "${SM_FOLDER}\${PRODUCT}.lnk"
  Delete "${SM_FOLDER}\${PRODUCT} Help.lnk"
  Delete "${SM_FOLDER}\Uninstall ${PRODUCT}.lnk"
  RMDir "${SM_FOLDER}"

  ; Only this installation's entry: another copy elsewhere may own the value.
  ; (From Vista on an earlier version may have left it.)
  !insertmacro ReadAutoRun $0
  ${If} $0 == '"$INSTDIR\Vellumo.exe" /background'
    !insertmacro DeleteAutoRun
  ${EndIf}
  DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd
