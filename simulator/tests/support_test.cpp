// SPDX-License-Identifier: MIT
// Helpers under the log and the replies: pacing deadlines, text conversions, log lines.
#include <gtest/gtest.h>

#include "log.h"
#include "pacing.h"
#include "replies.h"
#include "text.h"

namespace zarvo::sim {
namespace {

using namespace std::chrono;

TEST(Pacing, NineHundredSixtyBytesASecondOrAllAtOnce) {
    Pacer pacer(9600);
    const Pacer::Clock::time_point t0{};
    pacer.start(t0, 2000);
    EXPECT_EQ(pacer.due(t0), 1u);
    EXPECT_EQ(pacer.deadline(1) - t0, nanoseconds{1041666});
    EXPECT_EQ(pacer.due(t0 + nanoseconds{1041665}), 1u);
    EXPECT_EQ(pacer.due(t0 + nanoseconds{1041667}), 2u);
    // Deadlines are absolute: byte 960 is due exactly one second after the first.
    EXPECT_EQ(pacer.deadline(960) - t0, seconds{1});
    EXPECT_EQ(pacer.due(t0 + seconds{1}), 961u);
    EXPECT_EQ(pacer.due(t0 + hours{1}), 2000u);
    EXPECT_EQ(pacer.due(t0 - seconds{1}), 0u);
    // --fast: everything at once.
    Pacer fast(0);
    fast.start(t0, 300);
    EXPECT_FALSE(fast.paced());
    EXPECT_EQ(fast.due(t0), 300u);
    EXPECT_EQ(fast.deadline(299), t0);
}

TEST(Text, BytesForTheLog) {
    EXPECT_EQ(hex_bytes(std::string("\x1B.28\xFF\x00}", 7)), "1B 2E 32 38 FF 00 7D");
    EXPECT_EQ(hex_bytes(""), "");
    EXPECT_EQ(readable(std::string("\x1B.\\\xE7\x80\r\n\0}", 9)),
              "\\x1B.\\\\\xC3\xA7\\x80\\x0D\\x0A\\x00}");
}

TEST(Log, LineLayout) {
    EXPECT_EQ(log_line("2008-01-02 03:04:05.006", "RX", "command 1", std::string_view(".+\r}")),
              "2008-01-02 03:04:05.006 RX command 1 | 4 bytes | 2E 2B 0D 7D | .+\\x0D}");
    EXPECT_EQ(log_line("T", "END", "signal SIGINT"), "T END signal SIGINT");
}

TEST(Log, OpenFailureNamesTheFile) {
    std::string error;
    EXPECT_EQ(Log::open("/nonexistent-dir/sim.log", error), nullptr);
    EXPECT_NE(error.find("/nonexistent-dir/sim.log"), std::string::npos);
    EXPECT_NE(error.find("No such file"), std::string::npos);
}

// The other layouts are checked through the model (printer_model_test) and the line (e2e_test).
TEST(Replies, StatusKeepsTheLastSixDigitsOfTheCounter) {
    StatusFields f;
    f.serial = "ZV00000001";
    f.clock = "0102030405";
    f.coo = 1234567;  // wider than six digits: only the last six fit
    const std::string status = status_reply(f);
    EXPECT_EQ(status.size(), 125u);
    EXPECT_EQ(status.substr(6, 10), "ZV00000001");
    EXPECT_EQ(status.substr(22, 6), "234567");
    EXPECT_EQ(status.substr(43, 10), "0102030405");
}

}  // namespace
}  // namespace zarvo::sim
