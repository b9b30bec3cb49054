#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A USB adapter on COM12 under Wine, pulled and plugged back: the Linux printer simulator on a
# pseudo-terminal that the prefix's COM12 points at is the adapter; killing it closes the far side
# of the line, which is how a pulled adapter looks to Wine, and a new one on the same link is the
# adapter plugged back. The Windows test caller runs alongside and says, through empty files in
# WORK_DIR, when it is ready for each step.
#   pull  pulled 1.5 s into a 6-s reply to .13, plugged back once the caller has closed the port
#   soak  2,000 exchanges, then twice pulled while the port is open and plugged back
# Usage: adapter.sh WINE_RUN SIMULATOR PORTS_DIR BIN_DIR WORK_DIR CASE
set -euo pipefail
# shellcheck source=../../../testing/wine/simulator-link.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../testing/wine/simulator-link.sh"
wine_run=$1 simulator=$2 ports=$3 bin=$4 work=$5 case=$6

if [ ! -x "$simulator" ]; then
    echo "the Linux printer simulator is not built: $simulator (make test-windows builds it)" >&2
    exit 1
fi
rm -rf "$work"
mkdir -p "$work" "$ports"
rm -f "$ports/COM12"

simulator_pid= holder_pid= caller_pid=
cleanup() {
    [ -n "$caller_pid" ] && kill "$caller_pid" 2>/dev/null
    [ -n "$holder_pid" ] && kill "$holder_pid" 2>/dev/null
    [ -n "$simulator_pid" ] && kill "$simulator_pid" 2>/dev/null
    wait 2>/dev/null || true
}
trap cleanup EXIT

plug() {
    rm -f "$work/simulator.out"
    "$simulator" --link "$ports/COM12" --fast "$@" --log "$work/simulator.log" \
        >"$work/simulator.out" 2>>"$work/simulator.err" &
    simulator_pid=$!
    hold_simulator_link "$work" "$ports" COM12
}

pull() {
    kill "$simulator_pid"
    wait "$simulator_pid" 2>/dev/null || true
    simulator_pid=
    echo "pulled the adapter"
}

# Waits up to 30 s for the caller's word, or for what WORK/FILE names; fails if it ends first.
await() {
    for _ in $(seq 600); do
        [ -e "$work/$1" ] && return 0
        kill -0 "$caller_pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "FAILED: no '$1' from the caller" >&2
    return 1
}

case $case in
pull) plug --print-time 6000 ;;
soak) plug --print-time 0 ;;
*)
    echo "unknown case $case" >&2
    exit 2
    ;;
esac
(cd "$work" && exec "$wine_run" "$bin/zarvo_win_caller.exe" "$case") &
caller_pid=$!
status=0
# The caller has closed the port after round $1's pull: the adapter comes back.
replug() {
    await "closed$1" || status=1
    plug --print-time 0
    touch "$work/plugged$1"
}
if [ "$case" = pull ]; then
    # The printer begins its 6-s print: the reply is under way.
    for _ in $(seq 400); do
        grep -q " PRINT " "$work/simulator.log" 2>/dev/null && break
        sleep 0.05
    done
    sleep 1.5
    pull
    replug 1
else
    for round in 1 2; do
        await "pull$round" || status=1
        pull
        touch "$work/pulled$round"
        replug "$round"
    done
fi
wait "$caller_pid" || status=$?
caller_pid=
exit "$status"
