// SPDX-License-Identifier: MIT
// A pseudo-terminal standing in for the printer's serial line: the test plays the printer on the
// master side, the code under test opens the slave side as serial port n.
//
// Plain C++ (no GoogleTest, no Qt), so GoogleTest tests, Qt Test tests and benchmarks share it.
// Link the CMake target zarvo_testing and include "pseudo_terminal.h". Whether a pseudo-terminal
// can be made here at all: ok() of one made for the question.
#ifndef ZARVO_TESTING_PSEUDO_TERMINAL_H
#define ZARVO_TESTING_PSEUDO_TERMINAL_H

#include <cstddef>
#include <string>
#include <string_view>

namespace zarvo::testing {

/// Names its slave side as port n (the environment variable API232_PORT<n>) for its lifetime. The
/// slave starts as a fresh terminal does (echo, CR/LF translation, XON/XOFF): the port must make
/// the line raw by itself.
class PseudoTerminal {
  public:
    explicit PseudoTerminal(int port);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool ok() const { return !path_.empty(); }
    const std::string &path() const { return path_; }
    /// Why no pseudo-terminal could be made (the system's reason), when !ok().
    const std::string &error() const { return error_; }
    /// The printer's side, for tests that pace or flood the line themselves.
    int master_fd() const { return master_; }
    /// Kept open by the test too, to look at the line's settings and input queue.
    int slave_fd() const { return slave_; }

    /// Sends @p bytes to the port whole (a pseudo-terminal takes a few kilobytes at once);
    /// false when the write failed or was short.
    bool send(std::string_view bytes) const;
    /// Up to @p count bytes that the port wrote, waiting at most @p timeout_ms for each chunk.
    std::string receive(std::size_t count, int timeout_ms = 5000) const;
    /// Waits (at most 5 s) until @p count bytes sent wait in the slave's kernel queue; how many do.
    std::size_t await_queued(std::size_t count) const;
    /// Closes the master side: to the port, the device is gone.
    void hang_up();

  private:
    std::string variable_, path_, error_;
    int master_ = -1, slave_ = -1;
};

}  // namespace zarvo::testing

/// In a GoogleTest test: skips it, with the system's reason, where no pseudo-terminal can be made.
#define SKIP_WITHOUT_PTY(pty) \
    if (!(pty).ok())          \
    GTEST_SKIP() << "no pseudo-terminal available (" << (pty).error() << ")"

#endif  // ZARVO_TESTING_PSEUDO_TERMINAL_H
