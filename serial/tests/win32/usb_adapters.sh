#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# zarvo-ports.exe under Wine with five USB adapters planted as their drivers register them
# (testing/wine/usb-adapters.sh):
#   listing  each adapter's one line (FTDI's serial number without its channel letter, a made-up
#            instance id giving none, maker and product each once), then one unplugged and gone
#   latency  FTDI's latency timer read; set without administrator rights in force (refused in one
#            line, nothing changed) and with them (written where the driver reads it)
# Usage: usb_adapters.sh WINE_RUN BIN_DIR CASE
set -uo pipefail
# shellcheck source=../../../testing/wine/usb-adapters.sh
source "$(dirname "${BASH_SOURCE[0]}")/../../../testing/wine/usb-adapters.sh"
wine_run=$1 bin=$2 case=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
# zarvo-ports.exe's standard output, or both its outputs, without the CRs of Windows' text mode.
ports() { "$wine_run" "$bin/zarvo-ports.exe" "$@" | tr -d '\r'; }
ports_said() { "$wine_run" "$bin/zarvo-ports.exe" "$@" 2>&1 | tr -d '\r'; }
trap 'remove_adapters "$wine_run" "$bin"' EXIT
plant_adapters "$wine_run" "$bin" || fail "the adapters could not be planted"

case $case in
listing)
    out=$(ports listar) || fail "listing failed"
    echo "$out"
    # COM12 is mapped to a line, so it is a port number; the others are ports Wine does not map.
    grep -qxF "COM12 — FTDI USB Serial Port (0403:6001), nº de série A1B2C3D4, latência 16 ms (hoje a porta 12)" \
        <<<"$out" || fail "FTDI"
    for line in "COM21 — Arduino LLC (www.arduino.cc) Arduino Uno (2341:0043), nº de série 75833353035351A0C1B1" \
        "COM22 — wch.cn USB-SERIAL CH340 (1a86:7523)" \
        "COM23 — Silicon Labs CP210x USB to UART Bridge (10c4:ea60), nº de série 0001" \
        "COM24 — Prolific USB-to-Serial Comm Port (067b:2303)"; do
        grep -qF "$line (" <<<"$out" || fail "not listed: $line"
    done
    [ "$(grep -c '^COM2[1-4] ' <<<"$out")" = 4 ] || fail "an adapter is listed twice"
    remove_adapter "$wine_run" "$bin" "$usb_pl2303" || fail "the PL2303 could not be removed"
    out=$(ports) || fail "listing after the unplug failed"
    grep -q "^COM24 " <<<"$out" && fail "the unplugged PL2303 is still listed: $out"
    grep -q "^COM12 — FTDI" <<<"$out" || fail "the FTDI went with the PL2303: $out"
    ;;
latency)
    key='HKLM\SYSTEM\CurrentControlSet\Enum\FTDIBUS\VID_0403+PID_6001+A1B2C3D4A\0000\Device Parameters'
    timer() { "$wine_run" reg query "$key" /v LatencyTimer | tr -d '\r' | awk '/LatencyTimer/ {print $3}'; }
    [ "$(ports latencia COM12)" = "COM12: latência 16 ms" ] || fail "the latency is not read"
    said=$(ports_said latencia COM22)  # it fails, as it must: no pipe, whose status would be its
    [ "$said" = "zarvo-ports: COM22: este dispositivo não tem temporizador de latência" ] ||
        fail "a CH340 is said to have a latency timer: $said"

    err=$("$wine_run" "$bin/run_unelevated.exe" "$bin/zarvo-ports.exe" latencia COM12 1 2>&1 >/dev/null)
    status=$?
    err=$(tr -d '\r' <<<"$err")
    echo "without administrator rights: $err"
    [ "$status" = 1 ] || fail "the refusal ended with $status"
    [ "$(wc -l <<<"$err")" = 1 ] && grep -q "^zarvo-ports: COM12: é preciso executar como administrador" <<<"$err" ||
        fail "the refusal is not one line naming the rights: $err"
    [ "$(timer)" = 0x10 ] || fail "the refusal changed the latency: $(timer)"

    out=$(ports latencia COM12 1) || fail "the latency could not be set"
    grep -qx "A latência de COM12 agora é 1 ms. Desconecte o adaptador e conecte-o de novo .*" <<<"$out" ||
        fail "no word of plugging it in again: $out"
    [ "$(timer)" = 0x1 ] || fail "LatencyTimer is $(timer), not 1"
    ports | grep -qxF "COM12 — FTDI USB Serial Port (0403:6001), nº de série A1B2C3D4 (hoje a porta 12)" ||
        fail "1 ms is still shown"
    ;;
*)
    echo "unknown case $case" >&2
    exit 2
    ;;
esac
echo "$case: all checks passed"
