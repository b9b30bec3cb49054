// SPDX-License-Identifier: MIT
// Benchmark of the link library over a pseudo-terminal paced like a 9600 bit/s printer line.
//
// In alternating rounds, so that all meet the same machine load, over the same line:
//   libZarvo.so with ZARVO_TRACE unset, the same with the trace on, and a plain pyserial script
//   making the same exchange (write the frame, read_until "}").
// (a) The median time one TXRX of ".28" takes beyond the wire time of its frame and reply.
//     Target: at most the script's plus 0.1 ms.
// (b) The trace on, within 0.1 ms of off.
// (c) What the window's VV (the window core's routine, on a view that draws nothing) adds around
//     TXRX: the reading of RespApf.txt's first line after the call, the text conversions; and
//     what one exchange of a button press costs beyond the wire time.
// (d) The CPU time per wall second of a 5-second wait for a reply that never comes (target < 1 %).
#include <dlfcn.h>
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
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"
#ifdef ZARVO_WITH_WINDOW_CORE
#include "core/form1.h"
#include "core/view.h"
#endif

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
constexpr double kTraceLeewayMs = 0.1;
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

// The exports of one build of the link library, loaded by file name.
struct Library {
    explicit Library(const char *file) {
        handle = ::dlopen(file, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) {
            fail(std::string("cannot load ") + file + ": " + ::dlerror());
        }
        abre = reinterpret_cast<decltype(abre)>(::dlsym(handle, "Abre"));
        fecha = reinterpret_cast<decltype(fecha)>(::dlsym(handle, "Fecha"));
        txrx = reinterpret_cast<decltype(txrx)>(::dlsym(handle, "TXRX"));
        if (abre == nullptr || fecha == nullptr || txrx == nullptr) {
            fail(std::string(file) + " lacks Abre, Fecha or TXRX");
        }
    }
    void *handle;
    decltype(&::Abre) abre;
    decltype(&::Fecha) fecha;
    decltype(&::TXRX) txrx;
};

std::string reply_file() {
    return zarvo::testing::read_file("RespApf.txt");
}

struct Series {
    std::vector<double> txrx_ms;  ///< Each exchange beyond the wire time.
};

#ifdef ZARVO_WITH_WINDOW_CORE
// A window that draws nothing and runs each blocking call at once, so that only the core's own
// work around TXRX is measured.
class BlankView final : public zarvo::window::View {
  public:
    zarvo::window::Text text(zarvo::window::Box) const override { return {}; }
    void setText(zarvo::window::Box, const zarvo::window::Text &) override {}
    void repaint(zarvo::window::Box) override {}
    void setForeColor(zarvo::window::Box, std::uint32_t) override {}
    void setMaxLength(zarvo::window::Box, int) override {}
    bool isSelected(zarvo::window::Option) const override { return false; }
    void select(zarvo::window::Option) override {}
    void showError(const zarvo::window::Message &) override {}
    void showNotice(const zarvo::window::Message &) override {}
    void offerChoice(const zarvo::window::Message &, const std::vector<zarvo::window::Text> &,
                     const zarvo::window::Text &, std::function<void(std::size_t)>) override {}
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override { return call(); }
    void closeWindow() override {}
};

// One round of exchanges through the window core's VV.
void vv_round(const Library &library, zarvo::window::Form1 &form, Series &series) {
    library.abre(kPort);
    const zarvo::window::Text expected(kReply.begin(), kReply.end());
    for (int i = 0; i < kExchangesPerRound; ++i) {
        const auto start = Clock::now();
        const std::int16_t result = form.VV(kPort, 5, u".28");
        const Seconds took = Clock::now() - start;
        if (result != ZARVO_WRITTEN || form.LastReply != expected) {
            fail("VV " + std::to_string(i) + " failed (result " + std::to_string(result) + ")");
        }
        series.txrx_ms.push_back((took - kWire).count() * 1000.0);
    }
    library.fecha(kPort);
}
#endif

