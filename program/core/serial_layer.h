// SPDX-License-Identifier: MIT
// The serial layer's listing and port assignment, bound by name at run time like the link
// library: the window lists the serial devices present and assigns one to port 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view.h"

namespace zarvo::window {

/// A serial device present, as the serial layer lists it (API232.h's sio_device).
struct SerialDevice {
    enum class Kind { other, usb, uart };
    Kind kind = Kind::other;
    std::int32_t port = 0;  ///< the port number it is now; 0 none; -1 unknown (damaged file)
    std::int32_t vendorId = -1;
    std::int32_t productId = -1;
    std::string device;      ///< UTF-8, as the serial layer takes it back
    std::string stableName;  ///< UTF-8, "" when none
    Text description;
    Text serialNumber;
};

class SerialLayer {
  public:
    /// The serial devices present; false with @p reason set when the layer cannot be loaded or
    /// cannot list. Opens no device.
    static bool list(std::vector<SerialDevice> &devices, Text &reason);

    /// Makes @p device port @p port in the user's ports file; false with @p reason set.
    static bool assign(std::int32_t port, const std::string &device, Text &reason);

    /// The serial layer's file: "libAPI232.so.1" (already loaded with the link library, else
    /// through the ordinary search), "API232.dll" on Windows. Tests point it at the build's copy;
    /// "" stands for no serial layer at all.
    static void setLibraryFile(const std::string &file);
};

}  // namespace zarvo::window
