// SPDX-License-Identifier: MIT
// The exports over the scripted serial layer: frames on the line, RespApf.txt, RX, Abre and Fecha.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "known_frames.h"
#include "scratch_directory.h"
#include "scripted_serial.h"

extern "C" int32_t c_caller_txrx(int32_t port);

namespace {

namespace fs = std::filesystem;
using Serial = zarvo::testing::ScriptedSerial;
using ::testing::HasSubstr;
using zarvo::testing::read_file;
using zarvo::testing::write_file;

const std::string k98 = ".-0001ERRO:         98}\r\n";
const std::string k99 = ".-0001ERRO:         99}\r\n";

// Run without ZARVO_TRACE, as the trace is off then.
class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override { ::unsetenv("ZARVO_TRACE"); }
    Serial &serial = Serial::reset();
    zarvo::testing::ScratchDirectory scratch;
};

int32_t txrx(std::string_view command, int32_t timeout_s = 10) {
    const std::string block = zarvo::counted_text(command);
    return TXRX(1, timeout_s, block.data() + 4);
}

// Each command goes out in one write of its frame, byte for byte, before anything is read; a null
// command is the empty one, and the count, not a terminating 0, says where a command ends, also
// when a C program wrote it.
TEST_F(ExchangeTest, EachCommandGoesOutInOneWriteOfItsFrame) {
    std::vector<std::string> frames;
    for (const auto &known : known_frames::all()) {
        serial.arrive("}");
        EXPECT_EQ(txrx(known.command), ZARVO_WRITTEN) << known.name;
        frames.push_back(known.frame);
    }
    serial.arrive("}}}");
    EXPECT_EQ(TXRX(1, 10, nullptr), ZARVO_WRITTEN);
    EXPECT_EQ(TXRX(1, 10, zarvo::counted_text(".28", 2).data() + 4), ZARVO_WRITTEN);
    EXPECT_EQ(c_caller_txrx(1), ZARVO_WRITTEN);
    frames.insert(frames.end(), {"\x1B\xFF\xFF}", "\x1B.2\xFF\xFF}", "\x1B.36S\xAC\xFF}"});
    EXPECT_EQ(serial.frames, frames);
    EXPECT_EQ(serial.log.front(), "write 1 " + std::to_string(frames.front().size()));
    EXPECT_EQ(serial.count("write 1 "), static_cast<int>(frames.size()));
}

// Counts that cannot describe a sendable command must not make the library read past the text
// (the sanitizer build would report it); they end like a failed write.
TEST_F(ExchangeTest, UnsendableCountsGiveTheWriteFailure) {
    for (const int32_t count : {-1, INT32_MIN, INT32_MAX, INT32_MAX - 3}) {
        EXPECT_EQ(TXRX(1, 10, zarvo::counted_text(".28", count).data() + 4), ZARVO_WRITE_FAILED)
            << count;
        EXPECT_EQ(read_file("RespApf.txt"), k98);
    }
    EXPECT_TRUE(serial.log.empty());
}

