// SPDX-License-Identifier: MIT
// The simulator's end of the serial line: a pseudo-terminal it creates, or a real serial port.
#include "line.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace zarvo::sim {

namespace {
std::string reason(const char *what, int err) {
    return std::string(what) + ": " + std::strerror(err);
}
}  // namespace

std::unique_ptr<Line> Line::open_pty(asio::io_context &io, std::string &error) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0) {
        error = reason("cannot create a pseudo-terminal (posix_openpt)", errno);
        return nullptr;
    }
    char name[256];
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
        ::ptsname_r(master, name, sizeof name) != 0) {
        error = reason("cannot prepare the pseudo-terminal", errno);
        ::close(master);
        return nullptr;
    }
    const int slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        error = reason((std::string("cannot open the pseudo-terminal ") + name).c_str(), errno);
        ::close(master);
        return nullptr;
    }
    // Raw from the start, so that a client's frames are never echoed back or translated, even
    // before it sets the line up itself.
    termios settings{};
    if (::tcgetattr(slave, &settings) == 0) {
        ::cfmakeraw(&settings);
        ::cfsetispeed(&settings, B9600);
        ::cfsetospeed(&settings, B9600);
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    asio::posix::stream_descriptor stream(io);
    asio::error_code ec;
    stream.assign(master, ec);
    if (ec) {
        error = "cannot use the pseudo-terminal " + std::string(name) + ": " + ec.message();
        ::close(master);
        ::close(slave);
        return nullptr;
    }
    return std::unique_ptr<Line>(new Line(Stream{std::move(stream)}, name, slave));
}

std::unique_ptr<Line> Line::open_device(asio::io_context &io, const std::string &device,
                                        std::string &error) {
    asio::serial_port port(io);
    asio::error_code ec;
    port.open(device, ec);
    if (ec) {
        error = "cannot open the serial port " + device + ": " + ec.message();
        return nullptr;
    }
    using asio::serial_port_base;
    port.set_option(serial_port_base::baud_rate(9600), ec);
    if (!ec)
        port.set_option(serial_port_base::character_size(8), ec);
    if (!ec)
        port.set_option(serial_port_base::parity(serial_port_base::parity::none), ec);
    if (!ec)
        port.set_option(serial_port_base::stop_bits(serial_port_base::stop_bits::one), ec);
    if (!ec)
        port.set_option(serial_port_base::flow_control(serial_port_base::flow_control::none), ec);
    if (ec) {
        error = "cannot set the serial port " + device + " to 9600 8N1: " + ec.message();
        return nullptr;
    }
    return std::unique_ptr<Line>(new Line(Stream{std::move(port)}, device, -1));
}

std::size_t Line::unread() const {
    int count = 0;
    if (held_fd_ >= 0) {
        // Closing the master drops what its other end holds, so a reply must be read first.
        if (::ioctl(held_fd_, FIONREAD, &count) != 0) {
            return 0;
        }
    } else if (const auto *port = std::get_if<asio::serial_port>(&stream_)) {
        if (!port->is_open() || ::ioctl(const_cast<asio::serial_port *>(port)->native_handle(),
                                        TIOCOUTQ, &count) != 0) {
            return 0;
        }
    }
    return count > 0 ? static_cast<std::size_t>(count) : 0;
}

void Line::close() {
    std::visit(
        [](auto &s) {
            asio::error_code ignored;
            s.close(ignored);
        },
        stream_);
    if (held_fd_ >= 0) {
        ::close(held_fd_);
        held_fd_ = -1;
    }
}

Line::~Line() {
    close();
}

}  // namespace zarvo::sim
