# SPDX-License-Identifier: MIT
# Sourced by the Windows tests that talk to the Linux printer simulator through the prefix's COM1.
#   hold_simulator_link WORK PORTS
# waits until the simulator started with --link PORTS/COM1 and output to WORK/simulator.out is
# ready, and fails with its errors if it is not. It then holds the pseudo-terminal as the
# controlling terminal of a session of its own, so that the wineserver never takes it and gets
# SIGHUP when the simulator ends; the holder's pid is left in holder_pid.
hold_simulator_link() {
    local work=$1 ports=$2
    for _ in $(seq 100); do
        [ -s "$work/simulator.out" ] && break
        sleep 0.1
    done
    if [ ! -L "$ports/COM1" ]; then
        echo "the simulator did not start:" >&2
        cat "$work/simulator.err" >&2
        exit 1
    fi
    setsid --ctty sleep 600 <"$ports/COM1" &
    holder_pid=$!
}
