// SPDX-License-Identifier: MIT
// The exported functions: argument checks and the wall that no C++ exception crosses.
#include "API232.h"
#include "Zarvo.h"
#include "platform.h"
#include "timing.h"
#include "trace.h"
#include "txrx.h"

// Abre passes the serial layer's result through, so the values Zarvo.h documents are its own.
constexpr bool same(int link, int serial) {
    return link == serial;
}
static_assert(same(ZARVO_PORT_NO_DEVICE, SIO_NO_DEVICE) &&
              same(ZARVO_PORT_NO_PERMISSION, SIO_NO_PERMISSION) &&
              same(ZARVO_PORT_BUSY, SIO_BUSY) && same(ZARVO_PORT_OPEN_FAIL, SIO_OPEN_FAIL) &&
              same(ZARVO_PORT_BAD_PORTS_FILE, SIO_BAD_PORTS_FILE) &&
              same(ZARVO_PORT_ASSIGNED_GONE, SIO_ASSIGNED_GONE));

namespace {

int32_t open_port(int32_t port) noexcept {
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

int32_t close_port(int32_t port) noexcept {
    try {
        return sio_close(port);
    } catch (...) {
        return SIO_IO_ERROR;
    }
}

}  // namespace

// Every exported call is watched by a trace set up here, which is off unless ZARVO_TRACE is set.
extern "C" {

ZARVO_API int32_t ZARVO_CALL Abre(int32_t port) {
    const int32_t result = open_port(port);
    zarvo::Trace(port, zarvo::system_timing()).port_call("Abre", result);
    return result;
}

ZARVO_API int32_t ZARVO_CALL Fecha(int32_t port) {
    const int32_t result = close_port(port);
    zarvo::Trace(port, zarvo::system_timing()).port_call("Fecha", result);
    return result;
}

ZARVO_API int32_t ZARVO_CALL TXRX(int32_t port, int32_t timeout_s, const char *command) {
    zarvo::Trace trace(port, zarvo::system_timing());
    return zarvo::txrx(port, timeout_s, command, zarvo::system_timing(), trace);
}

ZARVO_API void ZARVO_CALL RX(char **reply, int32_t port, int32_t timeout_s) {
    if (reply == nullptr) {
        return;
    }
    zarvo::Trace trace(port, zarvo::system_timing());
    zarvo::store_rx_reply(
        reply, zarvo::receive_counted_reply(port, timeout_s, zarvo::system_timing(), trace));
}

ZARVO_API int32_t ZARVO_CALL ZarvoReplyFileFailure(int32_t *system_error) {
    int32_t error = 0;
    const int32_t cause = zarvo::reply_file_failure(error);
    if (system_error != nullptr) {
        *system_error = error;
    }
    return cause;
}

}  // extern "C"
