// SPDX-License-Identifier: MIT
// The one line that tells a technician which serial device is which, composed once for every
// program that shows devices (zarvo-ports, the window's offer).
#ifndef API232_DEVICE_LINE_H
#define API232_DEVICE_LINE_H

#include <cstdint>
#include <string>

#include "API232.h"

namespace zarvo::serial {

/// "COM12 — FTDI USB Serial Port (0403:6001), nº de série A1B2C3D4, latência 16 ms": the name,
/// then maker and product (a product that begins with its maker's name says it once; a port
/// name the system's own name repeats is left out), the USB ids, the serial number, and
/// @p latency_ms when it is above 1 ms.
std::string device_line(const sio_device &device, std::int32_t latency_ms);

}  // namespace zarvo::serial

#endif  // API232_DEVICE_LINE_H