// One round of exchanges through @p library.
void library_round(const Library &library, const std::string &device, Series &series) {
    if (const int32_t opened = library.abre(kPort); opened < 0) {
        fail("cannot open port " + std::to_string(kPort) + " (" + device + "): result " +
             std::to_string(opened));
    }
    const std::string block = zarvo::counted_text(kCommand);
    for (int i = 0; i < kExchangesPerRound; ++i) {
        const auto start = Clock::now();
        const int32_t result = library.txrx(kPort, 5, block.data() + zarvo::kCountSize);
        const auto end = Clock::now();
        if (result != ZARVO_WRITTEN || reply_file() != kReply + "\r\n") {
            fail("exchange " + std::to_string(i) + " failed (result " + std::to_string(result) +
                 ")");
        }
        series.txrx_ms.push_back((Seconds(end - start) - kWire).count() * 1000.0);
    }
    library.fecha(kPort);
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
void script_round(const std::string &device, Series &series) {
    std::vector<double> &overhead_ms = series.txrx_ms;
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
    const zarvo::testing::PseudoTerminal line(kPort);
    if (!line.ok()) {
        fail("no pseudo-terminal available: " + line.error());
    }
    const int master = line.master_fd();
    const std::string &slave = line.path();
    // RespApf.txt goes to a scratch directory, not into the build tree.
    const zarvo::testing::ScratchDirectory scratch("zarvo-bench");

    const Library zarvo(ZARVO_LIBRARY_FILE);
    const std::string trace = (scratch.path() / "trace.log").string();

    bool pass = true;
    {
        PacedPrinter printer(master);
#ifdef ZARVO_WITH_WINDOW_CORE
        zarvo::window::Module1::setLibraryFile(ZARVO_LIBRARY_FILE);
        BlankView view;
        zarvo::window::Form1 form(view);
#endif
        Series off, on, script, vv;
        for (int round = 0; round < kRounds; ++round) {
            library_round(zarvo, slave, off);
#ifdef ZARVO_WITH_WINDOW_CORE
            vv_round(zarvo, form, vv);
#endif
            ::setenv("ZARVO_TRACE", trace.c_str(), 1);
            library_round(zarvo, slave, on);
            ::unsetenv("ZARVO_TRACE");
            script_round(slave, script);
        }
        if (zarvo::testing::read_file(trace).find("TXRX result 0, RespApf.txt written") ==
            std::string::npos) {
            fail("the trace was not written to " + trace);
        }
        const double library = median(off.txrx_ms);
        const double pyserial = median(script.txrx_ms);
        const double traced = median(on.txrx_ms);
        const auto verdict = [&](bool ok) {
            pass &= ok;
            return ok ? "PASS" : "FAIL";
        };
        std::printf(
            "\"%s\" with a %zu-byte reply at 9600 bit/s (wire %.2f ms), %d rounds of %d "
            "exchanges of each kind;\nmedian time of one exchange beyond the wire time:\n",
            kCommand.c_str(), kReply.size(), kWire.count() * 1000.0, kRounds, kExchangesPerRound);
        std::printf("(a) libZarvo TXRX, RespApf.txt written      %8.3f ms\n", library);
        std::printf("    pyserial script (write, read_until)     %8.3f ms\n", pyserial);
        std::printf(
            "    difference                              %+8.3f ms (target <= %+.2f ms)  "
            "%s\n",
            library - pyserial, kLeewayMs, verdict(library <= pyserial + kLeewayMs));
        std::printf(
            "(b) TXRX with ZARVO_TRACE on                %8.3f ms, %+.3f ms against off "
            "(target <= %+.2f ms)  %s\n",
            traced, traced - library, kTraceLeewayMs, verdict(traced <= library + kTraceLeewayMs));
#ifdef ZARVO_WITH_WINDOW_CORE
        const double through_vv = median(vv.txrx_ms);
        std::printf(
            "(c) the window core's VV of \".28\"            %8.3f ms, it adds %+.3f ms to "
            "TXRX\n"
            "    (one exchange of a button press; the Qt window adds its worker thread and "
            "repaints: zarvo-bench-reading)\n",
            through_vv, through_vv - library);
#else
        std::printf("(c) the window core is not built (ZARVO_BUILD_PROGRAM=OFF): no VV figure\n");
#endif

        if (const int32_t opened = zarvo.abre(kPort); opened < 0) {
            fail("cannot open port " + std::to_string(kPort) + ": result " +
                 std::to_string(opened));
        }
        printer.silent = true;
        const std::string block = zarvo::counted_text(kCommand);
        const auto wall_start = Clock::now();
        const double cpu_start = cpu_seconds();
        const int32_t result = zarvo.txrx(kPort, kSilentWait, block.data() + zarvo::kCountSize);
        const double cpu = cpu_seconds() - cpu_start;
        const Seconds wall = Clock::now() - wall_start;
        zarvo.fecha(kPort);
        if (result != ZARVO_WRITTEN || reply_file() != ".-0001ERRO:         99}\r\n") {
            fail("the silent wait did not time out");
        }
        const double percent = 100.0 * cpu / wall.count();
        std::printf(
            "(d) CPU during a 5 s wait with no reply     %8.3f %% of one core (target < 1 "
            "%%)  %s\n",
            percent, verdict(percent < 1.0));
    }
    return pass ? 0 : 1;
} catch (const std::exception &error) {
    fail(error.what());
}
