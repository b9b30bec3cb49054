#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A private Wine prefix for the Windows tests, and the wineserver around a test run.
#   wine-session.sh prefix PREFIX PORTS   make PREFIX once: COM1..COM4, COM12 -> PORTS/COMn
#   wine-session.sh start  PREFIX [XVFB]  start the wineserver and Wine's services (on the display
#                                         that XVFB/display names)
#   wine-session.sh stop   PREFIX         stop them and wait until they are gone
# WINELOADER names the Wine loader (/usr/lib/wine/wine for 32-bit programs, /usr/lib/wine/wine64
# for 64-bit ones) and WINEARCH the prefix's kind (win32, win64); the loader is called directly.
# COM ports are mapped in the prefix's registry (HKLM\Software\Wine\Ports): a link made by hand in
# dosdevices is overwritten when the wineserver starts. Each PORTS/COMn is a link that a test
# points at a pseudo-terminal; one that points nowhere is a port whose device is missing. All the
# ports the tests open are mapped, so that no test reaches the machine's own serial ports: COM1 to
# COM4, and COM12 for a port above 9 (a USB adapter's).
# Wine makes no menu entries of the desktop for the tests' shortcuts (winemenubuilder is off).
# No window manager runs on the tests' display, so Wine manages the windows itself: a managed
# window's close waits 2 s for a window manager to withdraw it, at every message box and program
# end.
# Wine's daemons are started with their output sent away from the caller's pipes, else CTest
# waits for them after every test.
set -euo pipefail
command=$1
export WINEPREFIX=$2
export WINELOADER=${WINELOADER:-/usr/lib/wine/wine}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
wine=$WINELOADER

# Says why Wine cannot run here, and fails.
cannot_start() {
    echo "Wine cannot start: $*" >&2
    exit 1
}

case $command in
prefix)
    ports=$3
    mkdir -p "$ports"
    [ -x "$wine" ] || cannot_start "$wine is not installed (make deps-windows installs it)"
    if ! version=$("$wine" --version 2>&1); then
        cannot_start "'$wine --version' failed: ${version:-no output}"
    fi
    mapped="1 2 3 4 12"
    settings="ports $mapped; windows unmanaged"
    if [ ! -f "$WINEPREFIX/.zarvo-settings" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        if ! log=$("$wine" wineboot -i 2>&1); then
            echo "$log" | tail -n 20 >&2
            cannot_start "'$wine wineboot -i' ($version, WINEARCH=${WINEARCH:-}) failed to make $WINEPREFIX"
        fi
    fi
    # The marker names the settings made, so that a prefix made before one was added gets it.
    if [ "$(cat "$WINEPREFIX/.zarvo-settings" 2>/dev/null)" != "$settings" ]; then
        for n in $mapped; do
            "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$n" /t REG_SZ /d "$ports/COM$n" /f \
                >/dev/null 2>&1 || cannot_start "could not map COM$n in $WINEPREFIX"
        done
        "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 ||
            cannot_start "could not leave the windows unmanaged in $WINEPREFIX"
        wineserver -w
        echo "$settings" >"$WINEPREFIX/.zarvo-settings"
    fi
    ;;
start)
    if [ -n "${3:-}" ] && [ -s "$3/display" ]; then
        DISPLAY="$(cat "$3/display")"
        export DISPLAY
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    "$wine" cmd /c exit </dev/null >/dev/null 2>&1 || cannot_start "'$wine cmd /c exit' failed in $WINEPREFIX"
    ;;
stop)
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    ;;
*)
    echo "usage: $0 prefix PREFIX PORTS | start PREFIX [XVFB] | stop PREFIX" >&2
    exit 2
    ;;
esac
