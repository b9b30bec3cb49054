#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A headless X display for the Windows tests, so that Win32 windows can open under Wine.
#   xvfb-session.sh start DIR   start Xvfb on a free display; DIR/display holds ":N" once it is up
#   xvfb-session.sh stop DIR    stop it
# Wine's desktop process takes the display of the first program that starts it, so every Wine
# program of a test run (wine-run, wine-session) uses this one display.
set -euo pipefail
command=$1 dir=$2
mkdir -p "$dir"

case $command in
start)
    rm -f "$dir/display" "$dir/number"
    # -displayfd: Xvfb picks a free display and writes its number once it takes clients. It runs
    # in a session of its own with its output away from CTest's pipes.
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/number" \
        </dev/null >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/pid"
    for _ in $(seq 100); do
        if [ -s "$dir/number" ]; then
            echo ":$(tr -d '\n' <"$dir/number")" >"$dir/display"
            exit 0
        fi
        sleep 0.1
    done
    echo "Xvfb did not start within 10 s:" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
    ;;
stop)
    if [ -f "$dir/pid" ]; then
        kill "$(cat "$dir/pid")" 2>/dev/null || true
        rm -f "$dir/pid" "$dir/display"
    fi
    ;;
*)
    echo "usage: $0 start DIR | stop DIR" >&2
    exit 2
    ;;
esac
