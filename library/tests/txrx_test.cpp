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
#include <functional>

#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "known_frames.h"
#include "scratch_directory.h"
#include "scripted_serial.h"

extern "C" int32_t c_caller_exchange(int32_t port, const char *chars, int32_t count, char *reply,
                                     int32_t size);

namespace {

namespace fs = std::filesystem;
using Serial = zarvo::testing::ScriptedSerial;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using zarvo::testing::read_file;
using zarvo::testing::write_file;

const std::string k98 = ".-0001ERRO:         98}\r\n";
const std::string k99 = ".-0001ERRO:         99}\r\n";

class ExchangeTest : public ::testing::Test {
  protected:
    Serial &serial = Serial::reset();
    zarvo::testing::ScratchDirectory scratch;
};

int32_t txrx(std::string_view command, int32_t timeout_s = 10) {
    const std::string block = zarvo::counted_text(command);
    return TXRX(1, timeout_s, block.data() + 4);
}

class FrameTest : public ExchangeTest,
                  public ::testing::WithParamInterface<known_frames::KnownFrame> {};

TEST_P(FrameTest, GoesOutInOneWrite) {
    serial.arrive("}");
    EXPECT_EQ(txrx(GetParam().command), ZARVO_WRITTEN);
    EXPECT_THAT(serial.frames, ElementsAre(GetParam().frame));
    EXPECT_EQ(serial.log.front(), "write 1 " + std::to_string(GetParam().frame.size()));
}

INSTANTIATE_TEST_SUITE_P(Commands, FrameTest, ::testing::ValuesIn(known_frames::all()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, NullIsTheEmptyCommandAndTheCountRules) {
    serial.arrive("}}");
    EXPECT_EQ(TXRX(1, 10, nullptr), ZARVO_WRITTEN);
    EXPECT_EQ(TXRX(1, 10, zarvo::counted_text(".28", 2).data() + 4), ZARVO_WRITTEN);
    EXPECT_THAT(serial.frames, ElementsAre("\x1B\xFF\xFF}", "\x1B.2\xFF\xFF}"));
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

struct RecordCase {
    const char *name;
    std::string input;
    int32_t timeout_s;
    std::optional<int32_t> write_result;
    int32_t result;
    std::string file;
};
void PrintTo(const RecordCase &c, std::ostream *os) {
    *os << c.name;
}

class RecordTest : public ExchangeTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordTest, FileHoldsTheOutcomeAndCrLf) {
    const RecordCase &c = GetParam();
    write_file("RespApf.txt", std::string(200, 'x'));  // An earlier, longer reply.
    serial.arrive(c.input);
    serial.write_result = c.write_result;
    EXPECT_EQ(txrx(".28", c.timeout_s), c.result);
    EXPECT_EQ(read_file("RespApf.txt"), c.file);
    if (c.result == ZARVO_WRITE_FAILED) {
        EXPECT_EQ(serial.count("getch"), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RecordTest,
    ::testing::Values(
        RecordCase{"reply", ".+0001}", 10, {}, ZARVO_WRITTEN, ".+0001}\r\n"},
        RecordCase{"line_breaks_kept", ".+a\r\nb\nc}", 10, {}, ZARVO_WRITTEN, ".+a\r\nb\nc}\r\n"},
        RecordCase{"latin1_kept", ".+\xC9\xFF}", 10, {}, ZARVO_WRITTEN, ".+\xC9\xFF}\r\n"},
        RecordCase{"timeout_25_bytes", ".+12", -1, {}, ZARVO_WRITTEN, k99},
        RecordCase{"write_failed", ".+}", 10, -8, ZARVO_WRITE_FAILED, k98},
        RecordCase{"positive_write_result", ".+}", 10, 9, ZARVO_WRITTEN, ".+}\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

// Ways RespApf.txt can fail that stop root too (root ignores permissions).
struct FailureCase {
    const char *name;
    std::function<void()> plant, check_after;
    std::string reason;  ///< What the message says; empty when the message cannot be caught.
    int32_t cause;       ///< What ZarvoReplyFileFailure tells afterwards.
    int32_t system_error;
};
void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.name;
}

class FailureTest : public ExchangeTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, GivesMinusTwoAndLeavesNoStaleReply) {
    GetParam().plant();
    serial.arrive(".+0001}");
    ::testing::internal::CaptureStderr();
    const int32_t result = txrx(".28");
    GetParam().check_after();
    const std::string message = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, ZARVO_LOG_FAILED);
    if (!GetParam().reason.empty()) {
        EXPECT_THAT(message, HasSubstr("RespApf.txt in " + scratch.path().string()));
        EXPECT_THAT(message, HasSubstr(GetParam().reason));
    }
    const auto status = fs::symlink_status("RespApf.txt");
    EXPECT_FALSE(fs::is_regular_file(status) || fs::is_symlink(status)) << "a stale reply survived";
    // The cause stays found after the stale copy is gone, until the next TXRX writes the file.
    int32_t error = -1;
    EXPECT_EQ(ZarvoReplyFileFailure(&error), GetParam().cause);
    EXPECT_EQ(error, GetParam().system_error);
    std::error_code ignored;
    fs::remove("RespApf.txt", ignored);
    serial.arrive(".+0002}");
    ASSERT_EQ(txrx(".28"), ZARVO_WRITTEN);
    EXPECT_EQ(ZarvoReplyFileFailure(&error), ZARVO_REPLY_FILE_WRITTEN);
    EXPECT_EQ(error, 0);
}

rlimit saved_size_limit{};
int fifo_reader = -1;

INSTANTIATE_TEST_SUITE_P(
    Causes, FailureTest,
    ::testing::Values(FailureCase{"directory", [] { fs::create_directory("RespApf.txt"); },
                                  [] { EXPECT_TRUE(fs::is_directory("RespApf.txt")); },
                                  std::strerror(EISDIR), ZARVO_REPLY_FILE_DIRECTORY, EISDIR},
                      FailureCase{"planted_link",
                                  [] {
                                      write_file("target", "not ours");
                                      fs::create_symlink("target", "RespApf.txt");
                                  },
                                  [] { EXPECT_EQ(read_file("target"), "not ours"); },
                                  "it is a symbolic link", ZARVO_REPLY_FILE_LINK, ELOOP},
                      FailureCase{"fifo_without_reader",
                                  [] { ASSERT_EQ(::mkfifo("RespApf.txt", 0644), 0); },
                                  [] { EXPECT_TRUE(fs::is_fifo("RespApf.txt")); },
                                  std::strerror(ENXIO), ZARVO_REPLY_FILE_NOT_PLAIN, ENXIO},
                      // With a reader the open succeeds: only the check of the file's kind keeps
                      // the reply from going into the pipe.
                      FailureCase{"fifo_with_reader",
                                  [] {
                                      ASSERT_EQ(::mkfifo("RespApf.txt", 0644), 0);
                                      fifo_reader = ::open("RespApf.txt", O_RDONLY | O_NONBLOCK);
                                      ASSERT_GE(fifo_reader, 0);
                                  },
                                  [] {
                                      char byte;
                                      EXPECT_LE(::read(fifo_reader, &byte, 1), 0)
                                          << "the reply went into it";
                                      ::close(fifo_reader);
                                  },
                                  "another kind of file", ZARVO_REPLY_FILE_NOT_PLAIN, 0},
                      // A file size limit makes the write itself fail, after a short write. It also
                      // cuts the captured message short, so that is not checked.
                      FailureCase{"write_fails",
                                  [] {
                                      write_file("RespApf.txt", "an earlier reply}\r\n");
                                      ::getrlimit(RLIMIT_FSIZE, &saved_size_limit);
                                      const rlimit limit{5, saved_size_limit.rlim_max};
                                      std::signal(SIGXFSZ, SIG_IGN);
                                      ::setrlimit(RLIMIT_FSIZE, &limit);
                                  },
                                  [] { ::setrlimit(RLIMIT_FSIZE, &saved_size_limit); }, "",
                                  ZARVO_REPLY_FILE_OTHER, EFBIG}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ExchangeTest, ExceptionsFromBelowBecomeResults) {
    serial.arrive(".+}.+}");
    serial.throw_from = "getch";
    EXPECT_EQ(txrx(".28"), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), k99);
    serial.throw_from = "getch";
    char *reply = nullptr;
    RX(&reply, 1, 10);
    ASSERT_NE(reply, nullptr);
    EXPECT_STREQ(reply, ".-0001ERRO:         99}");
    std::free(reply - 4);
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
    RX(&reply, 4, -1);
    EXPECT_EQ(std::string(reply - 4, 28), zarvo::counted_text(".-0001ERRO:         99}"));
    std::free(reply - 4);
    const std::size_t calls = serial.log.size();
    RX(nullptr, 4, 10);
    EXPECT_EQ(serial.log.size(), calls);
    EXPECT_EQ(serial.count("write"), 0);
    EXPECT_EQ(read_file("RespApf.txt"), "from the last TXRX\r\n");
}

TEST_F(ExchangeTest, ACallerInC) {
    serial.arrive(".+}.+C}");
    char reply[8] = {};
    EXPECT_EQ(c_caller_exchange(1, ".36S", 4, reply, sizeof reply), ZARVO_WRITTEN);
    EXPECT_THAT(serial.frames, ElementsAre("\x1B.36S\xAC\xFF}"));
    EXPECT_STREQ(reply, ".+C}");
}

struct PortCase {
    int32_t port, open_result, ioctl_result;
    std::vector<std::string> log;
};

TEST_F(ExchangeTest, AbreReturnsTheOpenResultAndSetsTheLineOnlyWhenOpen) {
    for (const PortCase &c : std::vector<PortCase>{{1, 0, 0, {"open 1", "ioctl 1 12 3"}},
                                                   {2, 7, 0, {"open 2", "ioctl 2 12 3"}},
                                                   {1, 0, -7, {"open 1", "ioctl 1 12 3"}},
                                                   {2, -4, 0, {"open 2"}},
                                                   {-5, -1, 0, {"open -5"}}}) {
        Serial &fresh = Serial::reset();
        fresh.open_result = c.open_result;
        fresh.ioctl_result = c.ioctl_result;
        EXPECT_EQ(Abre(c.port), c.open_result);
        EXPECT_EQ(fresh.log, c.log);
    }
    for (const int32_t result : {0, 1, -2, -8}) {
        Serial::reset().close_result = result;
        EXPECT_EQ(Fecha(2), result);
        EXPECT_THAT(Serial::get().log, ElementsAre("close 2"));
    }
    EXPECT_FALSE(fs::exists("RespApf.txt"));
}

}  // namespace
