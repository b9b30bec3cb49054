; SPDX-License-Identifier: MIT
; The Windows setup: Zarvo for the user who runs it, with no administrator rights. It puts the
; program of the Windows it runs on (the x64 set on 64-bit Windows, the x86 set on 32-bit Windows)
; into %LOCALAPPDATA%\Programs\Zarvo, a Start-menu shortcut "Zarvo" that starts it working in
; Documents\Zarvo, and an uninstaller registered under the user's "Apps". Optionally, the files
; for calling Zarvo.dll from a program of one's own, both sets, in the folder sdk\.
; Silent: /S; /SDK selects the optional files; /D=folder (last, unquoted) installs elsewhere.
; The uninstaller removes exactly the files the setup put there; Documents\Zarvo and anything
; else the user saved stay.
;
; makensis -DVERSION=<major.minor> -DFILES=<folder laid out like the download: README.txt, Zarvo.h,
;          x86\, x64\> -DOUTFILE=<setup.exe> [-DAMD64] zarvo.nsi
; (the x64 build's targets windows_setup and, for its test, windows_setup_amd64).
; The shipped setup is x86 (it must run on 32-bit Windows, and on 64-bit Windows it installs the
; x64 set); -DAMD64 makes the same setup as a 64-bit program, which always installs the x64 set.
Unicode true
!ifdef AMD64
    Target amd64-unicode
!else
    Target x86-unicode
!endif
!define USAGE "usage: makensis -DVERSION=<major.minor> -DFILES=<download folder> \
-DOUTFILE=<setup.exe> [-DAMD64] zarvo.nsi"
!ifndef VERSION | FILES | OUTFILE
    !error "${USAGE}"
!endif
; The version resource wants four numbers.
!searchparse /noerrors "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR
!ifndef VERSION_MINOR
    !error "VERSION is ${VERSION}, not major.minor: ${USAGE}"
!endif

!define PUBLISHER "Zarvo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvo"
!define SETTINGS_KEY "Software\Zarvo"
!define UNINSTALLER "uninstall.exe"

Name "Zarvo ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Zarvo"
InstallDirRegKey HKCU "${SETTINGS_KEY}" "InstallDir"
SetCompressor /SOLID lzma
ManifestDPIAware true
ManifestSupportedOS Win7 Win8 {1f676c76-80e1-4239-95bb-83d0f6d0da78} {8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}
ShowInstDetails show
ShowUninstDetails show

!include MUI2.nsh
!include x64.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define MUI_ABORTWARNING
; The program's own icon for the setup and its uninstaller (the shortcut takes it from Zarvo.exe).
!define MUI_ICON "${FILES}/x64/zarvo.ico"
!define MUI_UNICON "${FILES}/x64/zarvo.ico"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
; The first language is the one used where Windows speaks neither.
!insertmacro MUI_LANGUAGE "PortugueseBR"
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIFileVersion "${VERSION_MAJOR}.${VERSION_MINOR}.0.0"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "ProductName" "Zarvo"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "FileDescription" "Instalação do Zarvo ${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_PORTUGUESEBR} "LegalCopyright" "MIT"

LangString NameProgram ${LANG_PORTUGUESEBR} "Zarvo (o programa)"
LangString NameProgram ${LANG_ENGLISH} "Zarvo (the program)"
LangString NameSdk ${LANG_PORTUGUESEBR} "Para programas próprios"
LangString NameSdk ${LANG_ENGLISH} "For programs of your own"
LangString AboutProgram ${LANG_PORTUGUESEBR} \
    "Zarvo.exe com Zarvo.dll, API232.dll e zarvo-ports.exe para este Windows, e o atalho Zarvo no menu Iniciar."
LangString AboutProgram ${LANG_ENGLISH} \
    "Zarvo.exe with Zarvo.dll, API232.dll and zarvo-ports.exe for this Windows, and the shortcut Zarvo in the Start menu."
LangString AboutSdk ${LANG_PORTUGUESEBR} \
    "Zarvo.h, e Zarvo.dll, API232.dll e Zarvo.def de 32 bits (sdk\x86) e de 64 bits (sdk\x64). \
O README.txt diz qual conjunto um programa precisa."
LangString AboutSdk ${LANG_ENGLISH} \
    "Zarvo.h, and the 32-bit (sdk\x86) and 64-bit (sdk\x64) Zarvo.dll, API232.dll and Zarvo.def. \
README.txt says which set a program needs."
LangString InUse ${LANG_PORTUGUESEBR} \
    "Não foi possível remover $INSTDIR\Zarvo.exe: o programa está aberto. Feche o Zarvo e tente \
de novo."
LangString InUse ${LANG_ENGLISH} \
    "Could not remove $INSTDIR\Zarvo.exe: the program is open. Close Zarvo and try again."
LangString ShortcutAbout ${LANG_PORTUGUESEBR} "Testa e opera a impressora fiscal"
LangString ShortcutAbout ${LANG_ENGLISH} "Tests and operates the fiscal printer"

; The registry view of Windows itself, where Apps looks (an x86 setup on 64-bit Windows would
; otherwise write the 32-bit view). In a 64-bit setup it is the only one.
!macro UseNativeRegistry
    !ifdef AMD64
        SetRegView 64
    !else
        ${If} ${RunningX64}
            SetRegView 64
        ${EndIf}
    !endif
!macroend

; Adds the size of @section, when selected, to $0 (KiB).
!macro AddSectionSize section
    ${If} ${SectionIsSelected} ${section}
        SectionGetSize ${section} $1
        IntOp $0 $0 + $1
    ${EndIf}
!macroend

!macro SdkSet set
    SetOutPath "$INSTDIR\sdk\${set}"
    File "${FILES}/${set}/Zarvo.dll"
    File "${FILES}/${set}/API232.dll"
    File "${FILES}/${set}/Zarvo.def"
!macroend

!macro RemoveSdkSet set
    Delete "$INSTDIR\sdk\${set}\Zarvo.dll"
    Delete "$INSTDIR\sdk\${set}\API232.dll"
    Delete "$INSTDIR\sdk\${set}\Zarvo.def"
    RMDir "$INSTDIR\sdk\${set}"
!macroend

Section "!$(NameProgram)" SecProgram
    SectionIn RO
    !insertmacro UseNativeRegistry
    SetOutPath "$INSTDIR"
    File "${FILES}/README.txt"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"

    ; The shortcut's working folder is the one Zarvo.exe --in-documents works in; the program
    ; makes it again if it goes missing.
    CreateDirectory "$DOCUMENTS\Zarvo"
    SetOutPath "$DOCUMENTS\Zarvo"
    CreateShortCut "$SMPROGRAMS\Zarvo.lnk" "$INSTDIR\Zarvo.exe" "--in-documents" \
        "$INSTDIR\Zarvo.exe" 0 SW_SHOWNORMAL "" "$(ShortcutAbout)"
    SetOutPath "$INSTDIR"

    WriteRegStr HKCU "${SETTINGS_KEY}" "InstallDir" "$INSTDIR"
SectionEnd

; The program's files: one set, the one of this Windows (.onInit leaves the other unselected, so
; that the space required counts one set only).
!macro ProgramSet set
    SetOutPath "$INSTDIR"
    File "${FILES}/${set}/Zarvo.exe"
    File "${FILES}/${set}/Zarvo.dll"
    File "${FILES}/${set}/API232.dll"
    File "${FILES}/${set}/zarvo-ports.exe"
