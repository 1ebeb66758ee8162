; Tornel's setup: the monitor, its localization and settings files, in the places the
; program looks for them, and its registration for the scanner's buttons. It installs
; nothing of the scanner maker's: the engine, the chooser, the maker's programs and
; kelmio32.ini come with the scanner's own software, and this setup never writes,
; replaces or deletes any of them.
;   makensis -DTORNEL=<Tornel.exe> -DDATA=<data folder> -DKEYS=<generated keys>
;            -DTRAY_WINDOW=<class and title> -DTRAY_CLOSE_COMMAND=<id> -DOUTFILE=<setup.exe> tornel.nsi
;
; Command line of the installer: /S installs silently (in English, or in the language
; of the installation it upgrades); /LANG=1031 or /LANG=1033 chooses German or English
; without asking; /D=<folder> (last) sets the program folder.

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "x64.nsh"

Name "Tornel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\TAVEN\Tornel"
InstallDirRegKey HKLM "Software\TAVEN\Tornel" "InstallDir"

!define PRODUCT_KEY "Software\TAVEN\Tornel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tornel"
!define STI_APPS_KEY "Software\Microsoft\Windows\CurrentVersion\StillImage\Registered Applications"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!define MUI_ABORTWARNING
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${PRODUCT_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartTornelAsDesktopUser

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_RESERVEFILE_LANGDLL

LangString ButtonManagerLink ${LANG_ENGLISH} "Button manager"
LangString ButtonManagerLink ${LANG_GERMAN} "Tastenverwaltung"
LangString GrantFailed ${LANG_ENGLISH} "Tornel's settings files could not be made writable for all users; users other than administrators cannot save their settings:"
LangString GrantFailed ${LANG_GERMAN} "Die Einstellungsdateien von Tornel konnten nicht allen Benutzern zum Schreiben freigegeben werden; Einstellungen von Benutzern ohne Administratorrechte werden nicht gespeichert:"

Var TornelWasRunning

; The settings files every user of the machine writes: Tornel runs as the desktop user,
; who on Windows Vista to 11 (a standard user, or an administrator unelevated) and for
; a limited user on XP cannot write the Windows directory.
!define SE_FILE_OBJECT 1
!define DACL_SECURITY_INFORMATION 4
!define GRANT_ACCESS 1
!define TRUSTEE_IS_SID 0
!define TRUSTEE_IS_WELL_KNOWN_GROUP 5
; Modify: FILE_GENERIC_READ | FILE_GENERIC_WRITE | FILE_GENERIC_EXECUTE | DELETE.
!define MODIFY_RIGHTS 0x1301BF
; The Users group by its SID, whatever its name in the language of the system.
!define USERS_SID "S-1-5-32-545"

; Adds an entry to the file's access list that lets the Users group modify it (nothing
; else of the list changes), through the security API that every Windows from XP on
; has. Leaves 0 in $R0 on success, else the Windows error code.
Function GrantUsersModify
    Exch $R1
    Push $R2
    Push $R3
    Push $R4
    Push $R5
    Push $R6
    StrCpy $R0 1
    System::Call 'advapi32::ConvertStringSidToSidA(t "${USERS_SID}", *p .R2) i .R3 ?e'
    Pop $R0
    ${If} $R3 = 0
        Goto done
    ${EndIf}
    StrCpy $R3 0
    StrCpy $R4 0
    System::Call 'advapi32::GetNamedSecurityInfoA(t R1, i ${SE_FILE_OBJECT}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, *p .R3, p 0, *p .R4) i .R0'
    ; No access list at all (a file system without them) lets everyone write already.
    ${If} $R0 = 0
    ${AndIf} $R3 <> 0
        ; EXPLICIT_ACCESS with its TRUSTEE: rights, mode, inheritance; multiple trustee,
        ; its operation, form, type, the SID.
        System::Call '*(i ${MODIFY_RIGHTS}, i ${GRANT_ACCESS}, i 0, p 0, i 0, i ${TRUSTEE_IS_SID}, i ${TRUSTEE_IS_WELL_KNOWN_GROUP}, p R2) p .R5'
        System::Call 'advapi32::SetEntriesInAclA(i 1, p R5, p R3, *p .R6) i .R0'
        ${If} $R0 = 0
            System::Call 'advapi32::SetNamedSecurityInfoA(t R1, i ${SE_FILE_OBJECT}, i ${DACL_SECURITY_INFORMATION}, p 0, p 0, p R6, p 0) i .R0'
            System::Call 'kernel32::LocalFree(p R6)'
        ${EndIf}
        System::Free $R5
    ${EndIf}
    ${If} $R4 <> 0
        System::Call 'kernel32::LocalFree(p R4)'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p R2)'
