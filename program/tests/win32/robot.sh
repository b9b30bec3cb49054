#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Zarvo.exe under Wine, driven by zarvo-robot, against the Linux printer simulator on a
# pseudo-terminal that the prefix's COM1 points at.
# Usage: robot.sh WINE_RUN SIMULATOR PORTS_DIR BIN_DIR WORK_DIR CASE [ZIP SET | LINK DOCUMENTS EXE]
# CASE: form (Zarvo.exe alone in a folder: no printer, no Zarvo.dll; the form at 96 dpi, then at
# 144 dpi, Windows at 150 %: the prefix's LogPixels is set for each run and put back after),
# session (the printer's reply to .36N cut short), bundle (the session case with the programs of
# SET, x86 or x64, unpacked from ZIP, the Windows download).
# offer (the printer on COM3, which the window offers after a failed printer test, beside the
# USB adapters of testing/wine/usb-adapters.sh, planted for it; zarvo-ports lists them all, and the
# offer must show each adapter by the same line).
# shortcut (the installed EXE as the Start-menu shortcut LINK starts it, working in
# DOCUMENTS; the three as Windows paths).
# With SHOT=file.png, the session case pauses after its printer test and the screen is saved there.
set -euo pipefail
# shellcheck source=../../../testing/wine/simulator-link.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../testing/wine/simulator-link.sh"
# shellcheck source=../../../testing/wine/usb-adapters.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../testing/wine/usb-adapters.sh"
wine_run=$1 simulator=$2 ports=$3 bin=$4 work=$5 case=$6 zip=${7:-} set=${8:-}
installed=("${@:7}")

rm -rf "$work"
mkdir -p "$work" "$ports"
windows_path() { "$wine_run" winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# The printer's state, the same for the line and for the expected LeitM.txt.
memory=(--seed 7 --reductions 12)
state=(--clock 0102031234 --reduction F --first-x --coo 123 --ccf 45)
dump() { "$simulator" "${memory[@]}" --dump-reading "$1"; }

exe="$bin/Zarvo.exe"
files=()
faults=()
if [ "$case" = bundle ]; then
    mkdir -p "$work/unpacked"
    (cd "$work/unpacked" && cmake -E tar xf "$zip")
    listed=$(cd "$work/unpacked" && LC_ALL=C find . -type f | LC_ALL=C sort | tr '\n' ' ')
    expected="./README.txt ./Zarvo.h"
    for s in x64 x86; do
        expected+=" ./$s/API232.dll ./$s/Zarvo.def ./$s/Zarvo.dll ./$s/Zarvo.exe ./$s/zarvo-ports.exe"
        expected+=" ./$s/zarvo.ico"
    done
    if [ "$listed" != "$expected " ]; then
        echo "FAIL: the download holds $listed" >&2
        exit 1
    fi
    exe="$work/unpacked/$set/Zarvo.exe"
    case=session
fi
case $case in
offer | shortcut) ;;
session)
    dump .1500010003# >"$work/expected-reduction.txt"
    dump .16010100301210# >"$work/expected-date.txt"
    files=("$(windows_path "$work/expected-reduction.txt")" "$(windows_path "$work/expected-date.txt")")
    if [ -n "${SHOT:-}" ]; then
        files+=("$(windows_path "$work/pause")")
    fi
    faults=(--cut-reply .36N)
    ;;
form)
    # The program alone: Zarvo.dll is neither beside it nor in its current directory.
    mkdir -p "$work/alone"
    cp "$exe" "$work/alone/Zarvo.exe"
    exe="$work/alone/Zarvo.exe"
    ;;
*)
    echo "unknown case $case" >&2
    exit 2
    ;;
esac

