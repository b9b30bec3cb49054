// SPDX-License-Identifier: MIT
// What each operating system supplies to the serial layer; one source file per system defines it
// (transport_posix.cpp, transport_win32.cpp). Only OS-neutral types cross this header.
#ifndef API232_TRANSPORT_H
#define API232_TRANSPORT_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace zarvo::serial {

/// An open device, as the operating system's backend holds it.
struct Device;

/// Drops the input not yet received and gives the device back.
struct DeviceCloser {
    void operator()(Device *device) const noexcept;
};
using DeviceHandle = std::unique_ptr<Device, DeviceCloser>;

/// Identity of an opened device: two names of one device give equal identities.
struct DeviceIdentity {
    std::uint64_t device = 0;
    std::uint64_t node = 0;
    bool operator==(const DeviceIdentity &) const = default;
};

/// Opens @p name for this port alone as a raw line (no echo, no translation, no flow control)
/// and hands it to @p device. Asks the driver for low latency where it has such a setting (a USB
/// adapter's latency timer), and gives the driver's setting back at close. @p in_use tells whether
/// this process already holds a device. Returns SIO_OK, or SIO_NO_DEVICE, SIO_NO_PERMISSION,
/// SIO_BUSY, SIO_OPEN_FAIL with @p why set.
std::int32_t open_device(const std::string &name, DeviceHandle &device, DeviceIdentity &identity,
                         const std::function<bool(const DeviceIdentity &)> &in_use,
                         std::string &why);

/// Sets the line to 9600 bit/s, 8 data bits, no parity, 1 stop bit, no flow control.
/// Returns SIO_OK or SIO_IO_ERROR with @p why set.
std::int32_t set_9600_8n1(Device &device, std::string &why);

/// Failures of the functions below are SIO_IO_ERROR, or SIO_GONE when the system reports the
/// device gone for good: it hung up, or its node or handle is gone. "Nothing yet", or a failure
/// that may pass, is never SIO_GONE.

/// Appends the input already waiting to @p into without blocking. Returns the number of bytes
/// appended (0 when nothing waits), or SIO_IO_ERROR or SIO_GONE with @p why set.
std::int32_t read_waiting(Device &device, std::vector<unsigned char> &into, std::string &why);

/// Blocks until input arrives and appends it to @p into (returns the count, above 0), or until
/// @p deadline has passed (0), or the device fails (SIO_IO_ERROR or SIO_GONE with @p why set). It
/// may also return 0 early when the line woke it without data; the caller decides whether to wait
/// again.
std::int32_t read_until(Device &device, std::vector<unsigned char> &into,
                        std::chrono::steady_clock::time_point deadline, std::string &why);

/// Writes all @p len bytes. Fails with SIO_IO_ERROR when the line takes nothing for longer than
/// its queued output can explain, so it never blocks for ever, or with SIO_GONE.
std::int32_t write_all(Device &device, const unsigned char *data, std::size_t len,
                       std::string &why);

}  // namespace zarvo::serial

#endif  // API232_TRANSPORT_H
