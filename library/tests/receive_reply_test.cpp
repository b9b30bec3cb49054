// SPDX-License-Identifier: MIT
// The reply wait on a fake clock: where the reply ends, when the timeout strikes, and that it never
// spins.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "receive_reply.h"
#include "scripted_serial.h"

namespace {

using Serial = zarvo::testing::ScriptedSerial;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Gt;
using ::testing::Le;

const std::string k99 = ".-0001ERRO:         99}";

TEST(Wait, OutcomeReadsAndWhatStaysUnread) {
    struct {
        const char *name;
        std::int32_t timeout_s;
        std::string early, late;  ///< Bytes there at once, and bytes arriving at late_at.
        std::chrono::nanoseconds late_at;
        std::string outcome;
        int reads;  ///< sio_getch calls, or -1 when they are not the point.
        std::size_t unread;
    } const cases[] = {
        {"ready", 10, ".+0001}", "", {}, ".+0001}", 7, 0},
        {"bytes_after_brace_unread", 10, ".+}XY}", "", {}, ".+}", 3, 3},
        {"zero_bytes_dropped", 10, {"\0.+\0}", 5}, "", {}, ".+}", 5, 0},
        {"in_pieces", 10, "", ".+12}", milliseconds{900}, ".+12}", -1, 0},
        {"partial_reply_dropped", 2, ".+12", "", {}, k99, -1, 0},
        // Only more elapsed whole milliseconds than the timeout end the wait.
        {"brace_in_last_millisecond", 1, "", "}", microseconds{1000999}, "}", -1, 0},
        // The pass that notices the timeout still reads; its "}" does not save the reply.
        {"brace_in_timeout_pass", 1, "", "}", milliseconds{1001}, k99, -1, 0},
        {"timeout_zero", 0, "", "", {}, k99, 2, 0},
        // Bytes that keep coming (a flood of noise) do not keep the wait from its timeout.
        {"noise_past_the_timeout", 0, std::string(3000, 'x'), "", {}, k99, 1001, 1999},
        {"negative_timeout_reads_once", -1, ".+}", "", {}, k99, 1, 2},
        {"lowest_timeout_reads_once", INT32_MIN, "", "", {}, k99, 1, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Serial &serial = Serial::reset();
        serial.arrive(c.early);
        serial.arrive(c.late, c.late_at);
        EXPECT_EQ(zarvo::ReceiveReply(3, c.timeout_s, serial, &sio_wait), c.outcome);
        if (c.reads >= 0) {
            EXPECT_EQ(serial.count("getch 3"), c.reads);
        }
        EXPECT_EQ(serial.unread(), c.unread);
    }
}

TEST(Wait, BlocksForTheTimeLeftPlusOneMillisecond) {
    Serial &serial = Serial::reset();
    serial.arrive(".", milliseconds{500});
    serial.getch_failures = 0b10;  // The first read fails: a failure counts as nothing read.
    EXPECT_EQ(zarvo::ReceiveReply(1, 2, serial, &sio_wait), k99);
    EXPECT_THAT(serial.log, ElementsAre("getch 1", "wait 1 2001", "getch 1", "getch 1",
                                        "wait 1 1501", "getch 1"));
    EXPECT_TRUE(serial.sleeps.empty());
}

// A serial layer whose wait fails (a vanished device), returns early or claims input that is not
// there, or has no sio_wait at all (nullopt), must not turn the wait into a busy loop, nor stretch
// it past its timeout.
TEST(Wait, PacesItselfAndEndsOnTime) {
    for (const std::optional<std::int32_t> result :
         {std::optional{-8}, std::optional{0}, std::optional{1}, std::optional<int>{}}) {
        SCOPED_TRACE(result ? std::to_string(*result) : "no sio_wait");
        Serial &serial = Serial::reset();
        serial.wait_result = result;
        const zarvo::SioWait wait = result ? &sio_wait : nullptr;
        EXPECT_EQ(zarvo::ReceiveReply(1, 1, serial, wait), k99);
        // About 50 (or 200 without sio_wait) pauses fill the second; a spin reads 10^6 times.
        EXPECT_LE(serial.count("getch"), wait ? 80 : 1001 / zarvo::kPaceSlice.count() + 3);
        EXPECT_THAT(serial.sleeps, Each(Le(wait ? zarvo::kRetrySlice : zarvo::kPaceSlice)));
        EXPECT_THAT(serial.sleeps, Each(Gt(milliseconds{0})));
        EXPECT_GT(serial.clock, milliseconds{1000});
        EXPECT_LE(serial.clock, milliseconds{1002});
    }
}

// A device gone for good (an adapter pulled mid-reply) ends the wait when the layer says so, with
// the 99 reply; a failure that is not SIO_GONE is waited out above. Without sio_wait (an older
// API232.DLL) the wait sleeps in short slices, still takes the reply's second piece, and notices
// the device gone within a slice. What the trace is told of it: trace_test's session.
TEST(Wait, DeviceGoneEndsItAtOnceWithThe99Reply) {
    for (const zarvo::SioWait wait : {&sio_wait, static_cast<zarvo::SioWait>(nullptr)}) {
        Serial &serial = Serial::reset();
        serial.arrive(".+");
        serial.arrive("12", milliseconds{700});
        serial.gone_at = milliseconds{1500};
        EXPECT_EQ(zarvo::ReceiveReply(1, 10, serial, wait), k99);
        EXPECT_EQ(serial.taken, 4u) << "the reply's second piece was not taken";
        EXPECT_GE(serial.clock, milliseconds{1500});
        EXPECT_LE(serial.clock, milliseconds{1500} + zarvo::kPaceSlice + milliseconds{1});
        EXPECT_THAT(serial.sleeps, Each(Le(zarvo::kPaceSlice)));
        EXPECT_TRUE(wait != nullptr || serial.count("wait") == 0) << "sio_wait called anyway";
    }
}

}  // namespace
