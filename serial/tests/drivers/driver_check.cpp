// SPDX-License-Identifier: MIT
// The guest side of the driver tests (run_driver_tests.py): runs inside the QEMU machine as
// root, against the kernel's own drivers (a 16550 on /dev/ttyS1, an FTDI adapter on /dev/ttyUSB0)
// with the printer simulator on the host side of each line. Prints one "ok - NAME" or
// "not ok - NAME: WHY" line per check, and "@@ ..." lines that ask the host to pull or plug the
// adapter back.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "API232.h"
#include "Zarvo.h"
#include "ZarvoCountedText.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr std::int32_t kUart = 1;        // /dev/ttyS1, the 8250 driver
constexpr std::int32_t kAdapter = 2;     // /dev/ttyUSB0, usbserial + ftdi_sio
constexpr std::int32_t kNoUart = 3;      // /dev/ttyS2: a node with no UART behind it
constexpr std::int32_t kSecondName = 9;  // names the device under test a second time
const char *const kAdapterNode = "/dev/ttyUSB0";
const char *const kLatencyFile = "/sys/bus/usb-serial/devices/ttyUSB0/latency_timer";
const std::string k99 = ".-0001ERRO:         99}";
const std::string k98 = ".-0001ERRO:         98}";

int failures = 0;

void report(bool ok, const std::string &name, const std::string &why = "") {
    if (ok) {
        std::printf("ok - %s%s%s\n", name.c_str(), why.empty() ? "" : ": ", why.c_str());
    } else {
        ++failures;
        std::printf("not ok - %s: %s\n", name.c_str(), why.c_str());
    }
    std::fflush(stdout);
}

void tell_host(const std::string &what) {
    std::printf("@@ %s\n", what.c_str());
    std::fflush(stdout);
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

std::string first_line(const char *path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return line;
}

/// TXRX with @p command as the counted text it takes; the line of RespApf.txt into @p reply.
std::int32_t txrx(std::int32_t port, std::int32_t timeout_s, const std::string &command,
                  std::string &reply) {
    const std::int32_t result =
        TXRX(port, timeout_s, zarvo::counted_text(command).data() + zarvo::kCountSize);
    reply = first_line("RespApf.txt");
    return result;
}

bool accepted(const std::string &reply) {
    return reply.size() > 2 && reply[1] == '+' && reply.back() == '}';
}

bool node_exists(const char *path) {
    struct stat st {};
    return ::stat(path, &st) == 0;
}

bool await(const std::function<bool()> &done, std::chrono::seconds at_most) {
    const auto give_up = Clock::now() + at_most;
    while (!done()) {
        if (Clock::now() > give_up) {
            return false;
        }
        std::this_thread::sleep_for(50ms);
    }
    return true;
}

/// Runs @p body in a child process; its exit status, or -1 when it did not exit.
int in_child(const std::function<int()> &body) {
    std::fflush(stdout);
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) {
        return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status)
                             : (WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1);
}

// The line as the driver took it: the termios that a second open (root passes TIOCEXCL) reads.
void line_settings(const std::string &driver, std::int32_t port, const char *node) {
    const std::string name = driver + ": the line is set as asked";
    const std::int32_t opened = Abre(port);
    if (opened != 0) {
        report(false, name, "Abre gave " + std::to_string(opened));
        return;
    }
    const int fd = ::open(node, O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios tio{};
    std::string wrong;
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0) {
        wrong = std::string("cannot read the line: ") + std::strerror(errno);
    } else {
        const auto check = [&](bool good, const char *what) {
            if (!good) {
                wrong += std::string(wrong.empty() ? "" : ", ") + what;
            }
        };
        check(::cfgetospeed(&tio) == B9600 && ::cfgetispeed(&tio) == B9600, "not 9600 bit/s");
        check((tio.c_cflag & CSIZE) == CS8, "not cs8");
        check(!(tio.c_cflag & PARENB), "parenb");
        check(!(tio.c_cflag & CSTOPB), "cstopb");
        check(!(tio.c_cflag & CRTSCTS), "crtscts");
        check((tio.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD), "-clocal or -cread");
        check(!(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP)), "ixon, ixoff, icrnl or istrip");
        check(!(tio.c_lflag & (ICANON | ECHO | ISIG)), "icanon, echo or isig");
        check(!(tio.c_oflag & OPOST), "opost");
    }
    if (fd >= 0) {
        ::close(fd);
    }
    Fecha(port);
    report(wrong.empty(), name,
           wrong.empty() ? "9600 cs8 -parenb -cstopb -crtscts -ixon raw" : wrong);
}

