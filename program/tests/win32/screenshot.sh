#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's picture of Zarvo.exe after a printer test: the robot's session case under Wine on
# a headless display, paused after its printer test while ImageMagick's import saves the window.
# Usage (after make test-windows): [DPI=144] program/tests/win32/screenshot.sh [OUT.png]
# DPI sets the display DPI of the prefix for the shot (144: Windows at 150 %), removed after it.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
win=$root/${BUILD_WIN32_DIR:-build-win32}
out=$(realpath -m "${1:-$root/program/zarvo-win32-printer-test.png}")
command -v import >/dev/null || { echo "import is missing: apt-get install imagemagick" >&2; exit 1; }
"$root/testing/wine/xvfb-session.sh" start "$win/xvfb"
"$root/testing/wine/wine-session.sh" start "$win/wine-prefix" "$win/xvfb"
desktop='HKCU\Control Panel\Desktop'
if [ -n "${DPI:-}" ]; then
    "$win/wine-run" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$DPI" /f >/dev/null 2>&1
fi
status=0
SHOT=$out "$root/program/tests/win32/robot.sh" "$win/wine-run" \
    "$root/${BUILD_DIR:-build}/simulator/zarvo-printer-sim" "$win/wine-ports" "$win/bin" \
    "$win/screenshot" session || status=$?
if [ -n "${DPI:-}" ]; then
    "$win/wine-run" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
fi
"$root/testing/wine/wine-session.sh" stop "$win/wine-prefix"
"$root/testing/wine/xvfb-session.sh" stop "$win/xvfb"
[ "$status" -eq 0 ] && echo "saved $out"
exit "$status"
