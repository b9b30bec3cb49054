// SPDX-License-Identifier: MIT
// The link library over the real serial layer and a pseudo-terminal, with a small responder on the
// far side.
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

using std::chrono::duration;
using std::chrono::steady_clock;
using zarvo::testing::read_file;

// Port 7 is the slave side of a fresh pseudo-terminal; the test plays the printer on the master.
class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_PTY(pty_);
        ASSERT_GE(Abre(7), 0) << "cannot open " << pty_.path();
    }
    void TearDown() override { Fecha(7); }
    static int32_t txrx(std::string_view command, int32_t timeout_s) {
        return TXRX(7, timeout_s, zarvo::counted_text(command).data() + 4);
    }

    zarvo::testing::ScratchDirectory scratch_;
    zarvo::testing::PseudoTerminal pty_{7};
};

// The device vanishes after the frame went out, mid-reply: the serial layer sees the hang-up, so
// the wait ends at once with the timeout reply instead of waiting out its 10 s (the bound is a
// sanity check, not a speed target). The next exchange on the dead port fails its write (98), and
// the port closes.
TEST_F(PtyTest, VanishedDeviceEndsTheWaitAtOnceWithTheTimeoutReply) {
    std::thread printer([this] {
        pty_.receive(7, 10000);  // The frame of ".28"
        pty_.send(".+00");
        pty_.hang_up();
    });
    const auto start = steady_clock::now();
    EXPECT_EQ(txrx(".28", 10), ZARVO_WRITTEN);
    EXPECT_LT(duration<double>(steady_clock::now() - start).count(), 5.0)
        << "the wait went on after the device hung up";
    printer.join();
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");
    EXPECT_EQ(txrx(".28", 10), ZARVO_WRITE_FAILED);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         98}\r\n");
    EXPECT_EQ(Fecha(7), 0) << "the port of a vanished device did not close";
}

// The most memory this process has used so far, in bytes.
std::uint64_t peak_memory() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

// A printer gone mad floods the line with bytes (0 included, "}" never) as fast as the
// pseudo-terminal takes them. The wait still ends at its timeout with the timeout reply, and the
// memory it takes stays in proportion to what arrived. The bounds guard against a hang or a
// runaway, not speed.
TEST_F(PtyTest, EndlessNoiseEndsAtTheTimeoutInBoundedMemory) {
    const int master = pty_.master_fd();
    ASSERT_EQ(::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK), 0);
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> sent{0};
    std::thread noise([&] {
        std::string bytes(4096, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<char>(i % 256 == '}' ? '{' : i % 256);
        }
        while (!stop) {
            pollfd ready{master, POLLOUT, 0};
            if (::poll(&ready, 1, 100) == 1) {
                const ssize_t n = ::write(master, bytes.data(), bytes.size());
                if (n < 0 && errno != EAGAIN) {
                    return;
                }
                sent += n > 0 ? static_cast<std::uint64_t>(n) : 0;
            }
        }
    });
    const std::uint64_t peak_before = peak_memory();
    const auto wall_start = steady_clock::now();
    const int32_t result = txrx(".28", 2);
    const duration<double> wall = steady_clock::now() - wall_start;
    stop = true;
    noise.join();

    EXPECT_EQ(result, ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");
    EXPECT_GE(wall.count(), 2.0);
    EXPECT_LT(wall.count(), 2.0 + 10.0) << "the wait overran its timeout under the flood";
    // Room for the reply's doubling buffer, the serial layer's input and, under AddressSanitizer,
    // its quarantine of freed blocks.
    std::uint64_t slack = 64u << 20;
#if defined(__SANITIZE_ADDRESS__)
    slack += 256u << 20;
#endif
    EXPECT_LT(peak_memory() - peak_before, 4 * sent.load() + slack)
        << sent.load() << " bytes arrived";
    EXPECT_GT(sent.load(), 0u);
}

}  // namespace
