// SPDX-License-Identifier: MIT
// Traffic on an open port: raw bytes both ways, kept input, waits, a line that is stuck or gone.
#include <termios.h>

#include <chrono>
#include <ctime>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "API232.h"
#include "pseudo_terminal.h"

namespace {

using namespace std::chrono_literals;

class SerialLine : public ::testing::Test {
  protected:
    void SetUp() override {
        SKIP_WITHOUT_PTY(pty_);
        ASSERT_EQ(sio_open(kPort), SIO_OK);
    }
    void TearDown() override { sio_close(kPort); }

    static constexpr std::int32_t kPort = 1;
    zarvo::testing::PseudoTerminal pty_{kPort};
};

/// Takes bytes from @p port up to and including @p last, waiting at most 5 s for each.
std::string take_through(std::int32_t port, char last) {
    std::string got;
    while (got.empty() || got.back() != last) {
        const std::int32_t c = sio_getch(port);
        if (c > 0) {
            got += static_cast<char>(c);
        } else if (c < 0 || sio_wait(port, 5000) <= 0) {
            break;
        }
    }
    return got;
}

std::chrono::nanoseconds process_cpu_time() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

TEST_F(SerialLine, EveryByteValuePassesUnchangedBothWays) {
    std::string all(256, '\0');
    std::iota(all.begin(), all.end(), '\0');

    // Toward the port, before any line setting: the line is raw from the open on.
    ASSERT_TRUE(pty_.send(all));
    ASSERT_EQ(pty_.await_queued(all.size()), all.size());
    for (int value = 0; value < 256; ++value) {
        ASSERT_EQ(sio_getch(kPort), value);  // a received 0 reads as 0 and is consumed
    }
    EXPECT_EQ(sio_getch(kPort), 0);
    EXPECT_EQ(pty_.receive(1, 50), "") << "the line echoed what it received";

    // Toward the printer, at the printer's settings.
    ASSERT_EQ(sio_ioctl(kPort, SIO_B9600, SIO_8N1), SIO_OK);
    EXPECT_EQ(sio_write(kPort, all.data(), static_cast<std::int32_t>(all.size())), 256);
    EXPECT_EQ(pty_.receive(all.size()), all);

    termios line{};
    ASSERT_EQ(::tcgetattr(pty_.slave_fd(), &line), 0);
    EXPECT_EQ(::cfgetospeed(&line), B9600);
    EXPECT_EQ(::cfgetispeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(SerialLine, InputStaysUntilTakenOrClosedAndEachPortKeepsItsOwn) {
    EXPECT_EQ(sio_getch(kPort), 0) << "nothing was sent";
    EXPECT_EQ(sio_wait(kPort, 0), 0);
    EXPECT_EQ(sio_wait(kPort, -5), 0);

    zarvo::testing::PseudoTerminal other(2);
    ASSERT_EQ(sio_open(2), SIO_OK);
    ASSERT_TRUE(pty_.send(".+0001}next}"));
    ASSERT_TRUE(other.send("x}"));
    EXPECT_EQ(take_through(kPort, '}'), ".+0001}");
    EXPECT_GT(sio_wait(kPort, 0), 0) << "what followed the reply was lost";
    EXPECT_EQ(take_through(kPort, '}'), "next}");
    EXPECT_EQ(take_through(2, '}'), "x}");
    EXPECT_EQ(sio_getch(kPort), 0);
    EXPECT_EQ(sio_close(2), SIO_OK);

    // A close drops what was not taken, the bytes taken in before it and those still queued.
    ASSERT_TRUE(pty_.send("abc"));
    ASSERT_GT(sio_wait(kPort, 5000), 0);
    ASSERT_EQ(sio_getch(kPort), 'a');
    ASSERT_TRUE(pty_.send("def"));
    ASSERT_GE(pty_.await_queued(3), 3u);
    ASSERT_EQ(sio_close(kPort), SIO_OK);
    ASSERT_EQ(sio_open(kPort), SIO_OK);
    EXPECT_EQ(sio_wait(kPort, 100), 0);
    EXPECT_EQ(sio_getch(kPort), 0);
}

TEST_F(SerialLine, WaitEndsWhenInputArrivesOrItsTimePasses) {
    std::thread printer([this] {
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(pty_.send("}"));
    });
    EXPECT_GT(sio_wait(kPort, 10000), 0);
    printer.join();
    EXPECT_EQ(sio_getch(kPort), '}');

    const auto cpu_before = process_cpu_time();
    const auto wall_before = std::chrono::steady_clock::now();
    EXPECT_EQ(sio_wait(kPort, 300), 0);
    EXPECT_GE(std::chrono::steady_clock::now() - wall_before, 300ms) << "the wait ended early";
    EXPECT_LT(process_cpu_time() - cpu_before, 150ms) << "the wait burnt CPU";
}

TEST_F(SerialLine, DeviceThatGoesAwayMidWait) {
    ASSERT_TRUE(pty_.send("x"));
    ASSERT_GT(sio_wait(kPort, 5000), 0);
    std::thread unplug([this] {
        std::this_thread::sleep_for(100ms);
        pty_.hang_up();
    });
    EXPECT_EQ(sio_getch(kPort), 'x') << "input taken in before the loss was dropped";
    // The hang-up ends the wait at once, told as gone for good, not as a failure that may pass.
    const auto wall_before = std::chrono::steady_clock::now();
    EXPECT_EQ(sio_wait(kPort, 10000), SIO_GONE);
    EXPECT_LT(std::chrono::steady_clock::now() - wall_before, 2s);
    unplug.join();
    EXPECT_EQ(sio_getch(kPort), SIO_GONE);
    EXPECT_EQ(sio_wait(kPort, 10000), SIO_GONE);
    EXPECT_EQ(sio_write(kPort, "}", 1), SIO_GONE);
    EXPECT_EQ(sio_ioctl(kPort, SIO_B9600, SIO_8N1), SIO_GONE);
    EXPECT_EQ(sio_close(kPort), SIO_OK);
}

TEST_F(SerialLine, WriteToALineThatTakesNothingFailsInsteadOfHanging) {
    const std::vector<char> lots(1 << 20, 'x');  // far more than the pseudo-terminal holds
    EXPECT_EQ(sio_write(kPort, lots.data(), static_cast<std::int32_t>(lots.size())), SIO_IO_ERROR);
}

}  // namespace
