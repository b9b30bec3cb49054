// SPDX-License-Identifier: MIT
// The protocol trace (ZARVO_TRACE) over the scripted serial layer: each record's fields, the
// bounds on noise, a trace file that cannot be written, two processes tracing to one file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <regex>
#include <sstream>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "scratch_directory.h"
#include "scripted_serial.h"
#include "trace.h"
#include "txrx.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Serial = zarvo::testing::ScriptedSerial;
using ::testing::AllOf;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Lt;
using ::testing::SizeIs;
using ::testing::StartsWith;
using zarvo::testing::read_file;

// The library's own outcome 98 or 99 as the trace shows it.
std::string own_outcome(char digit) {
    return std::string(
               "23 bytes | 2E 2D 30 30 30 31 45 52 52 4F 3A 20 20 20 20 20 20 20 20 20 39 3") +
           digit + " 7D | .-0001ERRO:         9" + digit + "}";
}

// TXRX and RX on port 4 and the scripted layer's fake clock, so that the traced delays are exact.
int32_t txrx(std::string_view command, int32_t timeout_s = 10) {
    zarvo::Trace trace(4, Serial::get());
    return zarvo::txrx(4, timeout_s, zarvo::counted_text(command).data() + zarvo::kCountSize,
                       Serial::get(), trace);
}

void rx(int32_t timeout_s) {
    zarvo::Trace trace(4, Serial::get());
    std::free(zarvo::receive_counted_reply(4, timeout_s, Serial::get(), trace) - zarvo::kCountSize);
}

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override { ::setenv("ZARVO_TRACE", trace.c_str(), 1); }
    void TearDown() override { ::unsetenv("ZARVO_TRACE"); }

    /// The trace's lines without their "<date> <time> pid <pid> port 4 " stamp, which every line
    /// must carry; each line's pid goes to @p pids.
    std::vector<std::string> lines(std::vector<std::string> &pids) const {
        const std::regex stamp(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} pid (\d+) port 4 )");
        std::vector<std::string> found;
        std::istringstream in(read_file(trace));
        for (std::string line; std::getline(in, line);) {
            std::smatch match;
            EXPECT_TRUE(std::regex_search(line, match, stamp)) << line.substr(0, 200);
            pids.push_back(match[1]);
            found.push_back(match.suffix());
        }
        return found;
    }

    Serial &serial = Serial::reset();
    zarvo::testing::ScratchDirectory scratch;
    const fs::path trace = scratch.path() / "trace.log";
};

// A session, record by record: a long reply, traced whole; a timeout after noise, traced by its
// ends only; a failed write into a RespApf.txt that cannot be written; an RX with 0 bytes, CR and
// LF in its reply; an RX cut short by a device gone for good.
TEST_F(TraceTest, ASessionFieldByField) {
    EXPECT_EQ(Abre(4), 0);
    const std::string reply = ".+" + std::string(10000, 'y') + "}", noise(5996, 'x');
    serial.arrive(reply, 20ms);
    EXPECT_EQ(txrx(".36S"), ZARVO_WRITTEN);
    serial.arrive(".+12" + noise, serial.clock + 5ms);
    EXPECT_EQ(txrx(".28", 1), ZARVO_WRITTEN);
    serial.write_result = -8;
    fs::remove("RespApf.txt");
    fs::create_directory("RespApf.txt");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(txrx(".28"), ZARVO_LOG_FAILED);
    ::testing::internal::GetCapturedStderr();
    serial.arrive({".+\0\0a\r\nb}", 9}, serial.clock + 2ms);
    rx(10);
    serial.arrive(".+12", serial.clock + 1ms);
    serial.gone_at = serial.clock + 3ms;
    rx(10);
    serial.close_result = -3;
    EXPECT_EQ(Fecha(4), -3);
    const std::string frame28 = " | 7 bytes | 1B 2E 32 38 FF FF 7D | \\x1B.28ÿÿ}";
    std::vector<std::string> pids;
    EXPECT_THAT(
        lines(pids),
        ElementsAre(
            "Abre result 0", "TXRX timeout 10 s, command | 4 bytes | 2E 33 36 53 | .36S",
            "TX frame, sio_write 8 | 8 bytes | 1B 2E 33 36 53 AC FF 7D | \\x1B.36S¬ÿ}",
            AllOf(StartsWith("RX reply, first byte after 20.0 ms, \"}\" after 30.0 ms, bytes 0 "
                             "dropped: 0 | 10003 bytes | 2E 2B 79 79"),
                  EndsWith(" | " + reply)),
            "TXRX result 0, RespApf.txt written, outcome the reply",
            "TXRX timeout 1 s, command | 3 bytes | 2E 32 38 | .28",
            "TX frame, sio_write 7" + frame28,
            AllOf(
                StartsWith("RX no \"}\" within 1 s, the 99 reply, first byte after 5.0 ms, bytes 0 "
                           "dropped: 0 | 6000 bytes, the first and the last 256 shown | 2E 2B 31 "
                           "32 78"),
                EndsWith(" ... " + noise.substr(0, 256)), SizeIs(Lt(2500u))),
            "TXRX result 0, RespApf.txt written, outcome the 99 reply | " + own_outcome('9'),
            "TXRX timeout 10 s, command | 3 bytes | 2E 32 38 | .28",
            "TX frame, sio_write -8 (failed: nothing is read, the 98 reply)" + frame28,
            "TXRX result -2, RespApf.txt not written (cannot create RespApf.txt in " +
                scratch.path().string() + ": " + std::strerror(EISDIR) +
                "), outcome the 98 reply | " + own_outcome('8'),
            "RX timeout 10 s, nothing sent",
            "RX reply, first byte after 2.0 ms, \"}\" after 2.0 ms, bytes 0 dropped: 2 | 7 bytes | "
            "2E 2B 61 0D 0A 62 7D | .+a\\x0D\\x0Ab}",
            "RX handed back, outcome the reply", "RX timeout 10 s, nothing sent",
            "RX the device is gone (SIO_GONE) after 3.0 ms, no \"}\" can come, the 99 reply, first "
            "byte after 1.0 ms, bytes 0 dropped: 0 | 4 bytes | 2E 2B 31 32 | .+12",
            "RX handed back, outcome the 99 reply | " + own_outcome('9'), "Fecha result -3"));
    EXPECT_THAT(pids, Each(std::to_string(::getpid())));
}

