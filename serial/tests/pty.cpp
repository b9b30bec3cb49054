// SPDX-License-Identifier: MIT
// Pseudo-terminals for the serial layer's tests.
#include "pty.h"

#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

Pty::Pty(std::int32_t port) : variable_("API232_PORT" + std::to_string(port)) {
    char name[256] = {};
    if (::openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
        error_ = std::strerror(errno);
        master_ = slave_ = -1;
        return;
    }
    path_ = name;
    // The slave starts as a fresh terminal does (echo, CR/LF translation, XON/XOFF), and the
    // master's settings are the slave's on Linux: the port must make the line raw by itself.
    ::setenv(variable_.c_str(), path_.c_str(), 1);
}

Pty::~Pty() {
    ::unsetenv(variable_.c_str());
    hang_up();
    if (slave_ >= 0) {
        ::close(slave_);
    }
}

void Pty::send(std::string_view bytes) const {
    while (!bytes.empty()) {
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ASSERT_GT(n, 0) << "writing to the master side failed: " << std::strerror(errno);
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

std::string Pty::receive(std::size_t count, int timeout_ms) const {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd watch{master_, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(std::max<long long>(left.count(), 0))) <= 0) {
            break;
        }
        char chunk[4096];
        const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - got.size()));
        if (n <= 0) {
            break;
        }
        got.append(chunk, static_cast<std::size_t>(n));
    }
    return got;
}

std::size_t Pty::await_queued(std::size_t count) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    int queued = 0;
    while (::ioctl(slave_, FIONREAD, &queued) == 0 && static_cast<std::size_t>(queued) < count &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return static_cast<std::size_t>(queued);
}

void Pty::hang_up() {
    if (master_ >= 0) {
        ::close(master_);
        master_ = -1;
    }
}
