// SPDX-License-Identifier: MIT
// The serial layer on POSIX termios: exclusive raw open, non-blocking reads, poll() waits, bounded
// writes, a device that is gone told from one that has nothing yet.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/serial.h>
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "API232.h"
#include "transport.h"

namespace zarvo::serial {

struct Device {
    int fd = -1;
    std::string name;  ///< As opened: a read error counts as "gone" once this no longer names it.
    dev_t rdev = 0;    ///< The character device opened; 0 for anything else.
    bool low_latency_asked = false;  ///< This open set ASYNC_LOW_LATENCY; close clears it.
};

namespace {

using Clock = std::chrono::steady_clock;

/// A write may stall this long beyond the time the line needs to send what is queued before it.
constexpr long long kStallGraceMs = 2000;
/// 8N1 puts 10 bits on the wire per byte; the printer's line runs at 9600 bit/s.
constexpr long long kWireBitsPerByte = 10;
constexpr long long kLineBitsPerSecond = 9600;
constexpr std::size_t kReadChunk = 4096;

std::string reason(const char *what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}

std::int32_t open_failure_code(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return SIO_NO_DEVICE;
        case EACCES:
        case EPERM:
            return SIO_NO_PERMISSION;
        case EBUSY:  // another program holds the line with TIOCEXCL
            return SIO_BUSY;
        default:
            return SIO_OPEN_FAIL;
    }
}

/// Closes a descriptor that failed to become a port, keeping the errno that explains why.
void abandon(int fd) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
}

bool make_raw(int fd) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) {
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    tio.c_cflag &= ~CRTSCTS;
    tio.c_cflag |= CREAD | CLOCAL;
    // With O_NONBLOCK and VMIN 1 an empty line reads as EAGAIN, so a read of 0 means hang-up.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

long long wire_ms(long long bytes) {
    return (bytes * kWireBitsPerByte * 1000 + kLineBitsPerSecond - 1) / kLineBitsPerSecond;
}

/// How long the line may take nothing: the grace plus the time to send what the driver holds.
long long stall_allowance_ms(int fd, std::size_t unsent) {
    int queued = 0;
    const long long backlog = ::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued >= 0
                                  ? queued
                                  : static_cast<long long>(std::min<std::size_t>(unsent, INT_MAX));
    return kStallGraceMs + wire_ms(backlog);
}

int poll_ms_until(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

/// A USB adapter holds the last bytes of a reply until its latency timer runs out (16 ms on an
/// FTDI chip); ASYNC_LOW_LATENCY makes the driver set it to 1 ms. No privilege is needed since
/// Linux 4.12. A driver without the setting (a pseudo-terminal) refuses, and that is fine; a
/// built-in UART takes it and changes nothing. True when this call set the flag.
bool ask_low_latency(int fd) {
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) != 0 || (serial.flags & ASYNC_LOW_LATENCY) != 0) {
        return false;
    }
    serial.flags |= ASYNC_LOW_LATENCY;
    return ::ioctl(fd, TIOCSSERIAL, &serial) == 0;
#else
    (void)fd;
    return false;
#endif
}

/// Gives the driver back the latency it had before ask_low_latency; best effort.
void give_back_latency(int fd) {
#if defined(__linux__) && defined(TIOCGSERIAL) && defined(ASYNC_LOW_LATENCY)
    serial_struct serial{};
    if (::ioctl(fd, TIOCGSERIAL, &serial) == 0 && (serial.flags & ASYNC_LOW_LATENCY) != 0) {
        serial.flags &= ~ASYNC_LOW_LATENCY;
        ::ioctl(fd, TIOCSSERIAL, &serial);
    }
#else
    (void)fd;
#endif
}

/// True when the port's name no longer leads to the device that was opened: the node was
/// removed with its device (an adapter pulled, a pseudo-terminal whose other side is gone), or
/// now names another one.
bool node_vanished(const Device &device) {
    struct stat st {};
    if (::stat(device.name.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENODEV || errno == ENXIO;
    }
    return device.rdev != 0 && (!S_ISCHR(st.st_mode) || st.st_rdev != device.rdev);
}

/// The code of a failed read or write: SIO_GONE when the device failed in the ways a device that
/// is gone fails and its node went with it; SIO_IO_ERROR for anything that may pass.
std::int32_t failure_code(const Device &device, int err) {
    const bool gone_like = err == EIO || err == ENODEV || err == ENXIO;
    return gone_like && node_vanished(device) ? SIO_GONE : SIO_IO_ERROR;
}

}  // namespace

std::int32_t open_device(const std::string &name, DeviceHandle &device, DeviceIdentity &identity,
                         const std::function<bool(const DeviceIdentity &)> &in_use,
                         std::string &why) {
    const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        why = reason("não abre", err);
        return open_failure_code(err);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why = reason("não foi possível examiná-lo", errno);
        abandon(fd);
        return SIO_OPEN_FAIL;
    }
    // Two device nodes of one line share st_rdev; anything else is known by its inode.
    identity =
        S_ISCHR(st.st_mode) ? DeviceIdentity{st.st_rdev, 0} : DeviceIdentity{st.st_dev, st.st_ino};
    if (in_use(identity)) {
        why = "o dispositivo já está aberto com outro número de porta";
        ::close(fd);
        return SIO_BUSY;
    }
    // flock stops other processes, root included, that lock the line the same way.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        why = err == EWOULDBLOCK ? std::string("o dispositivo está em uso por outro programa")
                                 : reason("não foi possível reservá-lo", err);
        abandon(fd);
        return err == EWOULDBLOCK ? SIO_BUSY : SIO_OPEN_FAIL;
    }
    if (!make_raw(fd)) {
        why = reason("não funciona como porta serial", errno);
        abandon(fd);
        return SIO_OPEN_FAIL;
    }
    // Also keeps out programs that do not lock, unless they run as root; best effort.
    ::ioctl(fd, TIOCEXCL);
    const bool low_latency = ask_low_latency(fd);
    try {
        device.reset(new Device{fd, name, S_ISCHR(st.st_mode) ? st.st_rdev : 0, low_latency});
    } catch (...) {
        if (low_latency) {
            give_back_latency(fd);
        }
        ::ioctl(fd, TIOCNXCL);
        ::close(fd);
        throw;
    }
    return SIO_OK;
}

