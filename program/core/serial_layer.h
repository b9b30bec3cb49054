// SPDX-License-Identifier: MIT
// The serial layer's listing and port assignment, bound by name at run time like the link
// library: the window lists the serial devices present and assigns one to port 1. The rest of the
// window sees the devices and results as this header gives them, never the layer's own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view.h"

namespace zarvo::window {

/// One serial device present, as the window shows and assigns it.
struct SerialDevice {
    /// The port number that opens it now; 0 when none does; -1 when a damaged ports file keeps
    /// that from being known.
    std::int32_t port = 0;
    Text name;  ///< what the operator recognises it by: /dev/ttyUSB0, COM3
    /// The serial layer's one line for it, the same as zarvo-ports shows: "COM12 — FTDI USB
    /// Serial Port (0403:6001), nº de série A1B2C3D4, latência 16 ms".
    Text line;
    /// What an assignment records, in the serial layer's own bytes: the name that survives
    /// re-plugging when there is one.
    std::string recordedName;
};

class SerialLayer {
  public:
    /// The serial devices present, in the serial layer's order; false with @p reason set when the
    /// layer cannot be loaded or cannot list. Opens no device.
    static bool list(std::vector<SerialDevice> &devices, Text &reason);

    /// What became of an assignment.
    enum class Assignment {
        saved,       ///< the port opens the device from now on
        overridden,  ///< saved, but the port opens another device while an environment variable
                     ///< names it: the text is the serial layer's note, "API232_PORT1=/dev/..."
        failed,      ///< nothing was saved: the text is the reason
    };

    /// Makes @p device port @p port in the user's ports file; @p text gets the note or reason.
    static Assignment assign(std::int32_t port, const SerialDevice &device, Text &text);

    /// The serial layer's file: "libAPI232.so.1" (already loaded with the link library, else
    /// through the ordinary search), "API232.dll" on Windows. Tests point it at the build's copy;
    /// "" stands for no serial layer at all.
    static void setLibraryFile(const std::string &file);
};

}  // namespace zarvo::window
