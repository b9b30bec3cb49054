// SPDX-License-Identifier: MIT
// The printer simulator as a child process, for end-to-end tests and benchmarks.
//
// Plain C++ (no GoogleTest, no Qt): link the CMake target zarvo_testing, register the test with
// zarvo_add_test(... SIMULATOR) so that ZARVO_SIM_PATH names the simulator and building the test
// builds it, and start it as PrinterSimulator sim(ZARVO_SIM_PATH, {"--fast", ...}). The first
// line it prints is its pseudo-terminal: device() reads it, serve_port(n) points API232_PORT<n>
// at it. A window test wraps this in a QVERIFY of started() and of serve_port().
#ifndef ZARVO_TESTING_PRINTER_SIMULATOR_H
#define ZARVO_TESTING_PRINTER_SIMULATOR_H

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace zarvo::testing {

/// One simulator process, its standard output on a pipe, its standard error the caller's. It is
/// ended (SIGTERM, then SIGKILL) when the object goes.
class PrinterSimulator {
  public:
    PrinterSimulator(const std::string &program, const std::vector<std::string> &options);
    ~PrinterSimulator();
    PrinterSimulator(const PrinterSimulator &) = delete;
    PrinterSimulator &operator=(const PrinterSimulator &) = delete;

    bool started() const { return pid_ > 0; }
    /// Why it could not be started (the system's reason), when !started().
    const std::string &error() const { return error_; }

    /// The first line of standard output, read once (waiting at most 10 s): the device path;
    /// empty when the simulator printed none, e.g. because it could not make a pseudo-terminal.
    const std::string &device();
    /// Points API232_PORT<port> at device(); false when there is no device.
    bool serve_port(int port);
    /// Everything else the simulator writes to standard output until it ends, or 10 s.
    std::string output();

    /// Waits up to @p limit for the simulator to end; its exit status (128 + the signal when a
    /// signal ended it), or nothing.
    std::optional<int> wait_exit(std::chrono::milliseconds limit = std::chrono::seconds(10));
    void signal(int sig) const;
    /// SIGTERM, up to 5 s for it to end, then SIGKILL.
    void stop();

  private:
    ssize_t read_output(char *buf, std::size_t size, std::chrono::steady_clock::time_point until);

    pid_t pid_ = -1;
    int out_ = -1;
    std::string error_;
    std::optional<std::string> device_;
    std::optional<int> status_;
};

}  // namespace zarvo::testing

#endif  // ZARVO_TESTING_PRINTER_SIMULATOR_H
