// SPDX-License-Identifier: MIT
// A pseudo-terminal for the serial layer's and the link library's tests: the test plays the printer
// on the master side.
#ifndef API232_TESTS_PTY_H
#define API232_TESTS_PTY_H

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <thread>

#include <gtest/gtest.h>

/// Names its slave side as port n (API232_PORT<n>). The slave starts as a fresh terminal does
/// (echo, CR/LF translation, XON/XOFF): the port must make the line raw by itself.
class Pty {
  public:
    explicit Pty(int port) : variable_("API232_PORT" + std::to_string(port)) {
        char name[256] = {};
        if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
            error_ = std::strerror(errno);
            return;
        }
        path_ = name;
        ::setenv(variable_.c_str(), name, 1);
    }
    ~Pty() {
        ::unsetenv(variable_.c_str());
        hang_up();
        ::close(slave_);
    }
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string &path() const { return path_; }
    const std::string &error() const { return error_; }
    /// The printer's side, for tests that pace or flood the line themselves.
    int master_fd() const { return master_; }
    /// The test keeps the slave side open too, to look at the line's settings and input queue.
    int slave_fd() const { return slave_; }

    /// Sends @p bytes to the port (a pseudo-terminal takes a few kilobytes whole).
    void send(std::string_view bytes) const {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    /// Up to @p count bytes that the port wrote, waiting at most @p timeout_ms for them.
    std::string receive(std::size_t count, int timeout_ms = 5000) const {
        std::string got;
        char chunk[4096];
        pollfd watch{master_, POLLIN, 0};
        while (got.size() < count && ::poll(&watch, 1, timeout_ms) > 0) {
            const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - got.size()));
            if (n <= 0) {
                break;
            }
            got.append(chunk, std::size_t(n));
        }
        return got;
    }
    /// Waits (at most 5 s) until @p count bytes sent wait in the slave's kernel queue.
    std::size_t await_queued(std::size_t count) const {
        int queued = 0;
        for (int ms = 0;
             ms < 5000 && ::ioctl(slave_, FIONREAD, &queued) == 0 && std::size_t(queued) < count;
             ++ms) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return std::size_t(queued);
    }
    /// Closes the master side: to the port, the device is gone.
    void hang_up() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    std::string variable_, path_, error_;
    int master_ = -1, slave_ = -1;
};

#define SKIP_WITHOUT_PTY(pty) \
    if (!(pty).ok())          \
    GTEST_SKIP() << "no pseudo-terminal available (" << (pty).error() << ")"

#endif  // API232_TESTS_PTY_H