TEST_F(ExchangeTest, TheFileHoldsTheOutcomeAndCrLf) {
    struct {
        const char *name;
        std::string input;
        int32_t timeout_s;
        std::optional<int32_t> write_result;
        int32_t result;
        std::string file;
    } const cases[] = {
        // Line breaks and Latin-1 letters kept as they came.
        {"reply", ".+a\r\nb\nc\xC9\xFF}", 10, {}, ZARVO_WRITTEN, ".+a\r\nb\nc\xC9\xFF}\r\n"},
        {"timeout_25_bytes", ".+12", -1, {}, ZARVO_WRITTEN, k99},
        {"write_failed", ".+}", 10, -8, ZARVO_WRITE_FAILED, k98},
        {"positive_write_result", ".+}", 10, 9, ZARVO_WRITTEN, ".+}\r\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Serial::reset().arrive(c.input);
        serial.write_result = c.write_result;
        write_file("RespApf.txt", std::string(200, 'x'));  // An earlier, longer reply.
        EXPECT_EQ(txrx(".28", c.timeout_s), c.result);
        EXPECT_EQ(read_file("RespApf.txt"), c.file);
        EXPECT_TRUE(c.result != ZARVO_WRITE_FAILED || serial.count("getch") == 0);
    }
}

// Ways RespApf.txt can fail that stop root too (root ignores permissions): each gives -2, leaves no
// stale reply, and says why on stderr and through ZarvoReplyFileFailure, until a TXRX writes it.
TEST_F(ExchangeTest, ReplyFileFailuresLeaveNoStaleReply) {
    const auto fails = [&](const std::string &reason, int32_t cause, int32_t system_error) {
        serial.arrive(".+0001}");
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(txrx(".28"), ZARVO_LOG_FAILED) << reason;
        const std::string message = ::testing::internal::GetCapturedStderr();
        if (!reason.empty()) {  // Empty when the message cannot be caught.
            EXPECT_THAT(message, HasSubstr("RespApf.txt in " + scratch.path().string()));
            EXPECT_THAT(message, HasSubstr(reason));
        }
        const auto status = fs::symlink_status("RespApf.txt");
        EXPECT_FALSE(fs::is_regular_file(status) || fs::is_symlink(status)) << reason;
        int32_t error = -1;
        EXPECT_EQ(ZarvoReplyFileFailure(&error), cause) << reason;
        EXPECT_EQ(error, system_error) << reason;
    };
    fs::create_directory("RespApf.txt");
    fails(std::strerror(EISDIR), ZARVO_REPLY_FILE_DIRECTORY, EISDIR);
    EXPECT_TRUE(fs::is_directory("RespApf.txt"));
    fs::remove("RespApf.txt");

    write_file("target", "not ours");
    fs::create_symlink("target", "RespApf.txt");
    fails("it is a symbolic link", ZARVO_REPLY_FILE_LINK, ELOOP);
    EXPECT_EQ(read_file("target"), "not ours");

    ASSERT_EQ(::mkfifo("RespApf.txt", 0644), 0);
    fails(std::strerror(ENXIO), ZARVO_REPLY_FILE_NOT_PLAIN, ENXIO);
    EXPECT_TRUE(fs::is_fifo("RespApf.txt"));
    // With a reader the open succeeds: only the check of the file's kind keeps the reply from
    // going into the pipe.
    const int reader = ::open("RespApf.txt", O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    fails("another kind of file", ZARVO_REPLY_FILE_NOT_PLAIN, 0);
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0) << "the reply went into the pipe";
    ::close(reader);
    fs::remove("RespApf.txt");

    // A file size limit makes the write itself fail, after a short write. It also cuts the
    // captured message short, so that is not checked.
    write_file("RespApf.txt", "an earlier reply}\r\n");
    rlimit saved{};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limit{5, saved.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    fails("", ZARVO_REPLY_FILE_OTHER, EFBIG);
    ::setrlimit(RLIMIT_FSIZE, &saved);

    serial.arrive(".+0002}");
    ASSERT_EQ(txrx(".28"), ZARVO_WRITTEN);
    int32_t error = -1;
    EXPECT_EQ(ZarvoReplyFileFailure(&error), ZARVO_REPLY_FILE_WRITTEN);
    EXPECT_EQ(error, 0);
}

TEST_F(ExchangeTest, ExceptionsFromBelowBecomeResults) {
    serial.arrive(".+}");
    serial.throw_from = "getch";
    EXPECT_EQ(txrx(".28"), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), k99);
    serial.throw_from = "open";
    EXPECT_EQ(Abre(1), -9);
    serial.throw_from = "close";
    EXPECT_EQ(Fecha(1), -8);
}

TEST_F(ExchangeTest, RxHandsBackACountedTextAndLeavesTheFileAlone) {
    write_file("RespApf.txt", "from the last TXRX\r\n");
    serial.arrive({".+\0a\xE7}rest", 10});
    char previous[] = "the caller's";  // Not malloc'ed: freeing it would trip the sanitizer.
    char *reply = previous;
    RX(&reply, 4, 10);
    ASSERT_NE(reply, previous);
    EXPECT_EQ(std::string(reply - 4, 10), zarvo::counted_text(".+a\xE7}"));
    EXPECT_EQ(serial.unread(), 4u);
    std::free(reply - 4);
    serial.throw_from = "getch";  // RX gives the 99 reply for an exception from below, too.
    RX(&reply, 4, 10);
    EXPECT_EQ(std::string(reply - 4, 28), zarvo::counted_text(".-0001ERRO:         99}"));
    std::free(reply - 4);
    const std::size_t calls = serial.log.size();
    RX(nullptr, 4, 10);
    EXPECT_EQ(serial.log.size(), calls);
    EXPECT_EQ(serial.count("write"), 0);
    EXPECT_EQ(read_file("RespApf.txt"), "from the last TXRX\r\n");
}

// Abre sets the line only on a port that opened, and passes the open result on, whatever the
// line setting gave; Fecha passes the close result on.
TEST_F(ExchangeTest, AbreAndFechaPassTheResultsOn) {
    struct {
        int32_t port, open_result, ioctl_result, close_result;
        std::vector<std::string> log;
    } const cases[] = {
        {2, 7, 0, 0, {"open 2", "ioctl 2 12 3", "close 2"}},
        {1, 0, -7, 1, {"open 1", "ioctl 1 12 3", "close 1"}},
        {2, -4, 0, -2, {"open 2", "close 2"}},
        {-5, -1, 0, -8, {"open -5", "close -5"}},
    };
    for (const auto &c : cases) {
        Serial &fresh = Serial::reset();
        fresh.open_result = c.open_result;
        fresh.ioctl_result = c.ioctl_result;
        fresh.close_result = c.close_result;
        EXPECT_EQ(Abre(c.port), c.open_result);
        EXPECT_EQ(Fecha(c.port), c.close_result);
        EXPECT_EQ(fresh.log, c.log);
    }
    // Neither writes RespApf.txt, and no exported call leaves a trace while ZARVO_TRACE is unset.
    EXPECT_TRUE(fs::is_empty(".")) << "a file written by Abre or Fecha";
}

}  // namespace