done:
    Pop $R6
    Pop $R5
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
FunctionEnd

!macro GrantSettingsFile NAME
    Push "$WINDIR\${NAME}"
    Call GrantUsersModify
    ${If} $R0 <> 0
        StrCpy $GrantFailures "$GrantFailures ${NAME} ($R0)"
    ${EndIf}
!macroend

Var GrantFailures

; Exactly the three shared files: the settings, the button assignment and the text
; lookup record (made empty first when absent, so it can be granted).
Function GrantSettingsFiles
    StrCpy $GrantFailures ""
    ${IfNot} ${FileExists} "$WINDIR\R710Debug.ini"
        FileOpen $0 "$WINDIR\R710Debug.ini" w
        FileClose $0
    ${EndIf}
    !insertmacro GrantSettingsFile "kmconfig.ini"
    !insertmacro GrantSettingsFile "Button.InI"
    !insertmacro GrantSettingsFile "R710Debug.ini"
    ${If} $GrantFailures != ""
        DetailPrint "Users cannot be given the right to change:$GrantFailures"
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(GrantFailed)$GrantFailures" /SD IDOK
        SetErrorLevel 2
    ${EndIf}
FunctionEnd

; Tornel runs with the rights of the user at the desktop, never with the setup's: a
; program the elevated setup started itself would run elevated, as the installing
; account, and the user's own programs could not post to it. Explorer, which runs as
; that user, starts it instead.
Function StartTornelAsDesktopUser
    Exec '"$WINDIR\explorer.exe" "$INSTDIR\Tornel.exe"'
FunctionEnd

; Writes an installed key only when the file does not have it, so an upgrade keeps
; every choice the user made and only gains what is new.
!macro AddMissingKey FILE SECTION KEY VALUE
    ClearErrors
    ReadINIStr $0 "${FILE}" "${SECTION}" "${KEY}"
    ${If} ${Errors}
        WriteINIStr "${FILE}" "${SECTION}" "${KEY}" "${VALUE}"
    ${EndIf}
!macroend

; Ends a running monitor the way its own Close command does, so that it saves its
; settings before the files change, and waits (bounded) until its window is gone.
; Leaves 1 in $TornelWasRunning when there was one.
!macro EndRunningTornel UN
    Function ${UN}EndRunningTornel
        StrCpy $TornelWasRunning 0
        FindWindow $0 "${TRAY_WINDOW}" "${TRAY_WINDOW}"
        ${If} $0 = 0
            Return
        ${EndIf}
        StrCpy $TornelWasRunning 1
        SendMessage $0 ${WM_COMMAND} ${TRAY_CLOSE_COMMAND} 0 $1 /TIMEOUT=5000
        StrCpy $2 0
        ${Do}
            Sleep 100
            FindWindow $0 "${TRAY_WINDOW}" "${TRAY_WINDOW}"
            ${If} $0 = 0
                ${ExitDo}
            ${EndIf}
            IntOp $2 $2 + 1
        ${LoopWhile} $2 < 100
        ; Its process may still be unloading after the window went.
        Sleep 500
    FunctionEnd
!macroend
!insertmacro EndRunningTornel ""
!insertmacro EndRunningTornel "un."

