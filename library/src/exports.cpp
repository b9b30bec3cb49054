// SPDX-License-Identifier: MIT
// The four exported functions: argument checks and the wall that no C++ exception crosses.
#include "API232.h"
#include "Zarvo.h"
#include "platform.h"
#include "timing.h"
#include "txrx.h"

// Abre passes the serial layer's result through, so the values Zarvo.h documents are its own.
constexpr bool same(int link, int serial) {
    return link == serial;
}
static_assert(same(ZARVO_PORT_NO_DEVICE, SIO_NO_DEVICE) &&
              same(ZARVO_PORT_NO_PERMISSION, SIO_NO_PERMISSION) &&
              same(ZARVO_PORT_BUSY, SIO_BUSY) && same(ZARVO_PORT_OPEN_FAIL, SIO_OPEN_FAIL));

extern "C" {

ZARVO_API int32_t ZARVO_CALL Abre(int32_t port) {
    int32_t opened;
    try {
        opened = sio_open(port);
    } catch (...) {
        return SIO_OPEN_FAIL;
    }
    if (opened >= 0) {
        try {
            // The line is 9600 bit/s, 8N1 on every printer; a failure here is not reported.
            sio_ioctl(port, SIO_B9600, SIO_8N1);
        } catch (...) {
        }
    }
    return opened;
}

ZARVO_API int32_t ZARVO_CALL Fecha(int32_t port) {
    try {
        return sio_close(port);
    } catch (...) {
        return SIO_IO_ERROR;
    }
}

ZARVO_API int32_t ZARVO_CALL TXRX(int32_t port, int32_t timeout_s, const char *command) {
    return zarvo::txrx(port, timeout_s, command, zarvo::system_timing());
}

ZARVO_API void ZARVO_CALL RX(char **reply, int32_t port, int32_t timeout_s) {
    if (reply == nullptr) {
        return;
    }
    zarvo::store_rx_reply(reply,
                          zarvo::receive_counted_reply(port, timeout_s, zarvo::system_timing()));
}

}  // extern "C"
