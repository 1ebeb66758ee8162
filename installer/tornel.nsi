; Tornel installer: the monitor, the scanner's installed files (here the virtual
; scanner and the maker's sibling programs) and the data files, in the places the
; program looks for them.
;   makensis -DBIN=<build bin> -DDATA=<data folder> -DKEYS=<generated keys> -DOUTFILE=<setup.exe> tornel.nsi

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"
!include "LogicLib.nsh"

Name "Tornel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\TAVEN\Tornel"
InstallDirRegKey HKLM "Software\TAVEN\Tornel" "InstallDir"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tornel"
!define STI_APPS_KEY "Software\Microsoft\Windows\CurrentVersion\StillImage\Registered Applications"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"

!define MUI_ABORTWARNING
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "Software\TAVEN\Tornel"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"

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

; Writes an installed key only when the file does not have it, so an upgrade keeps
; every choice the user made and only gains what is new.
!macro AddMissingKey FILE SECTION KEY VALUE
    ClearErrors
    ReadINIStr $0 "${FILE}" "${SECTION}" "${KEY}"
    ${If} ${Errors}
        WriteINIStr "${FILE}" "${SECTION}" "${KEY}" "${VALUE}"
    ${EndIf}
!macroend

Function .onInit
    !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Function un.onInit
    !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

Section "Tornel" SecMain
    SectionIn RO
    SetOverwrite on

    ; The monitor.
    SetOutPath "$INSTDIR"
    File "${BIN}\Tornel.exe"

    ; The maker's sibling programs and the scanner control tool, in the folder that
    ; kelmio32.ini names.
    SetOutPath "$INSTDIR\Kelmio"
    File "${BIN}\kelmio.exe"
    File "${BIN}\replic32.exe"
    File "${BIN}\probe32.exe"
    File "${BIN}\scanctl.exe"

    ; The scan engine and the chooser, and the localization, in the Windows directory.
    SetOutPath "$WINDIR"
    File "${BIN}\TNENGINE.dll"
    File "${BIN}\TNLocalChooser.dll"
    ${If} $LANGUAGE == ${LANG_GERMAN}
        File "/oname=Tornel.loc" "${DATA}\Tornel.deu.loc"
    ${Else}
        File "${DATA}\Tornel.loc"
    ${EndIf}

    ; Settings: never overwritten, only completed.
    !include "${KEYS}"
    WriteINIStr "$WINDIR\kelmio32.ini" "Kelmio" "UserPath" "$INSTDIR\Kelmio\"
    FlushINI "$WINDIR\kmconfig.ini"

    ; The scanner's buttons start Tornel through the Still Image service.
    WriteRegStr HKLM "${STI_APPS_KEY}" "Tornel" '"$INSTDIR\Tornel.exe" /StiDevice:%1 /StiEvent:%2'
    ; Tornel watches the buttons from log-on.
    WriteRegStr HKLM "${RUN_KEY}" "Tornel" '"$INSTDIR\Tornel.exe"'

    CreateDirectory "$SMPROGRAMS\Tornel"
    CreateShortcut "$SMPROGRAMS\Tornel\Tornel.lnk" "$INSTDIR\Tornel.exe"
    CreateShortcut "$SMPROGRAMS\Tornel\$(ButtonManagerLink).lnk" "$INSTDIR\Tornel.exe" "/SHOW"

    WriteRegStr HKLM "Software\TAVEN\Tornel" "InstallDir" "$INSTDIR"
    WriteUninstaller "$INSTDIR\Uninstall.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tornel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TAVEN"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The user's settings (kmconfig.ini, Button.InI) stay where they are.
Section "Uninstall"
    ; A running monitor is asked to end first, as its own close command would.
    FindWindow $0 "TAVEN Tornel" "TAVEN Tornel"
    ${If} $0 <> 0
        SendMessage $0 ${WM_COMMAND} 209 0 /TIMEOUT=5000
    ${EndIf}

    Delete "$INSTDIR\Tornel.exe"
    Delete "$INSTDIR\Kelmio\kelmio.exe"
    Delete "$INSTDIR\Kelmio\replic32.exe"
    Delete "$INSTDIR\Kelmio\probe32.exe"
    Delete "$INSTDIR\Kelmio\scanctl.exe"
    RMDir "$INSTDIR\Kelmio"
    Delete "$WINDIR\TNENGINE.dll"
    Delete "$WINDIR\TNLocalChooser.dll"
    Delete "$WINDIR\Tornel.loc"

    Delete "$SMPROGRAMS\Tornel\Tornel.lnk"
    Delete "$SMPROGRAMS\Tornel\$(ButtonManagerLink).lnk"
    RMDir "$SMPROGRAMS\Tornel"

    DeleteRegValue HKLM "${STI_APPS_KEY}" "Tornel"
    DeleteRegValue HKLM "${RUN_KEY}" "Tornel"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    DeleteRegKey HKLM "Software\TAVEN\Tornel"

    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