Function .onInit
    ; An explicit /LANG= wins and never asks.
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/LANG=" $R1
    ${IfNot} ${Errors}
        ${If} $R1 == ${LANG_GERMAN}
        ${OrIf} $R1 == ${LANG_ENGLISH}
            StrCpy $LANGUAGE $R1
            Return
        ${EndIf}
    ${EndIf}
    ; A silent install never shows the language dialog: it keeps the language of the
    ; installation it upgrades, else English.
    ${If} ${Silent}
        StrCpy $LANGUAGE ${LANG_ENGLISH}
    ${EndIf}
    !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
    !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Tornel" SecMain
    SectionIn RO
    SetOverwrite on
    SetShellVarContext all

    Call EndRunningTornel

    ; The monitor.
    SetOutPath "$INSTDIR"
    File "${TORNEL}"

    ; The localization of the chosen language, in the Windows directory.
    SetOutPath "$WINDIR"
    ${If} $LANGUAGE == ${LANG_GERMAN}
        File "/oname=Tornel.loc" "${DATA}/Tornel.deu.loc"
    ${Else}
        File "${DATA}/Tornel.loc"
    ${EndIf}

    ; Settings (kmconfig.ini, Button.InI): a new installation gets the files as they
    ; come; an existing file is never overwritten, only completed.
    SetOverwrite off
    File "${DATA}/kmconfig.ini"
    File "${DATA}/Button.InI"
    SetOverwrite on
    !include "${KEYS}"
    FlushINI "$WINDIR\kmconfig.ini"
    FlushINI "$WINDIR\Button.InI"
    Call GrantSettingsFiles

    ; The scanner's buttons start Tornel through the Still Image service, which on
    ; 64-bit Windows is a 64-bit service and reads the 64-bit view of the registry.
    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
    WriteRegStr HKLM "${STI_APPS_KEY}" "Tornel" '"$INSTDIR\Tornel.exe" /StiDevice:%1 /StiEvent:%2'
    SetRegView default
    ; Tornel watches the buttons from log-on.
    WriteRegStr HKLM "${RUN_KEY}" "Tornel" '"$INSTDIR\Tornel.exe"'

    ; The shortcuts start Tornel in its own folder.
    SetOutPath "$INSTDIR"
    CreateDirectory "$SMPROGRAMS\Tornel"
    CreateShortcut "$SMPROGRAMS\Tornel\Tornel.lnk" "$INSTDIR\Tornel.exe"
    CreateShortcut "$SMPROGRAMS\Tornel\$(ButtonManagerLink).lnk" "$INSTDIR\Tornel.exe" "/SHOW"

    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
    ; The language dialog's page saves the choice only in an interactive install.
    WriteRegStr HKLM "${PRODUCT_KEY}" "InstallerLanguage" "$LANGUAGE"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tornel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TAVEN"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tornel.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    ; An upgrade leaves the monitor running when it found it running.
    ${If} $TornelWasRunning = 1
        Call StartTornelAsDesktopUser
    ${EndIf}
SectionEnd

; Removes what the setup installed and nothing else: the user's settings (kmconfig.ini,
; Button.InI) stay where they are, and so does everything of the maker's.
Section "Uninstall"
    SetShellVarContext all
    Call un.EndRunningTornel

    Delete "$INSTDIR\Tornel.exe"
    Delete "$WINDIR\Tornel.loc"

    ; Both names: the entry carries the name of the language it was installed in.
    Delete "$SMPROGRAMS\Tornel\Tornel.lnk"
    Delete "$SMPROGRAMS\Tornel\Button manager.lnk"
    Delete "$SMPROGRAMS\Tornel\Tastenverwaltung.lnk"
    RMDir "$SMPROGRAMS\Tornel"

    ${If} ${RunningX64}
        SetRegView 64
    ${EndIf}
    DeleteRegValue HKLM "${STI_APPS_KEY}" "Tornel"
    SetRegView default
    DeleteRegValue HKLM "${RUN_KEY}" "Tornel"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\TAVEN"

    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
    ; Only when empty: the maker's programs may live beside.
    RMDir "$PROGRAMFILES\TAVEN"
SectionEnd