!macroend

Section "-x64" SecX64
    !insertmacro ProgramSet x64
SectionEnd

!ifndef AMD64
    Section "-x86" SecX86
        !insertmacro ProgramSet x86
    SectionEnd
!endif

Section /o "$(NameSdk)" SecSdk
    SetOutPath "$INSTDIR\sdk"
    File "${FILES}/Zarvo.h"
    !insertmacro SdkSet x86
    !insertmacro SdkSet x64
    SetOutPath "$INSTDIR"
SectionEnd

; The size is that of the files installed, not of the folder: /D= may name one that holds more.
Section "-Apps"
    ${GetSize} "$INSTDIR" "/M=${UNINSTALLER} /S=0K /G=0" $0 $1 $2
    !insertmacro AddSectionSize ${SecProgram}
    !insertmacro AddSectionSize ${SecX64}
    !ifndef AMD64
        !insertmacro AddSectionSize ${SecX86}
    !endif
    !insertmacro AddSectionSize ${SecSdk}
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Zarvo"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Zarvo.exe"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "$(AboutProgram)"
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSdk} "$(AboutSdk)"
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
    !ifndef AMD64
        ${If} ${RunningX64}
            SectionSetFlags ${SecX86} 0
        ${Else}
            SectionSetFlags ${SecX64} 0
        ${EndIf}
    !endif
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/SDK" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecSdk} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    !insertmacro UseNativeRegistry
    ; A program still open cannot be removed on Windows: say so and change nothing.
    ClearErrors
    Delete "$INSTDIR\Zarvo.exe"
    ${If} ${Errors}
        MessageBox MB_OK|MB_ICONEXCLAMATION "$(InUse)" /SD IDOK
        Abort "$(InUse)"
    ${EndIf}
    Delete "$INSTDIR\Zarvo.dll"
    Delete "$INSTDIR\API232.dll"
    Delete "$INSTDIR\zarvo-ports.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\sdk\Zarvo.h"
    !insertmacro RemoveSdkSet x86
    !insertmacro RemoveSdkSet x64
    RMDir "$INSTDIR\sdk"
    Delete "$SMPROGRAMS\Zarvo.lnk"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Only if empty: /D= may have named a folder that holds the user's own files.
    RMDir "$INSTDIR"
SectionEnd
