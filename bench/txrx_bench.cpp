// SPDX-License-Identifier: MIT
// Benchmark of the link library over a pseudo-terminal paced like a 9600 bit/s printer line.
//
// (a) The median time one TXRX of ".28" takes beyond the wire time of its frame and reply, beside
//     a plain pyserial script making the same exchange over the same line in the same run (write
//     the frame, read_until "}"), in alternating rounds so that both meet the same machine load.
//     Target: at most the script's plus 0.1 ms.
// (b) The CPU time per wall second of a 5-second wait for a reply that never comes (target < 1 %).
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// 10 bits a byte on the line (start, 8 data, stop) at 9600 bit/s.
constexpr std::chrono::nanoseconds kByteTime{1'041'667};
constexpr std::int32_t kPort = 9;
constexpr int kRounds = 5;
constexpr int kExchangesPerRound = 30;
constexpr std::int32_t kSilentWait = 5;
constexpr double kLeewayMs = 0.1;
const std::string kCommand = ".28";
// A status reply of typical length.
const std::string kReply = ".+0028" + std::string(40, '0') + "}";
const Seconds kWire = (kCommand.size() + 4 + kReply.size()) * kByteTime;

[[noreturn]] void fail(const std::string &why) {
    std::fprintf(stderr, "zarvo-bench-txrx: %s\n", why.c_str());
    std::exit(2);
}

double cpu_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Plays the printer on the master side of the pty: takes each frame up to its "}", waits as long
// as the frame would take on the wire, then sends the reply one byte per byte time, on absolute
// deadlines so that the pacing does not drift. While `silent` is set it answers nothing.
class PacedPrinter {
  public:
    explicit PacedPrinter(int master) : master_(master), thread_([this] { run(); }) {}
    ~PacedPrinter() {
        stop_ = true;
        thread_.join();
    }
    std::atomic<bool> silent{false};

  private:
    void run() {
        std::size_t frame_bytes = 0;
        Clock::time_point frame_start;
        while (!stop_) {
            pollfd ready{master_, POLLIN, 0};
            if (::poll(&ready, 1, 100) != 1) {
                continue;
            }
            char buffer[256];
            const ssize_t got = ::read(master_, buffer, sizeof buffer);
            if (got <= 0) {
                return;
            }
            if (frame_bytes == 0) {
                frame_start = Clock::now();
            }
            frame_bytes += static_cast<std::size_t>(got);
            if (buffer[got - 1] != '}') {
                continue;
            }
            if (!silent) {
                answer(frame_start + frame_bytes * kByteTime);
            }
            frame_bytes = 0;
        }
    }
    void answer(Clock::time_point start) {
        for (std::size_t i = 0; i < kReply.size(); ++i) {
            std::this_thread::sleep_until(start + (i + 1) * kByteTime);
            if (::write(master_, &kReply[i], 1) != 1) {
                return;
            }
        }
    }

    const int master_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

int32_t txrx(std::int32_t timeout_s) {
    return TXRX(kPort, timeout_s, zarvo::counted_text(kCommand).data() + zarvo::kCountSize);
}

std::string reply_file() {
    return support::read_file("RespApf.txt");
}

// One round of library exchanges; appends each one's time beyond the wire time, in ms.
void library_round(const std::string &device, std::vector<double> &overhead_ms) {
    if (const int32_t opened = Abre(kPort); opened < 0) {
        fail("cannot open port " + std::to_string(kPort) + " (" + device + "): result " +
             std::to_string(opened));
    }
    for (int i = 0; i < kExchangesPerRound; ++i) {
        const auto start = Clock::now();
        const int32_t result = txrx(5);
        const Seconds took = Clock::now() - start;
        if (result != ZARVO_WRITTEN || reply_file() != kReply + "\r\n") {
            fail("exchange " + std::to_string(i) + " failed (result " + std::to_string(result) +
                 ")");
        }
        overhead_ms.push_back((took - kWire).count() * 1000.0);
    }
    Fecha(kPort);
}

// Runs @p argv and returns what it printed on standard output; fails unless it exits with 0.
std::string run_capturing(const std::vector<std::string> &argv) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        fail(std::string("cannot make a pipe: ") + std::strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::vector<char *> args;
    for (const std::string &arg : argv) {
        args.push_back(const_cast<char *>(arg.c_str()));
    }
    args.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, args[0], &actions, nullptr, args.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        fail("cannot start " + argv[0] + ": " + std::strerror(spawned));
    }
    std::string printed;
    char buffer[4096];
    for (ssize_t got; (got = ::read(out[0], buffer, sizeof buffer)) != 0;) {
        if (got < 0 && errno != EINTR) {
            break;
        }
        printed.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fail(argv[0] + " " + argv[1] + " failed (is python3-serial installed? make bench " +
             "installs it)");
    }
    return printed;
}

