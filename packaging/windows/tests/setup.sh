#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows setup under Wine, silent, in the user area of the test prefix:
#   1. /S: the program files of SET in %LOCALAPPDATA%\Programs\Zarvo, the Start-menu shortcut, the
#      entry in "Apps" (HKCU ...\Uninstall\Zarvo), the folder Documents\Zarvo;
#   2. the installed program started as its shortcut starts it, against the printer simulator on
#      COM1 (robot.sh, case shortcut): RespApf.txt lands in Documents\Zarvo;
#   3. the uninstaller, as "Apps" runs it quietly: program, shortcut and entry gone, Documents\Zarvo
#      and its files kept;
#   4. /S /SDK /D=folder into a folder holding a file of the user's: the program and the files for
#      programs of one's own there; removal takes only what the setup put there.
# Usage: setup.sh WINE_RUN SIMULATOR PORTS BIN WORK SETUP ZIP SET VERSION
# SET is the build's set: x86 in a 32-bit prefix, x64 in a 64-bit one. ZIP is the download, whose
# files the installed ones must equal. SETUP is the shipped setup, or where the 32-bit Wine does
# not start the same script made as a 64-bit setup. VERSION is the one "Apps" must show.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
wine_run=$1 simulator=$2 ports=$3 bin=$4 work=$5 setup=$6 zip=$7 set=$8 version=$9

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$work"
mkdir -p "$work"
for file in "$setup" "$zip"; do
    [ -f "$file" ] || fail "$file is missing (make windows makes it)"
done
wine() { "$wine_run" "$@" 2>/dev/null | tr -d '\r'; }
expand() { wine cmd /c echo "$1"; }  # a Windows environment variable of the prefix's user
unix_path() { wine winepath -u "$1"; }
windows_path() { wine winepath -w "$1"; }
listing() { (cd "$1" && LC_ALL=C find . -type f | LC_ALL=C sort | tr '\n' ' '); }
# Waits up to 30 s for PATH to go: the uninstaller copies itself to the temp folder, starts the
# copy and ends at once; the copy removes the files.
wait_gone() {
    for _ in $(seq 300); do
        [ -e "$1" ] || return 0
        sleep 0.1
    done
    fail "$1 still there 30 s after the uninstaller started"
}

mkdir "$work/download"
(cd "$work/download" && cmake -E tar xf "$zip")
echo "Testing $(basename "$setup") in a Windows of the $set kind: it installs the $set set."

