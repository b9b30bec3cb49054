#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's picture of Zarvo.exe after a printer test: the robot's session case under Wine on
# a headless display, paused after its printer test while ImageMagick's import saves the window.
# Usage (after make test-windows): program/tests/win32/screenshot.sh [OUT.png]
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
win=$root/${BUILD_WIN32_DIR:-build-win32}
out=$(realpath -m "${1:-$root/program/zarvo-win32-printer-test.png}")
command -v import >/dev/null || { echo "import is missing: apt-get install imagemagick" >&2; exit 1; }
"$root/testing/wine/xvfb-session.sh" start "$win/xvfb"
"$root/testing/wine/wine-session.sh" start "$win/wine-prefix" "$win/xvfb"
status=0
SHOT=$out "$root/program/tests/win32/robot.sh" "$win/wine-run" \
    "$root/${BUILD_DIR:-build}/simulator/zarvo-printer-sim" "$win/wine-ports" "$win/bin" \
    "$win/screenshot" session || status=$?
"$root/testing/wine/wine-session.sh" stop "$win/wine-prefix"
"$root/testing/wine/xvfb-session.sh" stop "$win/xvfb"
[ "$status" -eq 0 ] && echo "saved $out"
exit "$status"