# The prefix's display DPI as it was: the form case sets its own for each run.
desktop='HKCU\Control Panel\Desktop'
logpixels=
if [ "$case" = form ]; then
    logpixels=$({ "$wine_run" reg query "$desktop" /v LogPixels 2>/dev/null || true; } |
        tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
fi
set_logpixels() {
    "$wine_run" reg add "$desktop" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
}

simulator_pid= holder_pid=
cleanup() {
    if [ "$case" = form ]; then
        if [ -n "$logpixels" ]; then
            set_logpixels "$((logpixels))"
        else
            "$wine_run" reg delete "$desktop" /v LogPixels /f >/dev/null 2>&1
        fi
    fi
    # The ports file belongs to the whole prefix (unset before the offer too): the other cases
    # find the printer on COM1.
    if [ "$case" = offer ]; then
        "$wine_run" "$bin/zarvo-ports.exe" unset 1 >/dev/null 2>&1
        remove_adapters "$wine_run" "$bin"
    fi
    [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT
if [ "$case" != form ]; then
    if [ ! -x "$simulator" ]; then
        echo "the Linux printer simulator is not built: $simulator (make test-windows builds it)" >&2
        exit 1
    fi
    rm -f "$ports"/COM[1-4]  # COM2 to COM4 stay ports whose device is missing
    "$simulator" --link "$ports/COM1" --fast --print-time 0 "${memory[@]}" "${state[@]}" \
        "${faults[@]}" --log "$work/simulator.log" >"$work/simulator.out" 2>"$work/simulator.err" &
    simulator_pid=$!
    hold_simulator_link "$work" "$ports"
    if [ "$case" = offer ]; then
        # The printer moves to COM3; COM1 and COM2 are ports whose devices are missing.
        ln -s "$(readlink "$ports/COM1")" "$ports/COM3"
        rm "$ports/COM1"
        "$wine_run" "$bin/zarvo-ports.exe" unset 1 >/dev/null 2>&1 || true
        plant_adapters "$wine_run" "$bin"
        "$wine_run" "$bin/zarvo-ports.exe" >"$work/zarvo-ports.out" 2>"$work/zarvo-ports.err" || {
            cat "$work/zarvo-ports.err" >&2
            exit 1
        }
        if ! grep -q '^COM3 — porta serial do computador (hoje a porta 3)' "$work/zarvo-ports.out"; then
            echo "FAIL: zarvo-ports does not list COM3 as port 3:" >&2
            cat "$work/zarvo-ports.out" >&2
            exit 1
        fi
        # The adapters' lines as the offer is to show them: it adds only the port a device is.
        grep -E '^COM(12|2[1-4]) ' "$work/zarvo-ports.out" | tr -d '\r' |
            sed 's/ (sem número de porta)$//' >"$work/adapters.txt"
        files=("$(windows_path "$work/adapters.txt")")
    fi
fi

if [ -n "${SHOT:-}" ] && [ "$case" = session ]; then
    (
        for _ in $(seq 300); do
            [ -e "$work/pause" ] && break
            sleep 0.1
        done
        sleep 0.5
        DISPLAY="$(cat "$(dirname "$wine_run")/xvfb/display" 2>/dev/null || echo "$DISPLAY")" \
            import -window ZARVO "$SHOT" || import -window root "$SHOT"
        rm -f "$work/pause"
    ) &
fi

arguments=("$(windows_path "$exe")" "$(windows_path "$work")" "${files[@]}")
if [ "$case" = shortcut ]; then
    arguments=("${installed[@]}")
fi
status=0
if [ "$case" = form ]; then
    for dpi in 96 144; do
        set_logpixels "$dpi"
        "$wine_run" "$bin/zarvo_robot.exe" form "${arguments[@]}" "$dpi" || status=$?
    done
else
    "$wine_run" "$bin/zarvo_robot.exe" "$case" "${arguments[@]}" || status=$?
fi
if [ "$status" -ne 0 ] && [ -s "$work/simulator.log" ]; then
    echo "--- the simulator's log:" >&2
    tail -n 40 "$work/simulator.log" >&2
fi
exit "$status"