// The trace only watches: the same script makes the same serial-layer calls traced and untraced,
// for a reply in pieces, bytes 0 in a reply and a timeout; and the trace counts every byte 0 of
// these replies, each of which comes while sio_wait's count says bytes are waiting.
TEST_F(TraceTest, TracedAndUntracedMakeTheSameCalls) {
    struct Piece {
        std::string bytes;
        std::chrono::milliseconds at;
    };
    struct {
        const char *name;
        int32_t timeout_s;
        std::vector<Piece> line;
        int zeros;
    } const cases[] = {
        // Each piece shorter than the one before: a count that falls is no byte 0.
        {"in_pieces", 10, {{".+0001", 0ms}, {"AB", 300ms}, {"}", 600ms}}, 0},
        {"zero_bytes", 10, {{{".+\0\0A", 5}, 5ms}, {{"\0", 1}, 100ms}, {"B}", 200ms}}, 3},
        {"timeout", 1, {{std::string(".+\0", 3) + "12", 5ms}}, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> calls[2];
        for (const bool traced : {false, true}) {
            traced ? ::setenv("ZARVO_TRACE", trace.c_str(), 1) : ::unsetenv("ZARVO_TRACE");
            Serial::reset();
            for (const Piece &piece : c.line) {
                serial.arrive(piece.bytes, piece.at);
            }
            EXPECT_EQ(txrx(".28", c.timeout_s), ZARVO_WRITTEN);
            calls[traced] = serial.log;
        }
        EXPECT_EQ(calls[true], calls[false]);
        std::vector<std::string> pids;
        const std::vector<std::string> record = lines(pids);
        ASSERT_THAT(record, SizeIs(4));
        EXPECT_THAT(record[2], HasSubstr(", bytes 0 dropped: " + std::to_string(c.zeros) + " | "));
        fs::remove(trace);
    }
}

// Neither a planted link nor a directory under the trace's name is written, or changes what the
// exchange gives; the reason is told once.
TEST_F(TraceTest, UnwritableTraceChangesNothing) {
    zarvo::testing::write_file("target", "not ours");
    fs::create_symlink("target", trace);
    serial.arrive(".+1}.+2}");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(txrx(".28"), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), ".+1}\r\n");
    fs::remove(trace);
    fs::create_directory(trace);
    EXPECT_EQ(txrx(".28"), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), ".+2}\r\n");
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(read_file("target"), "not ours");
    EXPECT_EQ(message, "Zarvo: cannot write the trace file " + trace.string() +
                           ": it is a symbolic link, and the trace is never written through "
                           "one; the exchanges go on without it\n");
}

// Records of 7 kB each, above what a pipe writes at once: O_APPEND and one write per record
// keep each one whole.
TEST_F(TraceTest, TwoProcessesKeepEveryRecordWhole) {
    constexpr int kRecords = 40;
    const std::string reply = ".+" + std::string(1500, 'r') + "}";
    // This process and a child of it trace to the same file at once.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    Serial &own = Serial::reset();
    own.keep_log = false;
    for (int i = 0; i < kRecords; ++i) {
        own.arrive(reply);
        txrx(".28");
    }
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<std::string> pids;
    const std::vector<std::string> found = lines(pids);
    const std::string order[] = {"TXRX timeout", "TX frame", "RX reply", "TXRX result"};
    std::map<std::string, int> lines_of;
    for (std::size_t n = 0; n < found.size(); ++n) {
        ASSERT_THAT(found[n], StartsWith(order[n % 4]));
        ASSERT_EQ(pids[n], pids[n - n % 4]) << "another process's line inside a record";
        ++lines_of[pids[n]];
    }
    ASSERT_EQ(lines_of.size(), 2u);
    for (const auto &[process, count] : lines_of) {
        EXPECT_EQ(count, 4 * kRecords) << process;
    }
}

}  // namespace
