// SPDX-License-Identifier: MIT
// RespApf.txt after each kind of exchange, and the -2 result when it cannot be written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <ostream>
#include <string>

#include "Zarvo.h"
#include "fake_serial.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using fake::FakeSerial;
using test_support::CountedText;
using test_support::read_file;
using test_support::ScratchDirectory;
using test_support::write_file;
using ::testing::HasSubstr;

constexpr char kFile[] = "RespApf.txt";

// Collects what is written to stderr through a pipe (a capture file would fall under the file size
// limit that one case sets).
class StderrCapture {
  public:
    StderrCapture() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        if (::pipe(pipe_) == 0) {
            ::dup2(pipe_[1], STDERR_FILENO);
            ::close(pipe_[1]);
        }
    }
    ~StderrCapture() { finish(); }
    std::string finish() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
            char buffer[4096];
            ssize_t n;
            while ((n = ::read(pipe_[0], buffer, sizeof buffer)) > 0) {
                text_.append(buffer, static_cast<std::size_t>(n));
            }
            ::close(pipe_[0]);
        }
        return text_;
    }

  private:
    int saved_ = -1;
    int pipe_[2] = {-1, -1};
    std::string text_;
};

class ReplyFileTest : public ::testing::Test {
  protected:
    void SetUp() override { FakeSerial::instance().reset(); }
    static FakeSerial &serial() { return FakeSerial::instance(); }
    ScratchDirectory scratch_;
};

struct RecordCase {
    const char *name;
    std::string port_input;
    std::int32_t timeout_s;
    std::optional<std::int32_t> write_result;
    std::int32_t result;
    std::string file;
};

void PrintTo(const RecordCase &c, std::ostream *os) {
    *os << c.name;
}

class RecordTest : public ReplyFileTest, public ::testing::WithParamInterface<RecordCase> {};

