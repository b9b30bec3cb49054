// SPDX-License-Identifier: MIT
// After a printer test that found no printer on port 1 or 2: the serial devices the window sees,
// by their names, and the offer to make one of them port 1.
#pragma once

#include "serial_layer.h"
#include "view.h"

namespace zarvo::window {

/// What the window tells after "Testar Impressora" found no printer. Nothing is opened or sent:
/// the devices are only listed, and the one the operator chooses is only assigned to port 1 in
/// the ports file, where the next printer test looks.
class PortOffer {
  public:
    explicit PortOffer(View &view) : view_(view) {}

    /// No device at all: a notice says so. Devices other than ports 1 and 2: the offer. Devices
    /// that are ports 1 and 2 already, or a serial layer that cannot list: nothing more.
    void afterPrinterNotFound();

    /// The line that names @p device in the offer: the serial layer's own, and the port number
    /// that opens it now.
    static Text describe(const SerialDevice &device);

  private:
    View &view_;
};

}  // namespace zarvo::window
