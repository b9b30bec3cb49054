// SPDX-License-Identifier: MIT
// The serial layer's listing and port assignment, bound by name at run time like the link
// library: the window lists the serial devices present and assigns one to port 1.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "view.h"

// API232.h's record of one device; its texts are UTF-8.
struct sio_device;

namespace zarvo::window {

class SerialLayer {
  public:
    /// The serial devices present, as sio_list gives them; false with @p reason set when the layer
    /// cannot be loaded or cannot list. Opens no device.
    static bool list(std::vector<sio_device> &devices, Text &reason);

    /// Makes @p device port @p port in the user's ports file; false with @p reason set.
    static bool assign(std::int32_t port, const std::string &device, Text &reason);

    /// The serial layer's file: "libAPI232.so.1" (already loaded with the link library, else
    /// through the ordinary search), "API232.dll" on Windows. Tests point it at the build's copy;
    /// "" stands for no serial layer at all.
    static void setLibraryFile(const std::string &file);
};

}  // namespace zarvo::window
