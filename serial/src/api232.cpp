// SPDX-License-Identifier: MIT
// The serial layer's C ABI: argument checks, the process-wide table of open ports, error codes.
#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "API232.h"
#include "guard.h"
#include "last_error.h"
#include "port.h"
#include "port_names.h"
#include "port_numbers.h"
#include "transport.h"

namespace {

using zarvo::serial::Device;
using zarvo::serial::kLastPort;
using zarvo::serial::Port;

/// Distinct failures remembered per port so as to be told once; more are told each time.
constexpr std::size_t kToldKept = 16;

/// Open ports by number; an empty slot is a closed port.
struct PortTable {
    std::mutex mutex;
    std::array<std::shared_ptr<Port>, kLastPort + 1> ports;
};

PortTable &table() {
    static PortTable instance;
    return instance;
}

std::shared_ptr<Port> find_port(std::int32_t port) {
    PortTable &t = table();
    const std::lock_guard lock(t.mutex);
    return t.ports[port];
}

/// Each failure of a port is kept for sio_error_text, and told on stderr when API232_DEBUG is
/// set, naming the port, its device and the system's reason.
void report_port_failure(std::int32_t port, const std::string &device,
                         const std::string &why) noexcept {
    try {
        zarvo::serial::report_failure("porta " + std::to_string(port) + " (" +
                                      (device.empty() ? "?" : device) + "): " + why);
    } catch (...) {
    }
}

/// Runs @p body on an open port, one call at a time per port.
template <typename Body>
std::int32_t with_open_port(std::int32_t port, Body &&body) {
    const std::shared_ptr<Port> p = find_port(port);
    if (!p) {
        return SIO_NOT_OPEN;
    }
    const std::lock_guard lock(p->busy);
    if (!p->device) {  // closed by another thread meanwhile
        return SIO_NOT_OPEN;
    }
    return body(*p);
}

/// A failure of an open port: told once until the port works again (see Port::told); a device
/// that is gone stays gone.
std::int32_t fail(std::int32_t code, std::int32_t port, Port &p, const std::string &why) {
    if (code == SIO_GONE) {
        p.gone = true;
    }
    if (std::find(p.told.begin(), p.told.end(), why) == p.told.end()) {
        report_port_failure(port, p.name, why);
        if (p.told.size() < kToldKept) {
            p.told.push_back(why);
        }
    }
    return code;
}

/// The port worked (a byte read, a frame written): its next failure is told again.
void worked(Port &p) noexcept {
    p.told.clear();
}

/// Runs @p call (a transport function given the device and a reason to fill) on an open port's
/// device and returns its result; a failure is told (see fail). Once the device is gone, every
/// call fails at once without touching it.
template <typename Call>
std::int32_t on_device(std::int32_t port, Port &p, Call &&call) {
    if (p.gone) {
        return fail(SIO_GONE, port, p,
                    "o dispositivo não está mais lá: feche a porta e abra-a de novo");
    }
    std::string why;
    const std::int32_t result = call(*p.device, why);
    return result < 0 ? fail(result, port, p, why) : result;
}

std::int32_t clamp_count(std::size_t count) {
    return static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX));
}

}  // namespace

