// SPDX-License-Identifier: MIT
// The link library over the real serial layer and a pseudo-terminal, with the test playing a
// printer gone mad on the far side.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

namespace {

using zarvo::testing::read_file;

// The most memory this process has used so far, in bytes.
std::uint64_t peak_memory() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

// After the frame went out, a reply begins, then bytes flood the line (0 included, "}" never) as
// fast as the pseudo-terminal takes them, and then the device vanishes. The serial layer sees the
// hang-up, so the wait ends soon after it with the timeout reply instead of waiting out its 200 s
// (the flood alone may take a minute on a loaded machine under the sanitizers), and the memory it
// took stays in proportion to what arrived (the bounds guard against a hang or a runaway, not
// speed). The next exchange on the dead port fails its write (98), and the port closes. That the
// timeout ends a wait while bytes keep coming: receive_reply_test.
TEST(PtyTest, FloodThenHangUpEndsTheWaitWithTheTimeoutReplyInBoundedMemory) {
    const zarvo::testing::ScratchDirectory scratch;
    zarvo::testing::PseudoTerminal pty(7);  // Port 7; the test plays the printer on the master.
    SKIP_WITHOUT_PTY(pty);
    ASSERT_GE(Abre(7), 0) << "cannot open " << pty.path();
    const int master = pty.master_fd();
    ASSERT_EQ(::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK), 0);
    constexpr std::uint64_t kNoise = 8u << 20;
    std::uint64_t sent = 0;
    std::atomic<std::chrono::steady_clock::time_point> hung_up{};
    std::thread printer([&] {
        pty.receive(7, 10000);  // The frame of ".28"
        pty.send(".+00");
        std::string bytes(4096, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i % 256 == '}' ? '{' : i % 256);
        }
        for (pollfd ready{master, POLLOUT, 0}; sent < kNoise && ::poll(&ready, 1, 10000) == 1;) {
            const ssize_t n = ::write(master, bytes.data(), bytes.size());
            if (n < 0 && errno != EAGAIN) {
                break;
            }
            sent += n > 0 ? static_cast<std::uint64_t>(n) : 0;
        }
        hung_up = std::chrono::steady_clock::now();
        pty.hang_up();
    });
    const std::uint64_t peak_before = peak_memory();
    const std::string block = zarvo::counted_text(".28");
    EXPECT_EQ(TXRX(7, 200, block.data() + 4), ZARVO_WRITTEN);
    const auto ended = std::chrono::steady_clock::now();
    printer.join();
    EXPECT_LT(ended - hung_up.load(), std::chrono::seconds(20))
        << "the wait went on after the device hung up";
    EXPECT_GE(sent, kNoise) << "the flood stalled";
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");
    // Room for the reply's doubling buffer, the serial layer's input and, under AddressSanitizer,
    // its quarantine of freed blocks.
    std::uint64_t slack = 64u << 20;
#if defined(__SANITIZE_ADDRESS__)
    slack += 256u << 20;
#endif
    EXPECT_LT(peak_memory() - peak_before, 4 * sent + slack) << sent << " bytes arrived";
    EXPECT_EQ(TXRX(7, 10, block.data() + 4), ZARVO_WRITE_FAILED);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         98}\r\n");
    EXPECT_EQ(Fecha(7), 0) << "the port of a vanished device did not close";
}

}  // namespace
