#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# zarvo-ports as a technician types it, against the recorded sysfs trees (through the tests' build
# of the serial layer, which ZARVO_TEST_SYSFS_ROOT points at one) and a ports file of its own: the
# listing, set, unset, and the answers to mistakes.
# Usage: zarvo_ports_cli.sh ZARVO_PORTS SYSFS_TREES
set -uo pipefail
ports=$1 trees=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config ZARVO_TEST_SYSFS_ROOT=$trees/pc
unset API232_PORT1
fail() { echo "FAIL: $*" >&2; exit 1; }

out=$("$ports") || fail "listing failed"
grep -qx "$trees/pc/dev/ttyUSB0  no port number" <<<"$out" || fail "no FTDI line: $out"
grep -qx "    USB 0403:6001, FTDI FT232R USB UART, serial number A1B2C3D4" <<<"$out" ||
    fail "no FTDI details: $out"
grep -qx "    UART of this computer" <<<"$out" || fail "no UART: $out"
grep -q "ttyS1" <<<"$out" && fail "a placeholder is listed: $out"

"$ports" set 1 "$trees/pc/dev/ttyUSB0" >/dev/null || fail "set failed"
"$ports" list | grep -qx "$trees/pc/dev/ttyUSB0  port 1" || fail "the adapter is not port 1"
"$ports" unset 1 >/dev/null || fail "unset failed"
"$ports" | grep -qx "$trees/pc/dev/ttyUSB0  no port number" || fail "unset left port 1"

"$ports" set 1 /dev/no-such-adapter 2>"$work/err" && fail "set took a missing device"
grep -q "no such device" "$work/err" || fail "no reason given: $(cat "$work/err")"
"$ports" set 0 /dev/null 2>/dev/null
[ $? -gt 100 ] || fail "port 0 was not refused as a mistaken command line"

printf '1 /dev/ttyUSB0\n' >"$XDG_CONFIG_HOME/zarvo/ports"
"$ports" 2>"$work/err" | grep -q "port unknown" || fail "a damaged file is not shown"
grep -q "zarvo/ports, line 1" "$work/err" || fail "the damage is not located: $(cat "$work/err")"

ZARVO_TEST_SYSFS_ROOT=$trees/no-serial "$ports" | grep -q "^No serial device found" ||
    fail "an empty list is not told"
echo "zarvo-ports: all cases passed"
