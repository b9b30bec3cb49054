// SPDX-License-Identifier: MIT
// What each operating system supplies to the serial layer; one source file per system defines it.
#ifndef API232_TRANSPORT_H
#define API232_TRANSPORT_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <asio/serial_port.hpp>

namespace api232 {

/// Identity of an opened device: two names of one device give equal identities.
struct DeviceIdentity {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    bool operator==(const DeviceIdentity &) const = default;
};

/// The device of port @p port when the environment names none.
std::string default_device_name(std::int32_t port);

/// Opens @p device for this port alone as a raw line (no echo, no translation, no flow control)
/// and hands it to @p line. @p in_use tells whether this process already holds a device.
/// Returns SIO_OK, or SIO_NO_DEVICE, SIO_NO_PERMISSION, SIO_BUSY, SIO_OPEN_FAIL with @p why set.
std::int32_t open_device(const std::string &device, asio::serial_port &line,
                         DeviceIdentity &identity,
                         const std::function<bool(const DeviceIdentity &)> &in_use,
                         std::string &why);

/// Drops the input not yet received and gives the device back; @p line is closed afterwards.
void close_device(asio::serial_port &line);

/// Appends the input already waiting to @p into without blocking. Returns the number of bytes
/// appended (0 when nothing waits), or SIO_IO_ERROR with @p why set.
std::int32_t read_waiting(asio::serial_port &line, std::vector<unsigned char> &into,
                          std::string &why);

/// Blocks until input may be waiting (above 0), @p deadline has passed (0), or the device fails
/// (SIO_IO_ERROR with @p why set).
std::int32_t wait_readable(asio::serial_port &line, std::chrono::steady_clock::time_point deadline,
                           std::string &why);

/// Writes all @p len bytes. Fails with SIO_IO_ERROR when the line takes nothing for longer than
/// its queued output can explain, so it never blocks for ever.
std::int32_t write_all(asio::serial_port &line, const unsigned char *data, std::size_t len,
                       std::string &why);

}  // namespace api232

#endif  // API232_TRANSPORT_H
