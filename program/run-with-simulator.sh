#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Opens the operator window against the printer simulator, which stands on port 1 (make run).
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build_dir="${BUILD_DIR:-build}"
case "$build_dir" in
    /*) ;;
    *) build_dir="$root/$build_dir" ;;
esac
simulator="$build_dir/simulator/zarvo-printer-sim"
window="$build_dir/program/zarvo"
run_dir="$build_dir/run"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "make run: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the" >&2
    echo "window cannot open. Run it from a desktop session, over 'ssh -X', or under a virtual" >&2
    echo "display: 'Xvfb :99 & DISPLAY=:99 make run'." >&2
    exit 1
fi
if [ ! -x "$simulator" ]; then
    echo "make run: the printer simulator is not built yet ($simulator is missing)." >&2
    exit 1
fi
if [ ! -x "$window" ]; then
    echo "make run: the operator window is not built yet ($window is missing)." >&2
    exit 1
fi

mkdir -p "$run_dir"
link="$run_dir/port1"
sim_out="$run_dir/simulator.out"
sim_err="$run_dir/simulator.err"
: >"$sim_out"

# At 9600 bit/s, as a real printer answers.
"$simulator" --link "$link" >"$sim_out" 2>"$sim_err" &
sim_pid=$!
stop_simulator() {
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
}
trap stop_simulator EXIT

# The simulator prints its pseudo-terminal's path as its first line.
for _ in $(seq 100); do
    if [ "$(wc -l <"$sim_out")" -ge 1 ]; then
        break
    fi
    if ! kill -0 "$sim_pid" 2>/dev/null; then
        echo "make run: the printer simulator stopped at once:" >&2
        cat "$sim_err" >&2
        exit 1
    fi
    sleep 0.1
done
port="$(head -n 1 "$sim_out")"
if [ -z "$port" ]; then
    echo "make run: the printer simulator did not tell its device within 10 seconds." >&2
    exit 1
fi

export API232_PORT1="$port"
echo "Printer simulator on $port (link $link) as port 1."
echo "RespApf.txt and LeitM.txt are written in $run_dir."
cd "$run_dir"
"$window"