local_appdata=$(expand %LOCALAPPDATA%)
profile=$(expand %USERPROFILE%)
program_win="$local_appdata\\Programs\\Zarvo"
documents_win="$profile\\Documents\\Zarvo"
program=$(unix_path "$program_win")
link="$(unix_path "$(expand %APPDATA%)")/Microsoft/Windows/Start Menu/Programs/Zarvo.lnk"
documents=$(unix_path "$profile\\Documents")
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zarvo'
# What the test removes below must lie in the prefix's user area.
for path in "$program" "$link" "$documents"; do
    case $path in
    */dosdevices/c:/users/?*/*) ;;
    *) fail "not in the prefix's user area: '$path' (from $program_win, $documents_win)" ;;
    esac
done

# A fresh user area: no earlier install, and Documents a folder of this test's own rather than
# the Linux home that Wine links it to.
rm -rf "$program" "$link" "$documents"
wine reg delete "$key" /f >/dev/null || true
wine reg delete 'HKCU\Software\Zarvo' /f >/dev/null || true
mkdir -p "$work/documents"
ln -s "$work/documents" "$documents"

# 1. The silent install.
"$wine_run" "$setup" /S || fail "the silent setup failed (exit code $?)"
[ "$(listing "$program")" = "./API232.dll ./README.txt ./Zarvo.dll ./Zarvo.exe ./uninstall.exe ./zarvo-ports.exe " ] ||
    fail "the program folder holds $(listing "$program")"
for file in Zarvo.exe Zarvo.dll API232.dll zarvo-ports.exe; do
    cmp -s "$program/$file" "$work/download/$set/$file" || fail "$file is not the $set set's"
done
[ -f "$link" ] || fail "no Start-menu shortcut $link"
[ -d "$documents/Zarvo" ] || fail "no folder Documents\\Zarvo"

# The entry in "Apps", as reg query prints it: "    NAME    TYPE    DATA".
entry=$(wine reg query "$key") || fail "no uninstall entry $key"
value() { awk -v name="$1" -F '    ' '$2 == name { print $4 }' <<<"$entry"; }
check_value() {
    [ "$(value "$1")" = "$2" ] || fail "$1 is '$(value "$1")', expected '$2' in:
$entry"
}
check_value DisplayName Zarvo
check_value DisplayVersion "$version"
check_value Publisher Zarvo
check_value InstallLocation "$program_win"
check_value UninstallString "\"$program_win\\uninstall.exe\""
check_value QuietUninstallString "\"$program_win\\uninstall.exe\" /S"
# EstimatedSize: the KiB of the files the setup put into FOLDER, whatever else the folder holds;
# the setup counts each file in whole KiB, so it may be up to one KiB a file above their sum.
check_size() {
    local bytes size files
    bytes=$(find "$1" -type f ! -name Leitura.txt -exec cat {} + | wc -c)
    files=$(find "$1" -type f ! -name Leitura.txt | wc -l)
    size=$(($(value EstimatedSize)))
    if [ $((size - bytes / 1024)) -lt -1 ] || [ $((size - bytes / 1024)) -gt $((files + 1)) ]; then
        fail "EstimatedSize $size KiB for $bytes bytes of files"
    fi
}
check_size "$program"

# 2. The program as the shortcut starts it.
"$here/../../../program/tests/win32/robot.sh" "$wine_run" "$simulator" "$ports" "$bin" \
    "$work/robot" shortcut "$(windows_path "$link")" "$documents_win" "$program_win\\Zarvo.exe"

# 3. The removal, as "Apps" runs it quietly.
"$wine_run" "$program/uninstall.exe" /S || fail "the uninstaller failed (exit code $?)"
wait_gone "$program"
[ ! -e "$link" ] || fail "the shortcut is still there"
if wine reg query "$key" >/dev/null; then
    fail "the uninstall entry is still there"
fi
if wine reg query 'HKCU\Software\Zarvo' >/dev/null; then
    fail "the setup's key HKCU\\Software\\Zarvo is still there"
fi
[ -f "$documents/Zarvo/RespApf.txt" ] || fail "Documents\\Zarvo lost RespApf.txt"

# 4. Another folder, with the files for programs of one's own, beside a file of the user's.
elsewhere="$work/elsewhere folder"
mkdir -p "$elsewhere"
printf "a reading %06d\n" $(seq 20000) >"$elsewhere/Leitura.txt"  # 340 kB
# /D= takes the rest of the command line as typed, spaces and all, unquoted: Wine would quote one
# argument holding a space, so the folder goes as separate words, which Wine joins with spaces.
read -ra folder_words <<<"/D=$(windows_path "$elsewhere")"
"$wine_run" "$setup" /S /SDK "${folder_words[@]}" ||
    fail "the silent setup with /SDK /D= failed (exit code $?)"
sdk=""
for s in x64 x86; do
    sdk+="./sdk/$s/API232.dll ./sdk/$s/Zarvo.def ./sdk/$s/Zarvo.dll "
    for file in Zarvo.dll API232.dll Zarvo.def; do
        cmp -s "$elsewhere/sdk/$s/$file" "$work/download/$s/$file" || fail "sdk/$s/$file is not the $s set's"
    done
done
expected="./API232.dll ./Leitura.txt ./README.txt ./Zarvo.dll ./Zarvo.exe ./sdk/Zarvo.h $sdk./uninstall.exe ./zarvo-ports.exe "
[ "$(listing "$elsewhere")" = "$expected" ] || fail "the folder given with /D= holds $(listing "$elsewhere")"
[ ! -e "$program" ] || fail "/D= was not followed: $program made"
entry=$(wine reg query "$key") || fail "no uninstall entry after /D="
check_value InstallLocation "$(windows_path "$elsewhere")"
check_size "$elsewhere"
"$wine_run" "$elsewhere/uninstall.exe" /S || fail "the uninstaller failed (exit code $?)"
wait_gone "$elsewhere/uninstall.exe"
[ "$(listing "$elsewhere")" = "./Leitura.txt " ] || fail "after removal the folder holds $(listing "$elsewhere")"
echo "setup: installed, used and removed"
