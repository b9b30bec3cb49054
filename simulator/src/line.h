// SPDX-License-Identifier: MIT
// The simulator's end of the serial line: a pseudo-terminal it creates, or a real serial port.
#pragma once

#include <asio.hpp>
#include <memory>
#include <string>
#include <variant>

namespace zarvo::sim {

class Line {
  public:
    /// Creates a pseudo-terminal whose other end is raw (no echo, no translation). The other end
    /// stays open here too, so that the line does not hang up each time a client closes it.
    static std::unique_ptr<Line> open_pty(asio::io_context &io, std::string &error);

    /// Opens the serial port @p device at 9600 bit/s, 8 data bits, no parity, 1 stop bit.
    static std::unique_ptr<Line> open_device(asio::io_context &io, const std::string &device,
                                             std::string &error);

    ~Line();
    Line(const Line &) = delete;
    Line &operator=(const Line &) = delete;

    /// The device path a client opens: the pseudo-terminal's other end, or the port.
    const std::string &path() const { return path_; }

    template <typename Buffers, typename Handler>
    void async_read_some(const Buffers &buffers, Handler &&handler) {
        std::visit([&](auto &s) { s.async_read_some(buffers, std::forward<Handler>(handler)); },
                   stream_);
    }

    template <typename Buffers, typename Handler>
    void async_write_some(const Buffers &buffers, Handler &&handler) {
        std::visit([&](auto &s) { s.async_write_some(buffers, std::forward<Handler>(handler)); },
                   stream_);
    }

    /// Bytes sent that the client has not read yet: those waiting at the pseudo-terminal's other
    /// end, or the output not yet on the wire of a serial port.
    std::size_t unread() const;

    /// Closes both ends; a client then finds the device gone.
    void close();

  private:
    using Stream = std::variant<asio::posix::stream_descriptor, asio::serial_port>;
    Line(Stream stream, std::string path, int held_fd)
        : stream_(std::move(stream)), path_(std::move(path)), held_fd_(held_fd) {}

    Stream stream_;
    std::string path_;
    int held_fd_;  ///< The pseudo-terminal's other end, kept open; -1 for a serial port.
};

}  // namespace zarvo::sim