// One round of the pyserial script's exchanges, the same way.
void script_round(const std::string &device, std::vector<double> &overhead_ms) {
    std::istringstream lines(run_capturing({"/usr/bin/python3", "-I", ZARVO_PYSERIAL_SCRIPT,
                                            "status", device, std::to_string(kExchangesPerRound)}));
    double seconds = 0;
    std::size_t length = 0;
    int count = 0;
    while (lines >> seconds >> length) {
        if (length != kReply.size()) {
            fail("the pyserial script got a reply of " + std::to_string(length) + " bytes");
        }
        overhead_ms.push_back((Seconds(seconds) - kWire).count() * 1000.0);
        ++count;
    }
    if (count != kExchangesPerRound) {
        fail("the pyserial script made " + std::to_string(count) + " exchanges");
    }
}

double median(std::vector<double> values) {
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() try {
    // The pty's slave stays open in it between rounds, when neither the library nor the script
    // has the port open, so the master stays readable and the line keeps its settings.
    const support::PseudoTerminal line(kPort);
    if (!line.ok()) {
        fail("no pseudo-terminal available: " + line.error());
    }
    const int master = line.master_fd();
    const std::string &slave = line.path();
    // RespApf.txt goes to a scratch directory, not into the build tree.
    const support::ScratchDirectory scratch(support::ScratchDirectory::Enter::now, "zarvo-bench");

    bool pass = true;
    {
        PacedPrinter printer(master);
        std::vector<double> library_ms, script_ms;
        for (int round = 0; round < kRounds; ++round) {
            library_round(slave, library_ms);
            script_round(slave, script_ms);
        }
        const double library = median(library_ms);
        const double script = median(script_ms);
        const bool exchange_pass = library <= script + kLeewayMs;
        std::printf(
            "(a) \"%s\" with a %zu-byte reply at 9600 bit/s (wire %.2f ms), %d rounds of "
            "%d exchanges each\n",
            kCommand.c_str(), kReply.size(), kWire.count() * 1000.0, kRounds, kExchangesPerRound);
        std::printf("    median time beyond the wire time\n");
        std::printf("      libZarvo TXRX, RespApf.txt written    %8.3f ms\n", library);
        std::printf("      pyserial script (write, read_until)   %8.3f ms\n", script);
        std::printf(
            "      difference                            %+8.3f ms (target <= %+.2f ms)  "
            "%s\n",
            library - script, kLeewayMs, exchange_pass ? "PASS" : "FAIL");
        pass &= exchange_pass;

        if (const int32_t opened = Abre(kPort); opened < 0) {
            fail("cannot open port " + std::to_string(kPort) + ": result " +
                 std::to_string(opened));
        }
        printer.silent = true;
        const auto wall_start = Clock::now();
        const double cpu_start = cpu_seconds();
        const int32_t result = txrx(kSilentWait);
        const double cpu = cpu_seconds() - cpu_start;
        const Seconds wall = Clock::now() - wall_start;
        Fecha(kPort);
        if (result != ZARVO_WRITTEN || reply_file() != ".-0001ERRO:         99}\r\n") {
            fail("the silent wait did not time out");
        }
        const double percent = 100.0 * cpu / wall.count();
        const bool idle_pass = percent < 1.0;
        std::printf(
            "(b) CPU during a 5 s wait with no reply   %8.3f %% of one core (target < 1 "
            "%%)  %s\n",
            percent, idle_pass ? "PASS" : "FAIL");
        pass &= idle_pass;
    }
    return pass ? 0 : 1;
} catch (const std::exception &error) {
    fail(error.what());
}