TEST_P(RecordTest, FileHoldsTheOutcomeAndCrLf) {
    const RecordCase &c = GetParam();
    // A longer reply from an earlier exchange must not shine through.
    write_file(kFile, std::string(200, 'x') + "\r\n");
    serial().arrive(c.port_input);
    serial().write_result = c.write_result;
    EXPECT_EQ(TXRX(1, c.timeout_s, CountedText(".28").get()), c.result);
    EXPECT_EQ(read_file(kFile), c.file);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, RecordTest,
    ::testing::Values(
        RecordCase{"reply", ".+0001}", 10, {}, ZARVO_WRITTEN, ".+0001}\r\n"},
        RecordCase{
            "reply_with_line_breaks", ".+a\r\nb\nc}", 10, {}, ZARVO_WRITTEN, ".+a\r\nb\nc}\r\n"},
        RecordCase{"reply_with_latin1", ".+\xC9\xFF}", 10, {}, ZARVO_WRITTEN, ".+\xC9\xFF}\r\n"},
        RecordCase{"timeout", ".+12", -1, {}, ZARVO_WRITTEN, ".-0001ERRO:         99}\r\n"},
        RecordCase{"write_failed", ".+}", 10, -8, ZARVO_WRITE_FAILED,
                   ".-0001ERRO:         98}\r\n"},
        RecordCase{"positive_write_result", ".+}", 10, 1, ZARVO_WRITTEN, ".+}\r\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReplyFileTest, TimeoutRecordIs25Bytes) {
    EXPECT_EQ(TXRX(1, -1, CountedText(".13").get()), ZARVO_WRITTEN);
    EXPECT_EQ(fs::file_size(kFile), 25u);
}

TEST_F(ReplyFileTest, FailedWriteReadsNothing) {
    serial().write_result = -8;
    serial().arrive(".+}");
    EXPECT_EQ(TXRX(1, 10, CountedText(".28").get()), ZARVO_WRITE_FAILED);
    EXPECT_THAT(serial().call_names(), ::testing::ElementsAre("write"));
    EXPECT_EQ(serial().unread(), 3u);
}

TEST_F(ReplyFileTest, NewFileIsReadableByOthers) {
    const mode_t old_mask = ::umask(022);
    serial().arrive("}");
    EXPECT_EQ(TXRX(1, 10, CountedText(".28").get()), ZARVO_WRITTEN);
    ::umask(old_mask);
    EXPECT_EQ(fs::status(kFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

// Each way RespApf.txt can fail. Root ignores permissions, so the failures are made with things
// that stop root too: a directory or a FIFO in the file's place, a planted link, a file size limit.
struct FailureCase {
    const char *name;
    std::function<void()> plant;
    std::function<void()> check_after;
    int error;  ///< The errno whose text the message must carry; 0 to skip that check.
};

void PrintTo(const FailureCase &c, std::ostream *os) {
    *os << c.name;
}

class FailureTest : public ReplyFileTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, GivesMinusTwoAndLeavesNoStaleReply) {
    const FailureCase &c = GetParam();
    c.plant();
    serial().arrive(".+0001}");
    StderrCapture capture;
    const std::int32_t result = TXRX(1, 10, CountedText(".28").get());
    const std::string message = capture.finish();
    EXPECT_EQ(result, ZARVO_LOG_FAILED);
    EXPECT_THAT(message, HasSubstr(kFile));
    EXPECT_THAT(message, HasSubstr(scratch_.path().string()));
    if (c.error != 0) {
        EXPECT_THAT(message, HasSubstr(std::strerror(c.error)));
    }
    const fs::file_status status = fs::symlink_status(kFile);
    EXPECT_FALSE(fs::is_regular_file(status) || fs::is_symlink(status))
        << "a RespApf.txt that could be read as the current reply survived";
    c.check_after();
}

// Lowers the file size limit while TXRX writes, so the write itself fails after a short write.
// The test body only uses EXPECT, so restore_file_size always runs.
struct rlimit saved_file_size {};

void limit_file_size() {
    write_file(kFile, "an earlier, longer reply that must not survive}\r\n");
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved_file_size), 0);
    struct rlimit limit = saved_file_size;
    limit.rlim_cur = 5;
    std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
}

void restore_file_size() {
    ::setrlimit(RLIMIT_FSIZE, &saved_file_size);
    std::signal(SIGXFSZ, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailureTest,
    ::testing::Values(
        FailureCase{"directory_in_place", [] { fs::create_directory(kFile); },
                    [] { EXPECT_TRUE(fs::is_directory(kFile)); }, EISDIR},
        FailureCase{"planted_link",
                    [] {
                        write_file("target.txt", "not the library's");
                        fs::create_symlink("target.txt", kFile);
                    },
                    [] { EXPECT_EQ(read_file("target.txt"), "not the library's"); }, ELOOP},
        FailureCase{"dangling_link", [] { fs::create_symlink("elsewhere/none.txt", kFile); },
                    [] { EXPECT_FALSE(fs::exists("elsewhere")); }, ELOOP},
        FailureCase{"fifo_without_reader", [] { ASSERT_EQ(::mkfifo(kFile, 0644), 0); },
                    [] { EXPECT_TRUE(fs::is_fifo(kFile)); }, ENXIO},
        FailureCase{"write_fails", limit_file_size, restore_file_size, EFBIG}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(ReplyFileTest, MinusTwoAlsoWhenTheFrameWasNotWritten) {
    fs::create_directory(kFile);
    serial().write_result = -8;
    StderrCapture capture;
    EXPECT_EQ(TXRX(1, 10, CountedText(".28").get()), ZARVO_LOG_FAILED);
    EXPECT_THAT(capture.finish(), HasSubstr(kFile));
}

TEST_F(ReplyFileTest, PortCallsLeaveTheFileAlone) {
    EXPECT_GE(Abre(1), 0);
    EXPECT_GE(Fecha(1), 0);
    EXPECT_FALSE(fs::exists(kFile));
}

}  // namespace
