; The Windows installer: per user, without administrator rights, into a folder the user owns, since
; Tolvane writes Tolvane.ini beside itself. makensis -DVERSION=1.2.3 -DSTAGE=folder -DICON=file.ico
; -DOUTFILE=setup.exe -DFILES=removal.nsh Tolvane.nsi packs the folder that scripts/build-windows
; stages for the zip; FILES holds the uninstaller's Delete and RMDir lines for exactly those files.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include "LogicLib.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane"

Name "Tolvane ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tolvane"
; An upgrade goes where the last install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
Icon "${ICON}"
UninstallIcon "${ICON}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "CompanyName" "Tolvane"
VIAddVersionKey /LANG=1033 "FileDescription" "Tolvane antenna rotator control setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Tolvane"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Tolvane maintainers"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running Tolvane or bridge holds its program and libraries open: replacing them would leave a
; folder half old, half new. Windows refuses to open a running program for writing, which tells.
!macro RefuseWhileRunning un
Function ${un}IsRunning
    ; $0: the program's path; $1 becomes 1 when it runs.
    StrCpy $1 0
    ${If} ${FileExists} $0
        ClearErrors
        FileOpen $2 $0 a
        ${If} ${Errors}
            StrCpy $1 1
        ${Else}
            FileClose $2
        ${EndIf}
    ${EndIf}
FunctionEnd

Function ${un}RefuseWhileRunning
try:
    StrCpy $0 "$INSTDIR\Tolvane.exe"
    Call ${un}IsRunning
    ${If} $1 == 0
        StrCpy $0 "$INSTDIR\tolvane-bridge.exe"
        Call ${un}IsRunning
    ${EndIf}
    ${If} $1 == 0
        Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "Tolvane or its bridge is running from $INSTDIR. Close it, then choose Retry.$\r$\n$\r$\nTolvane ou son pont est en cours d'exécution depuis $INSTDIR. Fermez-le, puis choisissez Réessayer." \
        /SD IDCANCEL IDRETRY try
    SetErrorLevel 2
    Quit
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

Section "Tolvane"
    Call RefuseWhileRunning
    SetOutPath "$INSTDIR"
    ; Tolvane.ini is the user's: the package holds none, so an upgrade never touches it.
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\Uninstall.exe"

    SetShellVarContext current
    CreateShortcut "$SMPROGRAMS\Tolvane.lnk" "$INSTDIR\Tolvane.exe" "" "$INSTDIR\Tolvane.exe" 0
    ; The bridge for tracking programs, in a console window of its own that shows what it refuses.
    CreateShortcut "$SMPROGRAMS\Tolvane bridge.lnk" "$INSTDIR\tolvane-bridge.exe" "" "$INSTDIR\Tolvane.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Tolvane"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tolvane"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tolvane.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
    Call un.RefuseWhileRunning
    SetShellVarContext current
    Delete "$SMPROGRAMS\Tolvane.lnk"
    Delete "$SMPROGRAMS\Tolvane bridge.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"

    ; The settings are the user's: asked for, and kept when nobody can be asked.
    ${If} ${FileExists} "$INSTDIR\Tolvane.ini"
        MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
            "Remove your settings too (Tolvane.ini)?$\r$\n$\r$\nSupprimer aussi vos réglages (Tolvane.ini) ?" \
            /SD IDNO IDNO keepSettings
        ; Tolvane leaves it read-only.
        SetFileAttributes "$INSTDIR\Tolvane.ini" NORMAL
        Delete "$INSTDIR\Tolvane.ini"
    keepSettings:
    ${EndIf}

    ; Only what the installer laid down: IOCtrl.dll and anything else the user put there stay, and so
    ; does the folder then.
    !include "${FILES}"
    Delete "$INSTDIR\Uninstall.exe"
    RMDir "$INSTDIR"
SectionEnd
