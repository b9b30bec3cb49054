// SPDX-License-Identifier: MIT
// A pseudo-terminal for the serial layer's tests: the test plays the printer on the master side.
#ifndef API232_TESTS_PTY_H
#define API232_TESTS_PTY_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

class Pty {
  public:
    /// Opens a pseudo-terminal and names its slave side as port @p port (API232_PORT<port>).
    explicit Pty(std::int32_t port);
    ~Pty();
    Pty(const Pty &) = delete;
    Pty &operator=(const Pty &) = delete;

    bool ok() const { return master_ >= 0; }
    const std::string &path() const { return path_; }
    const std::string &error() const { return error_; }
    int slave_fd() const { return slave_; }

    /// Sends @p bytes to the port, as the printer would.
    void send(std::string_view bytes) const;
    /// The bytes the port wrote, up to @p count, waiting at most @p timeout_ms for them.
    std::string receive(std::size_t count, int timeout_ms = 5000) const;
    /// Waits (at most 5 s) until @p count sent bytes wait in the slave's kernel queue; returns
    /// how many wait.
    std::size_t await_queued(std::size_t count) const;
    /// Closes the master side: to the port, the device is gone.
    void hang_up();

  private:
    std::string variable_;
    int master_ = -1;
    int slave_ = -1;  // kept open so that tests can look at the line from the slave side
    std::string path_;
    std::string error_;
};

#define SKIP_WITHOUT_PTY(pty) \
    if (!(pty).ok())          \
    GTEST_SKIP() << "no pseudo-terminal available (" << (pty).error() << ")"

#endif  // API232_TESTS_PTY_H
