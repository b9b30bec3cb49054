// SPDX-License-Identifier: MIT
// The link library's OS pieces on POSIX: the serial layer always has sio_wait; RX hands back the
// malloc'ed block itself.
#include "platform.h"

namespace zarvo {

SioWait find_sio_wait() noexcept {
    return &sio_wait;
}

void store_rx_reply(char **variable, char *text) noexcept {
    if (text != nullptr) {
        *variable = text;  // the text the variable held stays the caller's
    }
}

}  // namespace zarvo
