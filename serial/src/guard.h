// SPDX-License-Identifier: MIT
// How every sio_ call runs its body: no exception crosses the C ABI, and a port number outside the
// range fails before anything else.
#ifndef API232_GUARD_H
#define API232_GUARD_H

#include <cstdint>
#include <exception>
#include <string>

#include "API232.h"
#include "last_error.h"
#include "port_numbers.h"

namespace zarvo::serial {

/// Runs @p body and gives its result; an exception becomes @p on_exception, reported.
template <typename Body>
std::int32_t guarded(std::int32_t on_exception, Body &&body) noexcept {
    try {
        return body();
    } catch (const std::exception &e) {
        report_unexpected(e.what());
    } catch (...) {
        report_unexpected(nullptr);
    }
    return on_exception;
}

/// guarded, for a call on port @p port: a number outside the range is SIO_BADPORT, reported.
template <typename Body>
std::int32_t guarded_port(std::int32_t port, std::int32_t on_exception, Body &&body) noexcept {
    return guarded(on_exception, [&]() -> std::int32_t {
        if (!is_port(port)) {
            return failed(SIO_BADPORT, outside_ports(std::to_string(port)));
        }
        return body();
    });
}

}  // namespace zarvo::serial

#endif  // API232_GUARD_H
