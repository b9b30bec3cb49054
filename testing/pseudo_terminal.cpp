// SPDX-License-Identifier: MIT
// The pseudo-terminal of the tests and benchmarks.
#include "pseudo_terminal.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace zarvo::testing {

PseudoTerminal::PseudoTerminal(int port) : variable_("API232_PORT" + std::to_string(port)) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        error_ = std::strerror(errno);
        return;
    }
    path_ = name;
    ::setenv(variable_.c_str(), name, 1);
}

PseudoTerminal::~PseudoTerminal() {
    ::unsetenv(variable_.c_str());
    hang_up();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

bool PseudoTerminal::send(std::string_view bytes) const {
    return ::write(master_, bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

std::string PseudoTerminal::receive(std::size_t count, int timeout_ms) const {
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

std::size_t PseudoTerminal::await_queued(std::size_t count) const {
    int queued = 0;
    // The kernel tells no one when bytes reach the slave's queue, so this looks every millisecond.
    for (int ms = 0;
         ms < 5000 && ::ioctl(slave_, FIONREAD, &queued) == 0 && std::size_t(queued) < count;
         ++ms) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::size_t(queued);
}

void PseudoTerminal::hang_up() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}

}  // namespace zarvo::testing
