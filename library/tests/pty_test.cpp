// SPDX-License-Identifier: MIT
// The link library over the real serial layer and a pseudo-terminal, with a small responder on the
// far side.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "Zarvo.h"
#include "test_support.h"

namespace {

using std::chrono::duration;
using std::chrono::steady_clock;
using support::counted;
using support::read_file;

double cpu_seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Port 7 is the slave side of a fresh pseudo-terminal; the test plays the printer on the master.
class PtyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
            GTEST_SKIP() << "no pseudo-terminal available: " << std::strerror(errno);
        }
        slave_ = ::ptsname(master_);
        ::setenv("API232_PORT7", slave_.c_str(), 1);
        ASSERT_GE(Abre(7), 0) << "cannot open " << slave_;
    }
    void TearDown() override {
        if (responder_.joinable()) {
            responder_.join();
        }
        Fecha(7);
        close_master();
    }
    void close_master() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }
    // Answers the next frame with @p reply, then, if asked, closes the line as an unplugged device.
    void respond(std::string reply, bool then_vanish = false) {
        responder_ = std::thread([this, reply, then_vanish] {
            for (char byte = 0; byte != '}';) {
                pollfd ready{master_, POLLIN, 0};
                if (::poll(&ready, 1, 10000) != 1 || ::read(master_, &byte, 1) != 1) {
                    return;
                }
                frame_ += byte;
            }
            if (::write(master_, reply.data(), reply.size()) < 0 || then_vanish) {
                close_master();
            }
        });
    }
    static int32_t txrx(std::string_view command, int32_t timeout_s) {
        return TXRX(7, timeout_s, counted(command).data() + 4);
    }

    support::ScratchDirectory scratch_;
    int master_ = -1;
    std::string slave_;
    std::string frame_;
    std::thread responder_;
};

TEST_F(PtyTest, FullExchangeThenTheBytesAfterTheBraceForTheNextCall) {
    respond(".+0001}.+B}");
    EXPECT_EQ(txrx(".28", 5), ZARVO_WRITTEN);
    responder_.join();
    EXPECT_EQ(frame_, "\x1B.28\xFF\xFF}");
    EXPECT_EQ(read_file("RespApf.txt"), ".+0001}\r\n");
    char *reply = nullptr;
    RX(&reply, 7, 5);
    ASSERT_NE(reply, nullptr);
    EXPECT_STREQ(reply, ".+B}");
    std::free(reply - 4);
}

TEST_F(PtyTest, SilentPrinterGivesTheTimeoutReply) {
    EXPECT_EQ(txrx(".13", 1), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");
}

TEST_F(PtyTest, ThePortIsOpenedForExclusiveUse) {
    ::setenv("API232_PORT8", slave_.c_str(), 1);
    EXPECT_LT(Abre(8), 0) << "a second port opened " << slave_;
    EXPECT_LT(Abre(7), 0) << "port 7 opened twice";
}

// The device vanishes after the frame went out: the wait must run to its timeout without burning
// the CPU, and give the timeout reply. The bounds are sanity checks, not speed targets.
TEST_F(PtyTest, VanishedDeviceEndsAtTheTimeoutWithoutSpinning) {
    respond(".+00", true);
    const auto wall_start = steady_clock::now();
    const double cpu_start = cpu_seconds();
    EXPECT_EQ(txrx(".28", 2), ZARVO_WRITTEN);
    const double cpu = cpu_seconds() - cpu_start;
    const duration<double> wall = steady_clock::now() - wall_start;
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");
    EXPECT_GE(wall.count(), 2.0);
    EXPECT_LT(wall.count(), 30.0);
    EXPECT_LT(cpu, 0.5 * wall.count()) << "the wait spun";
}

}  // namespace
