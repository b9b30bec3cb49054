#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs api232_win_probe.exe under Wine against echo_line.py on the pty that COM1 points at.
# Usage: api232_win32.sh WINE_RUN PORTS_DIR PROBE_EXE
set -euo pipefail
wine_run=$1 ports=$2 probe=$3
mkdir -p "$ports"
rm -f "$ports"/COM[1-4]
coproc echo_line { exec python3 "$(dirname "$0")/echo_line.py" "$ports/COM1"; }
# Bash unsets the coproc's variables once it has ended: keep its pid.
echo_line_pid=$echo_line_PID
read -r -t 10 ready <&"${echo_line[0]}"
[ "$ready" = ready ] || { echo "the echo line did not start" >&2; exit 1; }
status=0
"$wine_run" "$probe" || status=$?
exec {echo_line[1]}>&-
wait "$echo_line_pid" 2>/dev/null || true
exit "$status"
