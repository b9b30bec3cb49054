#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# zarvo-ports as a technician types it, against the recorded sysfs trees (through the tests' build
# of the serial layer, which ZARVO_TEST_SYSFS_ROOT points at one) and a ports file of its own: the
# listing, atribuir and remover (and their English names), the latency, the answers to mistakes,
# all in Portuguese.
# Usage: zarvo_ports_cli.sh ZARVO_PORTS SYSFS_TREES
set -uo pipefail
ports=$1 trees=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config ZARVO_TEST_SYSFS_ROOT=$trees/pc
unset API232_PORT1
fail() { echo "FAIL: $*" >&2; exit 1; }
ftdi="$trees/pc/dev/ttyUSB0 — FTDI FT232R USB UART (0403:6001), nº de série A1B2C3D4, latência 16 ms"

out=$("$ports") || fail "listing failed"
grep -qxF "$ftdi (sem número de porta)" <<<"$out" || fail "no FTDI line: $out"
grep -qxF "    nome fixo: $trees/pc/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0" \
    <<<"$out" || fail "no stable name: $out"
grep -qxF "$trees/pc/dev/ttyS0 — porta serial do computador (sem número de porta)" <<<"$out" ||
    fail "no UART: $out"
grep -q "ttyS1" <<<"$out" && fail "a placeholder is listed: $out"

"$ports" atribuir 1 "$trees/pc/dev/ttyUSB0" | grep -qx "A porta 1 agora é $trees/pc/dev/ttyUSB0." ||
    fail "atribuir failed"
"$ports" listar | grep -qxF "$ftdi (hoje a porta 1)" || fail "the adapter is not port 1"
"$ports" remover 1 | grep -q "^A porta 1 não está mais atribuída" || fail "remover failed"
"$ports" list | grep -qxF "$ftdi (sem número de porta)" || fail "remover left port 1"
# The names scripts knew before.
"$ports" set 2 "$trees/pc/dev/ttyS0" >/dev/null && "$ports" unset 2 >/dev/null ||
    fail "set and unset are no longer understood"

"$ports" latencia "$trees/pc/dev/ttyUSB0" | grep -qx "$trees/pc/dev/ttyUSB0: latência 16 ms" ||
    fail "the latency is not shown"
"$ports" latencia "$trees/pc/dev/ttyUSB0" 1 2>"$work/err" && fail "Linux took a latency to keep"
grep -q "^zarvo-ports: .*pede 1 ms" "$work/err" || fail "no reason for the refusal: $(cat "$work/err")"

"$ports" atribuir 1 /dev/no-such-adapter 2>"$work/err" && fail "atribuir took a missing device"
grep -q "esse dispositivo não existe" "$work/err" || fail "no reason given: $(cat "$work/err")"
for mistake in "atribuir 0 /dev/null" "atribuir 1" "latencia /dev/null 300" "remover 1 2"; do
    # shellcheck disable=SC2086
    "$ports" $mistake 2>"$work/err"
    [ $? -gt 100 ] || fail "'$mistake' was not refused as a mistaken command line"
    grep -q "^zarvo-ports: .*; veja zarvo-ports --help$" "$work/err" ||
        fail "'$mistake' is not explained: $(cat "$work/err")"
    grep -qi "expected\|required\|range" "$work/err" && fail "CLI11 spoke English: $(cat "$work/err")"
done
"$ports" --help | grep -q "^Uso: zarvo-ports" || fail "the help is not in Portuguese"

printf '1 /dev/ttyUSB0\n' >"$XDG_CONFIG_HOME/zarvo/ports"
"$ports" 2>"$work/err" | grep -q "número de porta desconhecido" || fail "a damaged file is not shown"
grep -q "zarvo/ports, linha 1" "$work/err" || fail "the damage is not located: $(cat "$work/err")"

ZARVO_TEST_SYSFS_ROOT=$trees/no-serial "$ports" | grep -q "^Nenhum dispositivo serial encontrado" ||
    fail "an empty list is not told"
echo "zarvo-ports: all cases passed"