void exchanges(const std::string &driver, std::int32_t port, int count) {
    const std::string name = driver + ": " + std::to_string(count) + " exchanges of \".28\"";
    if (const std::int32_t opened = Abre(port); opened != 0) {
        report(false, name, "Abre gave " + std::to_string(opened));
        return;
    }
    int good = 0;
    std::vector<double> ms;
    std::string last;
    for (int i = 0; i < count; ++i) {
        std::string reply;
        const auto start = Clock::now();
        if (txrx(port, 10, ".28", reply) == ZARVO_WRITTEN && accepted(reply)) {
            ++good;
        } else {
            last = reply;
        }
        ms.push_back(seconds_since(start) * 1000);
    }
    Fecha(port);
    std::sort(ms.begin(), ms.end());
    report(good == count, name,
           std::to_string(good) + " right, median " + std::to_string(int(ms[ms.size() / 2])) +
               " ms" + (last.empty() ? "" : ", last wrong reply " + last));
}

void exclusive_access(const std::string &driver, std::int32_t port, const char *node) {
    const std::string name = driver + ": a second opener is refused";
    if (const std::int32_t opened = Abre(port); opened != 0) {
        report(false, name, "Abre gave " + std::to_string(opened));
        return;
    }
    ::setenv(("API232_PORT" + std::to_string(kSecondName)).c_str(), node, 1);
    const std::int32_t same_process = Abre(kSecondName);
    // A fresh program, as a forked child would see the port already open in its copy of this one.
    const int other_process = in_child([port] {
        const std::string number = std::to_string(port);
        ::execl("/proc/self/exe", "zarvo-driver-check", "--abre", number.c_str(), nullptr);
        return 127;
    });
    Fecha(kSecondName);
    Fecha(port);
    report(same_process == SIO_BUSY && other_process == -SIO_BUSY, name,
           "another port number " + std::to_string(same_process) + ", another process " +
               std::to_string(-other_process));
}

void holder_dies(const std::string &driver, std::int32_t port) {
    const std::string name = driver + ": a holder killed without Fecha leaves the device usable";
    const int child = in_child([port] {
        if (Abre(port) != 0) {
            return 1;
        }
        ::raise(SIGKILL);
        return 2;
    });
    const std::int32_t opened = Abre(port);
    std::string reply;
    const std::int32_t result = opened == 0 ? txrx(port, 10, ".28", reply) : -100;
    Fecha(port);
    report(child == 128 + SIGKILL && opened == 0 && result == 0 && accepted(reply), name,
           "holder ended with " + std::to_string(child) + ", then Abre " + std::to_string(opened) +
               ", TXRX " + std::to_string(result));
}

void no_uart() {
    ::setenv("API232_PORT3", "/dev/ttyS2", 1);
    const std::int32_t opened = Abre(kNoUart);
    if (opened >= 0) {
        Fecha(kNoUart);
    }
    report(opened == SIO_OPEN_FAIL, "8250: Abre on a node with no UART behind it fails",
           "Abre gave " + std::to_string(opened));
}

void low_latency() {
    const std::string name = "ftdi_sio: low latency while open (latency_timer)";
    const std::string before = first_line(kLatencyFile);
    const std::int32_t opened = Abre(kAdapter);
    const std::string during = first_line(kLatencyFile);
    Fecha(kAdapter);
    const std::string after = first_line(kLatencyFile);
    report(opened == 0 && during == "1" && after == before, name,
           "before " + before + ", open " + during + ", after Fecha " + after);
}

