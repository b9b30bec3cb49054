// SPDX-License-Identifier: MIT
// The printer simulator as a child process.
#include "printer_simulator.h"

#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char **environ;

namespace zarvo::testing {

using namespace std::chrono_literals;

PrinterSimulator::PrinterSimulator(const std::string &program,
                                   const std::vector<std::string> &options) {
    std::vector<std::string> args{program};
    args.insert(args.end(), options.begin(), options.end());
    std::vector<char *> argv;
    for (auto &a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    int fds[2];
    if (::pipe(fds) != 0) {
        error_ = std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    if (const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ)) {
        error_ = program + ": " + std::strerror(failed);
        pid_ = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    out_ = fds[0];
}

PrinterSimulator::~PrinterSimulator() {
    stop();
    if (out_ >= 0) {
        ::close(out_);
    }
}

const std::string &PrinterSimulator::device() {
    if (!device_) {
        std::string line;
        const auto until = std::chrono::steady_clock::now() + 10s;
        char c = 0;
        while (read_output(&c, 1, until) == 1 && c != '\n') {
            line += c;
        }
        device_ = line;
    }
    return *device_;
}

bool PrinterSimulator::serve_port(int port) {
    if (device().empty()) {
        return false;
    }
    return ::setenv(("API232_PORT" + std::to_string(port)).c_str(), device().c_str(), 1) == 0;
}

std::string PrinterSimulator::output() {
    std::string text;
    char buf[4096];
    const auto until = std::chrono::steady_clock::now() + 10s;
    for (ssize_t n; (n = read_output(buf, sizeof buf, until)) > 0;) {
        text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
}

std::optional<int> PrinterSimulator::wait_exit(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    // waitpid has no timeout, and a child's end wakes no descriptor that poll could watch.
    while (pid_ > 0 && !status_ && std::chrono::steady_clock::now() < until) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    return status_;
}

void PrinterSimulator::signal(int sig) const {
    if (pid_ > 0 && !status_) {
        ::kill(pid_, sig);
    }
}

void PrinterSimulator::stop() {
    if (pid_ <= 0 || status_) {
        return;
    }
    signal(SIGTERM);
    if (!wait_exit(5s)) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        status_ = 128 + SIGKILL;
    }
}

ssize_t PrinterSimulator::read_output(char *buf, std::size_t size,
                                      std::chrono::steady_clock::time_point until) {
    while (out_ >= 0 && std::chrono::steady_clock::now() < until) {
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0) {
            return ::read(out_, buf, size);
        }
    }
    return 0;
}

}  // namespace zarvo::testing
