# SPDX-License-Identifier: MIT
# Sourced by the Windows tests that need USB serial adapters plugged in under Wine: five adapters
# planted in the prefix's registry as their drivers register them (plant_device.exe), one of each
# kind a technician meets, on ports above 9. Only COM12 is mapped to a line (wine-session.sh); the
# others are listed, never opened.
#   plant_adapters WINE_RUN BIN    plant them all (BIN holds plant_device.exe)
#   remove_adapter WINE_RUN BIN ID remove one, as Windows does when it is unplugged
#   remove_adapters WINE_RUN BIN   remove them all
# Each entry: instance id|port|hardware id|maker|description|latency timer in ms (FTDI's only).
# FTDI's driver gives its maker as an indirect string of its INF file.
usb_adapters=(
    'FTDIBUS\VID_0403+PID_6001+A1B2C3D4A\0000|COM12|FTDIBUS\COMPORT&VID_0403&PID_6001|@oem12.inf,%ftdi%;FTDI|USB Serial Port|16'
    'USB\VID_2341&PID_0043\75833353035351A0C1B1|COM21|USB\VID_2341&PID_0043&REV_0001|Arduino LLC (www.arduino.cc)|Arduino Uno|'
    'USB\VID_1A86&PID_7523\5&2a5c1b8&0&2|COM22|USB\VID_1A86&PID_7523&REV_0254|wch.cn|USB-SERIAL CH340|'
    'USB\VID_10C4&PID_EA60\0001|COM23|USB\VID_10C4&PID_EA60&REV_0100|Silicon Labs|Silicon Labs CP210x USB to UART Bridge|'
    'USB\VID_067B&PID_2303\6&1b3d5f7&0&3|COM24|USB\VID_067B&PID_2303&REV_0300|Prolific|Prolific USB-to-Serial Comm Port|'
)
usb_pl2303='USB\VID_067B&PID_2303\6&1b3d5f7&0&3'

plant_adapters() {
    local wine_run=$1 bin=$2 entry id port hardware maker description ms
    for entry in "${usb_adapters[@]}"; do
        IFS='|' read -r id port hardware maker description ms <<<"$entry"
        # shellcheck disable=SC2086 # no latency: no argument
        "$wine_run" "$bin/plant_device.exe" plant "$id" "$port" "$hardware" "$maker" \
            "$description" $ms || return 1
    done
}

remove_adapter() {
    "$1" "$2/plant_device.exe" remove "$3"
}

remove_adapters() {
    local wine_run=$1 bin=$2 entry
    for entry in "${usb_adapters[@]}"; do
        remove_adapter "$wine_run" "$bin" "${entry%%|*}" || return 1
    done
}