/// Lines written to the file @p path.
int count_lines(const char *path) {
    std::ifstream in(path);
    return static_cast<int>(
        std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
}

void pulled_mid_reply() {
    const std::string name = "ftdi_sio: adapter pulled 1.5 s into a 5-s reply";
    if (const std::int32_t opened = Abre(kAdapter); opened != 0) {
        report(false, name, "Abre gave " + std::to_string(opened));
        return;
    }
    // API232_DEBUG=1 (set by /init): what the serial layer says during the wait goes to a file.
    const char *const debug_file = "/tmp/api232-debug.txt";
    std::fflush(stderr);
    const int saved_stderr = ::dup(2);
    const int debug = ::open(debug_file, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(debug, 2);
    tell_host("PULL 1500");
    const auto start = Clock::now();
    const double cpu_start = cpu_seconds();
    std::string reply;
    const std::int32_t result = txrx(kAdapter, 10, ".13", reply);
    const double wall = seconds_since(start);
    const double cpu = cpu_seconds() - cpu_start;
    tell_host("RETURNED");
    std::fflush(stderr);
    ::dup2(saved_stderr, 2);
    ::close(saved_stderr);
    ::close(debug);
    char figures[160];
    std::snprintf(figures, sizeof figures, "TXRX %d after %.2f s, %.3f s CPU, reply %s",
                  static_cast<int>(result), wall, cpu, reply.c_str());
    report(result == ZARVO_WRITTEN && reply == k99 && wall >= 1.0 && wall < 4.9 &&
               cpu < 0.1 * wall + 0.05,
           name, figures);

    const int told = count_lines(debug_file);
    report(told >= 1 && told <= 3, "API232_DEBUG tells each thing once per wait",
           std::to_string(told) + " lines: " + first_line(debug_file));

    const auto again = Clock::now();
    const std::int32_t second = txrx(kAdapter, 10, ".28", reply);
    std::snprintf(figures, sizeof figures, "TXRX %d after %.3f s, reply %s",
                  static_cast<int>(second), seconds_since(again), reply.c_str());
    report(second == ZARVO_WRITE_FAILED && reply == k98 && seconds_since(again) < 1.0,
           "ftdi_sio: the next TXRX on the pulled adapter gives 98 at once", figures);
    const std::int32_t closed = Fecha(kAdapter);
    report(closed == 0, "ftdi_sio: Fecha releases the pulled adapter",
           "Fecha gave " + std::to_string(closed));
}

void missing_adapter() {
    const bool gone = await([] { return !node_exists(kAdapterNode); }, 10s);
    const std::int32_t opened = Abre(kAdapter);
    if (opened >= 0) {
        Fecha(kAdapter);
    }
    report(gone && opened == SIO_NO_DEVICE, "ftdi_sio: Abre on the missing adapter fails",
           std::string(gone ? "" : "the node stayed, ") + "Abre gave " + std::to_string(opened));
}

void plugged_back() {
    const std::string name = "ftdi_sio: the adapter plugged back works in the same process";
    tell_host("PLUG");
    if (!await([] { return node_exists(kAdapterNode); }, 40s)) {
        report(false, name, std::string(kAdapterNode) + " did not come back within 40 s");
        return;
    }
    // The node comes a moment before the driver has set the port up.
    std::int32_t opened = -100;
    await([&] { return (opened = Abre(kAdapter)) == 0; }, 5s);
    std::string reply;
    const std::int32_t result = opened == 0 ? txrx(kAdapter, 10, ".28", reply) : -100;
    const std::string latency = first_line(kLatencyFile);
    Fecha(kAdapter);
    report(opened == 0 && result == 0 && accepted(reply) && latency == "1", name,
           "Abre " + std::to_string(opened) + ", TXRX " + std::to_string(result) + " " +
               reply.substr(0, 12) + ", latency_timer " + latency);
}

}  // namespace

int main(int argc, char **argv) {
    if (argc == 3 && std::string(argv[1]) == "--abre") {  // another process that opens a port
        return -Abre(std::atoi(argv[2]));
    }
    ::setenv("API232_PORT1", "/dev/ttyS1", 1);
    ::setenv("API232_PORT2", kAdapterNode, 1);
    // RespApf.txt is written in the working folder, which must be one the check may write in.
    if (::chdir("/tmp") != 0) {
        report(false, "working folder /tmp", std::strerror(errno));
    }
    tell_host("START");
    for (const auto &[driver, port, node] : {std::tuple{"8250", kUart, "/dev/ttyS1"},
                                             std::tuple{"ftdi_sio", kAdapter, kAdapterNode}}) {
        line_settings(driver, port, node);
        exchanges(driver, port, 10);
        exclusive_access(driver, port, node);
        if (port == kAdapter) {
            low_latency();  // before a holder dies: it leaves the adapter at low latency
        }
        holder_dies(driver, port);
    }
    no_uart();
    pulled_mid_reply();
    missing_adapter();
    plugged_back();
    tell_host("END " + std::to_string(failures));
    return failures == 0 ? 0 : 1;
}
