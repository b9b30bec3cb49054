// SPDX-License-Identifier: MIT
// What TXRX puts on the line: the frame of each command, its checksum, and commands it must not
// send.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <ostream>
#include <string>

#include "Zarvo.h"
#include "fake_serial.h"
#include "test_support.h"

namespace {

using fake::FakeSerial;
using test_support::CountedText;
using test_support::ScratchDirectory;

std::string hex(std::string_view bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        if (!out.empty()) {
            out += ' ';
        }
        out += digits[value >> 4];
        out += digits[value & 0x0F];
    }
    return out;
}

class LineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        FakeSerial::instance().reset();
        serial().arrive(".+}");
    }
    static FakeSerial &serial() { return FakeSerial::instance(); }
    ScratchDirectory scratch_;
};

struct FrameCase {
    const char *name;
    std::string command;
    std::string frame;
};

void PrintTo(const FrameCase &c, std::ostream *os) {
    *os << c.name;
}

class FrameTest : public LineTest, public ::testing::WithParamInterface<FrameCase> {};

TEST_P(FrameTest, GoesOutInOneWrite) {
    const FrameCase &c = GetParam();
    EXPECT_EQ(TXRX(1, 10, CountedText(c.command).get()), ZARVO_WRITTEN);
    ASSERT_EQ(serial().frames.size(), 1u);
    EXPECT_EQ(hex(serial().frames[0]), hex(c.frame));
    EXPECT_EQ(serial().calls.front(),
              (fake::Call{"write", 1, static_cast<std::int32_t>(c.command.size() + 4)}));
}

const std::string k129Ff(129, '\xFF');
const std::string k258Ff(258, '\xFF');

INSTANTIATE_TEST_SUITE_P(
    Commands, FrameTest,
    ::testing::Values(FrameCase{"status", ".28", "\x1B\x2E\x32\x38\xFF\xFF\x7D"},
                      FrameCase{"summer_time_on", ".36S", "\x1B\x2E\x33\x36\x53\xAC\xFF\x7D"},
                      FrameCase{"ccf", ".5618", "\x1B\x2E\x35\x36\x31\x38\x96\xFF\x7D"},
                      FrameCase{"hash", "#", "\x1B\x23\xFF\xFF\x7D"},
                      FrameCase{"empty", "", "\x1B\xFF\xFF\x7D"},
                      // 0x41 + 0x42 = 0x83: a low byte of 0x80 or more goes out unchanged.
                      FrameCase{"low_byte_high_bit", "abcAB",
                                "\x1B"
                                "abcAB\x83\xFF\x7D"},
                      // 2 * 0xFF = 0x01FE: both bytes encoded on their own.
                      FrameCase{"high_byte_below_0x80", "abc\xFF\xFF",
                                "\x1B"
                                "abc\xFF\xFF\xFE\xFE\x7D"},
                      // 129 * 0xFF = 0x807F.
                      FrameCase{"sum_0x807F", "abc" + k129Ff,
                                "\x1B"
                                "abc" +
                                    k129Ff + "\x80\x80\x7D"},
                      // 258 * 0xFF = 0x100FE wraps to 0x00FE.
                      FrameCase{"sum_wraps", "abc" + k258Ff,
                                "\x1B"
                                "abc" +
                                    k258Ff + "\xFE\xFF\x7D"},
                      // A 0 byte is part of the command and of the sum like any other.
                      FrameCase{"zero_byte_inside", std::string(".15\0\x07", 5),
                                std::string("\x1B.15\0\x07\xF8\xFF\x7D", 9)},
                      // ESC and "}" inside the command are neither escaped nor doubled.
                      FrameCase{"esc_and_brace_inside", ".28}\x1B", "\x1B.28}\x1B\x98\xFF\x7D"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LineTest, NullCommandIsTheEmptyCommand) {
    EXPECT_EQ(TXRX(1, 10, nullptr), ZARVO_WRITTEN);
    ASSERT_EQ(serial().frames.size(), 1u);
    EXPECT_EQ(hex(serial().frames[0]), "1B FF FF 7D");
}

TEST_F(LineTest, TheCountRulesNotTheNul) {
    EXPECT_EQ(TXRX(1, 10, CountedText::with_count(2, ".28").get()), ZARVO_WRITTEN);
    ASSERT_EQ(serial().frames.size(), 1u);
    EXPECT_EQ(hex(serial().frames[0]), "1B 2E 32 FF FF 7D");
}

// Counts that cannot describe a sendable command must not make the library read past the text
// (AddressSanitizer would report it); they end like a failed write.
class UnsendableCountTest : public LineTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(UnsendableCountTest, GivesTheWriteFailureWithoutTouchingThePort) {
    EXPECT_EQ(TXRX(1, 10, CountedText::with_count(GetParam(), ".28").get()), ZARVO_WRITE_FAILED);
    EXPECT_TRUE(serial().calls.empty());
    EXPECT_EQ(test_support::read_file("RespApf.txt"), ".-0001ERRO:         98}\r\n");
}

INSTANTIATE_TEST_SUITE_P(Counts, UnsendableCountTest,
                         ::testing::Values(-1, INT32_MIN, INT32_MAX, INT32_MAX - 3));

}  // namespace
