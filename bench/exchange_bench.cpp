// SPDX-License-Identifier: MIT
// Benchmark of the link library over a pseudo-terminal paced like a 9600 bit/s printer line.
//
// (a) The median time one TXRX takes beyond the wire time of its frame and reply (target < 2 ms).
// (b) The CPU time per wall second of a 5-second wait for a reply that never comes (target < 1 %).
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

// 10 bits a byte on the line (start, 8 data, stop) at 9600 bit/s.
constexpr std::chrono::nanoseconds kByteTime{1'041'667};
constexpr std::int32_t kPort = 9;
constexpr int kExchanges = 100;
constexpr std::int32_t kSilentWait = 5;
const std::string kCommand = ".28";
// A status reply of typical length.
const std::string kReply = ".+0028" + std::string(40, '0') + "}";

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

bool report(const char *what, double value, const char *unit, double target) {
    const bool pass = value < target;
    std::printf("%-62s %8.3f %-2s (target < %g %s)  %s\n", what, value, unit, target, unit,
                pass ? "PASS" : "FAIL");
    return pass;
}

}  // namespace

int main() try {
    const support::PseudoTerminal line(kPort);
    if (!line.ok()) {
        std::fprintf(stderr, "zarvo-bench-exchange: no pseudo-terminal available: %s\n",
                     line.error().c_str());
        return 2;
    }
    const int master = line.master_fd();
    const std::string &slave = line.path();
    // RespApf.txt goes to a scratch directory, not into the build tree.
    const support::ScratchDirectory scratch(support::ScratchDirectory::Enter::now, "zarvo-bench");
    if (const int32_t opened = Abre(kPort); opened < 0) {
        std::fprintf(stderr, "zarvo-bench-exchange: cannot open port %d (%s): result %d\n", kPort,
                     slave.c_str(), opened);
        return 2;
    }

    bool pass = true;
    {
        PacedPrinter printer(master);
        const Seconds wire = (kCommand.size() + 4 + kReply.size()) * kByteTime;
        std::vector<double> overhead_ms;
        for (int i = 0; i < kExchanges; ++i) {
            const auto start = Clock::now();
            const int32_t result = txrx(5);
            const Seconds took = Clock::now() - start;
            if (result != ZARVO_WRITTEN || reply_file() != kReply + "\r\n") {
                std::fprintf(stderr, "zarvo-bench-exchange: exchange %d failed (result %d)\n", i,
                             result);
                return 1;
            }
            overhead_ms.push_back((took - wire).count() * 1000.0);
        }
        std::nth_element(overhead_ms.begin(), overhead_ms.begin() + kExchanges / 2,
                         overhead_ms.end());
        std::printf("%d exchanges of \"%s\" with a %zu-byte reply at 9600 bit/s (wire %.2f ms)\n",
                    kExchanges, kCommand.c_str(), kReply.size(), wire.count() * 1000.0);
        pass &= report("(a) median TXRX time beyond the wire time", overhead_ms[kExchanges / 2],
                       "ms", 2.0);

        printer.silent = true;
        const auto wall_start = Clock::now();
        const double cpu_start = cpu_seconds();
        const int32_t result = txrx(kSilentWait);
        const double cpu = cpu_seconds() - cpu_start;
        const Seconds wall = Clock::now() - wall_start;
        if (result != ZARVO_WRITTEN || reply_file() != ".-0001ERRO:         99}\r\n") {
            std::fprintf(stderr, "zarvo-bench-exchange: the silent wait did not time out\n");
            return 1;
        }
        pass &= report("(b) CPU during a 5 s wait with no reply, % of one core",
                       100.0 * cpu / wall.count(), "%", 1.0);
    }
    Fecha(kPort);
    return pass ? 0 : 1;
} catch (const std::exception &error) {
    std::fprintf(stderr, "zarvo-bench-exchange: %s\n", error.what());
    return 2;
}
