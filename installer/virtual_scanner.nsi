; The virtual scanner's setup: the stand-ins of what a scanner's own software puts on a
; machine (scan engine, chooser, the maker's programs, kelmio32.ini, the scanner control
; tool, the mail service library, the OCR application and the OCR engine) and a mail
; program's MAPI library for it to reach, for the tests and the demo. It is installed
; before Tornel, as a user's machine has the scanner's software before Tornel comes.
; The mail program is registered as one by whoever uses it (the demo, a test), as its
; own setup would: the scanner's software does not make a mail program.
;   makensis -DFILES=<install lines> -DREMOVE=<uninstall lines> -DOUTFILE=<setup.exe> virtual_scanner.nsi
; The build writes both lists from what sim/ adds with add_to_virtual_scanner_setup().
;
; Command line: /S installs silently; /D=<folder> (last) sets the folder of the maker's
; programs, which kelmio32.ini then names.

Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

Name "TAVEN Virtual Scanner"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\TAVEN\Kelmio"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TAVEN Virtual Scanner"
!define UNINSTALLER "$INSTDIR\UninstallVirtualScanner.exe"
; The mail program's folder: its library, the record of its calls and its drafts.
!define MAIL_CLIENT_DIR "$INSTDIR\Virtual Mail"
!define OCR_APP_PATHS_KEY "Software\Microsoft\Windows\CurrentVersion\App Paths\Sprint.exe"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Virtual scanner"
    SectionIn RO
    SetOverwrite on
    !include "${FILES}"

    ; Tornel finds the maker's programs in the folder that kelmio32.ini names.
    WriteINIStr "$WINDIR\kelmio32.ini" "Kelmio" "UserPath" "$INSTDIR\"
    FlushINI "$WINDIR\kelmio32.ini"
    ; Tornel finds the OCR application through App Paths.
    WriteRegStr HKLM "${OCR_APP_PATHS_KEY}" "" "$INSTDIR\Sprint.exe"

    WriteUninstaller "${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "TAVEN Virtual Scanner"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TAVEN"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"${UNINSTALLER}" /S'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Takes the machine back to one without a scanner: every installed file, and the
; settings the control tool wrote for the virtual scanner.
Section "Uninstall"
    !include "${REMOVE}"
    Delete "$WINDIR\TNSim.ini"
    Delete "${MAIL_CLIENT_DIR}\mapi_calls.log"
    RMDir "${MAIL_CLIENT_DIR}\Outbox"
    RMDir "${MAIL_CLIENT_DIR}"
    Delete "$INSTDIR\OcrDrv\LxOcr.ini"
    RMDir "$INSTDIR\OcrDrv"
    DeleteRegKey HKLM "${OCR_APP_PATHS_KEY}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    Delete "${UNINSTALLER}"
    RMDir "$INSTDIR"
    RMDir "$PROGRAMFILES\TAVEN"
SectionEnd
