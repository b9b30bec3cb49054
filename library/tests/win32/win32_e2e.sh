#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# End to end under Wine: the Linux printer simulator on a pseudo-terminal that the prefix's COM1
# points at, and the Windows test caller talking to it through Zarvo.dll and API232.dll.
# Usage: win32_e2e.sh WINE_RUN SIMULATOR PORTS_DIR BIN_DIR WORK_DIR
set -euo pipefail
# shellcheck source=../../../testing/wine/simulator-link.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../testing/wine/simulator-link.sh"
wine_run=$1 simulator=$2 ports=$3 bin=$4 work=$5

if [ ! -x "$simulator" ]; then
    echo "the Linux printer simulator is not built: $simulator (make test-windows builds it)" >&2
    exit 1
fi
rm -rf "$work"
mkdir -p "$work" "$ports"
rm -f "$ports"/COM[1-4]  # COM4 stays a port whose device is missing

"$simulator" --link "$ports/COM1" --fast --print-time 0 --log "$work/simulator.log" \
    --extra-after '.5609=.+EXTRA}' --cut-reply .23 >"$work/simulator.out" 2>"$work/simulator.err" &
simulator_pid=$!
holder_pid=
cleanup() {
    [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
    kill "$simulator_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT
hold_simulator_link "$work" "$ports"

status=0
(cd "$work" && "$wine_run" "$bin/zarvo_win_caller.exe" e2e) || status=$?

# The frames as they reached the printer, byte for byte.
expect_frame() {
    if grep -q "\"$1\" checksum ok | $2$" <(sed 's/ | [^|]*$//' "$work/simulator.log"); then
        echo "ok: the frame of $1 reached the printer as $2"
    else
        echo "FAILED: no frame of $1 as $2 in the simulator's log"
        status=$((status + 1))
    fi
}
expect_frame .5609 "9 bytes | 1B 2E 35 36 30 39 96 FF 7D"
expect_frame .23 "7 bytes | 1B 2E 32 33 FF FF 7D"
if grep -q "NOISE\|DROP" "$work/simulator.log"; then
    echo "FAILED: the printer saw bytes outside a frame"
    grep "NOISE\|DROP" "$work/simulator.log"
    status=$((status + 1))
fi
exit "$status"