extern "C" {

int32_t API232_CALL sio_open(int32_t port) {
    return zarvo::serial::guarded_port(port, SIO_OPEN_FAIL, [&]() -> std::int32_t {
        PortTable &t = table();
        const std::lock_guard lock(t.mutex);
        if (t.ports[port]) {
            return SIO_ALREADY_OPEN;
        }
        const zarvo::serial::PortDevice named = zarvo::serial::port_device(port);
        if (named.result != SIO_OK) {
            report_port_failure(port, "", named.why);
            return named.result;
        }
        auto p = std::make_shared<Port>(named.name);
        const auto in_use = [&t](const zarvo::serial::DeviceIdentity &identity) {
            return std::any_of(t.ports.begin(), t.ports.end(), [&](const auto &open) {
                return open && open->identity == identity;
            });
        };
        std::string why;
        std::int32_t result =
            zarvo::serial::open_device(p->name, p->device, p->identity, in_use, why);
        if (result == SIO_NO_DEVICE && named.from == zarvo::serial::PortDevice::From::ports_file) {
            // The adapter assigned to this port is unplugged; its default device is not tried.
            result = SIO_ASSIGNED_GONE;
            why += " (" + named.why + "; ligue o dispositivo ou escolha outro)";
        }
        if (result != SIO_OK) {
            return fail(result, port, *p, why);
        }
        t.ports[port] = std::move(p);
        return SIO_OK;
    });
}

int32_t API232_CALL sio_ioctl(int32_t port, int32_t speed, int32_t format) {
    return zarvo::serial::guarded_port(port, SIO_IO_ERROR, [&]() -> std::int32_t {
        if (speed != SIO_B9600 || format != SIO_8N1) {
            return SIO_BAD_PARAM;
        }
        return with_open_port(port, [&](Port &p) -> std::int32_t {
            return on_device(port, p, [](Device &device, std::string &why) {
                const std::int32_t result = zarvo::serial::set_9600_8n1(device, why);
                if (result < 0) {
                    why = "não foi possível ajustar 9600 8N1: " + why;
                }
                return result;
            });
        });
    });
}

int32_t API232_CALL sio_write(int32_t port, const char *buf, int32_t len) {
    return zarvo::serial::guarded_port(port, SIO_IO_ERROR, [&]() -> std::int32_t {
        if (buf == nullptr || len < 0) {
            return SIO_BAD_PARAM;
        }
        return with_open_port(port, [&](Port &p) -> std::int32_t {
            const std::int32_t result = on_device(port, p, [&](Device &device, std::string &why) {
                return zarvo::serial::write_all(device,
                                                reinterpret_cast<const unsigned char *>(buf),
                                                static_cast<std::size_t>(len), why);
            });
            if (result < 0) {
                return result;
            }
            worked(p);
            return len;
        });
    });
}

int32_t API232_CALL sio_getch(int32_t port) {
    return zarvo::serial::guarded_port(port, SIO_IO_ERROR, [&]() -> std::int32_t {
        return with_open_port(port, [&](Port &p) -> std::int32_t {
            // Bytes received before the device went are still handed out, then SIO_GONE.
            if (p.waiting() == 0) {
                const std::int32_t got = on_device(port, p, [&](Device &device, std::string &why) {
                    return zarvo::serial::read_waiting(device, p.input, why);
                });
                if (got <= 0) {
                    return got;
                }
                worked(p);
            }
            return p.take();
        });
    });
}

int32_t API232_CALL sio_close(int32_t port) {
    return zarvo::serial::guarded_port(port, SIO_NOT_OPEN, [&]() -> std::int32_t {
        const std::shared_ptr<Port> p = find_port(port);
        if (!p) {
            return SIO_NOT_OPEN;
        }
        const std::lock_guard busy(p->busy);
        {
            PortTable &t = table();
            const std::lock_guard lock(t.mutex);
            if (t.ports[port] != p) {  // closed by another thread meanwhile
                return SIO_NOT_OPEN;
            }
            t.ports[port].reset();
        }
        p->device.reset();
        return SIO_OK;
    });
}

int32_t API232_CALL sio_wait(int32_t port, int32_t ms) {
    return zarvo::serial::guarded_port(port, SIO_IO_ERROR, [&]() -> std::int32_t {
        return with_open_port(port, [&](Port &p) -> std::int32_t {
            using Clock = std::chrono::steady_clock;
            const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
            for (;;) {
                if (p.waiting() > 0) {
                    return clamp_count(p.waiting());
                }
                const std::int32_t got = on_device(port, p, [&](Device &device, std::string &why) {
                    return zarvo::serial::read_until(device, p.input, deadline, why);
                });
                if (got < 0) {
                    return got;
                }
                if (got > 0) {
                    worked(p);
                }
                if (got == 0) {
                    if (Clock::now() >= deadline) {
                        return 0;
                    }
                    // The line woke the wait but gave nothing: pause rather than spin.
                    std::this_thread::sleep_for(std::min<Clock::duration>(
                        std::chrono::milliseconds(10), deadline - Clock::now()));
                }
            }
        });
    });
}

}  // extern "C"
