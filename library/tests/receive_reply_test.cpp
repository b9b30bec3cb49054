// SPDX-License-Identifier: MIT
// The reply wait on a fake clock: where the reply ends, when the timeout strikes, and that it never
// spins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "fake_serial.h"
#include "receive_reply.h"

namespace {

using fake::Arrival;
using fake::Call;
using fake::FakeSerial;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Gt;
using ::testing::Le;

const std::string kTimeoutReply = ".-0001ERRO:         99}";

FakeSerial &serial() {
    return FakeSerial::instance();
}

struct WaitCase {
    const char *name;
    std::int32_t timeout_s;
    std::vector<Arrival> input;
    std::string outcome;
    int reads;   ///< sio_getch calls; -1 when not the point of the case.
    int unread;  ///< Values left in the port's input.
};

void PrintTo(const WaitCase &c, std::ostream *os) {
    *os << c.name;
}

class WaitTest : public ::testing::TestWithParam<WaitCase> {
  protected:
    void SetUp() override { serial().reset(); }
};

TEST_P(WaitTest, Outcome) {
    const WaitCase &c = GetParam();
    for (const Arrival &arrival : c.input) {
        serial().arrive_value(arrival.value, arrival.at);
    }
    EXPECT_EQ(zarvo::ReceiveReply(3, c.timeout_s, serial()), c.outcome);
    if (c.reads >= 0) {
        EXPECT_EQ(serial().count("getch"), c.reads);
    }
    EXPECT_EQ(serial().unread(), static_cast<std::size_t>(c.unread));
    for (const Call &call : serial().calls) {
        EXPECT_EQ(call.port, 3) << call.name;
    }
}

std::vector<Arrival> text_at(std::string_view text, nanoseconds at) {
    std::vector<Arrival> input;
    for (const char byte : text) {
        input.push_back({at, static_cast<unsigned char>(byte)});
    }
    return input;
}

std::vector<Arrival> join(std::vector<Arrival> a, const std::vector<Arrival> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, WaitTest,
    ::testing::Values(
        WaitCase{"ready_reply", 10, text_at(".+0001}", {}), ".+0001}", 7, 0},
        WaitCase{"bytes_after_brace_stay_unread", 10, text_at(".+}XY}", {}), ".+}", 3, 3},
        WaitCase{"zero_bytes_dropped", 10, text_at(std::string_view("\0.+\0}", 5), {}), ".+}", 5,
                 0},
        WaitCase{"reply_in_pieces", 10,
                 join(text_at(".+", milliseconds{5}), text_at("12}", milliseconds{900})), ".+12}",
                 -1, 0},
        WaitCase{
            "read_failures_count_as_nothing", 10,
            join({{milliseconds{0}, -8}, {milliseconds{0}, -8}}, text_at("}", milliseconds{7})),
            "}", -1, 0},
        WaitCase{"partial_reply_dropped_at_timeout", 2, text_at(".+12", milliseconds{10}),
                 kTimeoutReply, -1, 0},
        // The elapsed milliseconds must exceed the timeout: 1000 ms is still in time, and so is
        // 1000.999 ms, which counts as 1000.
        WaitCase{"brace_at_the_limit", 1, text_at("}", milliseconds{1000}), "}", -1, 0},
        WaitCase{"brace_in_the_last_millisecond", 1, text_at("}", microseconds{1000999}), "}", -1,
                 0},
        // The pass that notices the timeout still reads, and its "}" does not save the reply.
        WaitCase{"brace_in_the_timeout_pass", 1, text_at("}", milliseconds{1001}), kTimeoutReply,
                 -1, 0},
        WaitCase{"timeout_zero_waits_one_millisecond", 0, {}, kTimeoutReply, 2, 0},
        WaitCase{"negative_timeout_reads_once", -1, text_at(".+}", {}), kTimeoutReply, 1, 2},
        WaitCase{"lowest_timeout_reads_once", INT32_MIN, {}, kTimeoutReply, 1, 0}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(WaitBlocking, BlocksForTheTimeLeftPlusOneMillisecond) {
    serial().reset();
    serial().arrive(".", milliseconds{500});
    EXPECT_EQ(zarvo::ReceiveReply(1, 2, serial()), kTimeoutReply);
    EXPECT_THAT(serial().calls,
                ElementsAre(Call{"getch", 1}, Call{"wait", 1, 2001}, Call{"getch", 1},
                            Call{"getch", 1}, Call{"wait", 1, 1501}, Call{"getch", 1}));
    EXPECT_TRUE(serial().sleeps.empty());
}

TEST(WaitBlocking, ASingleZeroByteCausesNoPause) {
    serial().reset();
    serial().arrive(std::string_view("\0\0", 2));
    serial().arrive("}", milliseconds{5});
    EXPECT_EQ(zarvo::ReceiveReply(1, 1, serial()), "}");
    EXPECT_TRUE(serial().sleeps.empty());
}

// A serial layer whose wait fails (a vanished device) or returns without input must not turn the
// wait into a busy loop: it paces itself with short pauses and still ends on time.
class MisbehavingWaitTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(MisbehavingWaitTest, PacesItselfAndEndsAtTheTimeout) {
    serial().reset();
    serial().wait_result = GetParam();
    EXPECT_EQ(zarvo::ReceiveReply(1, 1, serial()), kTimeoutReply);
    // About 50 pauses of 20 ms fill the second; a spinning wait would read a million times.
    EXPECT_LE(serial().count("getch"), 80);
    EXPECT_THAT(serial().sleeps, Each(Le(zarvo::kRetrySlice)));
    EXPECT_THAT(serial().sleeps, Each(Gt(milliseconds{0})));
    // Never paused beyond the moment the timeout can be noticed.
    EXPECT_GT(serial().clock, milliseconds{1000});
    EXPECT_LE(serial().clock, milliseconds{1002});
}

INSTANTIATE_TEST_SUITE_P(Results, MisbehavingWaitTest, ::testing::Values(-8, 0, 1),
                         [](const auto &info) {
                             return info.param < 0    ? std::string("fails")
                                    : info.param == 0 ? std::string("returns_early")
                                                      : std::string("claims_input");
                         });

}  // namespace
