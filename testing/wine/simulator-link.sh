# SPDX-License-Identifier: MIT
# Sourced by the Windows tests that talk to the Linux printer simulator through a COM port of the
# prefix (COM1 unless told).
#   hold_simulator_link WORK PORTS [COMn]
# waits until the simulator started with --link PORTS/COMn and output to WORK/simulator.out is
# ready, and fails with its errors if it is not. It then holds the pseudo-terminal as the
# controlling terminal of a session of its own, so that the wineserver never takes it and gets
# SIGHUP when the simulator ends; the holder's pid is left in holder_pid.
hold_simulator_link() {
    local work=$1 ports=$2 port=${3:-COM1}
    for _ in $(seq 100); do
        [ -s "$work/simulator.out" ] && break
        sleep 0.1
    done
    if [ ! -L "$ports/$port" ]; then
        echo "the simulator did not start:" >&2
        cat "$work/simulator.err" >&2
        exit 1
    fi
    setsid --ctty sleep 600 <"$ports/$port" &
    holder_pid=$!
}