void DeviceCloser::operator()(Device *device) const noexcept {
    // A pseudo-terminal keeps its input while its other side is open: drop it, as a real
    // line does when it is closed, so that the next opener starts clean.
    ::tcflush(device->fd, TCIFLUSH);
    if (device->low_latency_asked) {
        give_back_latency(device->fd);
    }
    ::ioctl(device->fd, TIOCNXCL);
    ::close(device->fd);  // also releases the flock
    delete device;
}

std::int32_t set_9600_8n1(Device &device, std::string &why) {
    termios tio{};
    if (::tcgetattr(device.fd, &tio) != 0) {
        why = reason("não foi possível ler o ajuste da linha", errno);
        return SIO_IO_ERROR;
    }
    tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CREAD | CLOCAL;
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (::cfsetispeed(&tio, B9600) != 0 || ::cfsetospeed(&tio, B9600) != 0 ||
        ::tcsetattr(device.fd, TCSANOW, &tio) != 0) {
        why = std::strerror(errno);
        return SIO_IO_ERROR;
    }
    return SIO_OK;
}

std::int32_t read_waiting(Device &device, std::vector<unsigned char> &into, std::string &why) {
    std::array<unsigned char, kReadChunk> chunk;
    ssize_t n = 0;
    do {
        n = ::read(device.fd, chunk.data(), chunk.size());
    } while (n < 0 && errno == EINTR);
    if (n > 0) {
        into.insert(into.end(), chunk.begin(), chunk.begin() + n);
        return static_cast<std::int32_t>(n);
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
        return 0;
    }
    if (n == 0) {
        // With O_NONBLOCK and VMIN 1 an empty line reads as EAGAIN: 0 is the hang-up of the
        // device (an adapter pulled, the other side of a pseudo-terminal closed), and a descriptor
        // once hung up never reads again.
        why = "o dispositivo desligou (foi desconectado, ou o outro lado fechou)";
        return SIO_GONE;
    }
    const int err = errno;
    const std::int32_t code = failure_code(device, err);
    why = reason(
        code == SIO_GONE ? "a leitura falhou, e o nó do dispositivo sumiu" : "a leitura falhou",
        err);
    return code;
}

namespace {

/// Blocks until input may be waiting (1), the device reports a hang-up or an error (2),
/// @p deadline has passed (0), or the wait itself fails.
std::int32_t wait_readable(int fd, Clock::time_point deadline, std::string &why) {
    pollfd watch{fd, POLLIN, 0};
    for (;;) {
        const int ready = ::poll(&watch, 1, poll_ms_until(deadline));
        if (ready == 0) {
            return 0;
        }
        if (ready < 0) {
            if (errno == EINTR) {
                continue;
            }
            why = reason("a espera falhou", errno);
            return SIO_IO_ERROR;
        }
        // Input that came before a hang-up is still delivered: the reader meets the error next.
        if (watch.revents & POLLIN) {
            return 1;
        }
        if (watch.revents & POLLNVAL) {
            why = "o identificador da porta não vale mais";
            return SIO_IO_ERROR;
        }
        return 2;
    }
}

}  // namespace

std::int32_t read_until(Device &device, std::vector<unsigned char> &into,
                        Clock::time_point deadline, std::string &why) {
    const std::int32_t ready = wait_readable(device.fd, deadline, why);
    if (ready <= 0) {
        return ready;
    }
    // POLLHUP alone does not tell: a pseudo-terminal's master reports it while its other side is
    // closed, and comes back when it is opened again. The read tells: 0 on a hung-up line, an
    // error with the node gone on a vanished device.
    const std::int32_t got = read_waiting(device, into, why);
    if (got == 0 && ready == 2) {
        why = "o dispositivo acusa desligamento ou erro, e não há nada para ler";
        return SIO_IO_ERROR;
    }
    return got;
}

std::int32_t write_all(Device &device, const unsigned char *data, std::size_t len,
                       std::string &why) {
    const int fd = device.fd;
    std::size_t done = 0;
    std::optional<Clock::time_point> give_up;  // set while the line takes nothing
    while (done < len) {
        const ssize_t n = ::write(fd, data + done, len - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            give_up.reset();
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int err = errno;
            why = reason("a escrita falhou", err);
            return failure_code(device, err);
        }
        if (!give_up) {
            give_up = Clock::now() + std::chrono::milliseconds(stall_allowance_ms(fd, len - done));
        }
        pollfd watch{fd, POLLOUT, 0};
        const int ready = ::poll(&watch, 1, poll_ms_until(*give_up));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            why = reason("a espera falhou", errno);
            return SIO_IO_ERROR;
        }
        if (ready == 0) {
            why = "a linha não aceitou nada a tempo; " + std::to_string(done) + " de " +
                  std::to_string(len) + " bytes foram escritos";
            return SIO_IO_ERROR;
        }
        if (!(watch.revents & POLLOUT)) {
            why = "o dispositivo desligou ou falhou durante a escrita";
            return SIO_IO_ERROR;
        }
    }
    return SIO_OK;
}

}  // namespace zarvo::serial
