// SPDX-License-Identifier: MIT
// RX: the counted text it hands back, what it leaves alone, and callers written in C.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "Zarvo.h"
#include "fake_serial.h"
#include "test_support.h"

extern "C" {
int32_t c_caller_send(int32_t port, int32_t timeout_s, const char *chars, int32_t count);
int32_t c_caller_receive(int32_t port, int32_t timeout_s, char *out, int32_t size);
}

namespace {

using fake::FakeSerial;
using test_support::CountedText;
using test_support::read_file;
using test_support::ScratchDirectory;
using test_support::write_file;

class RxTest : public ::testing::Test {
  protected:
    void SetUp() override { serial().reset(); }
    static FakeSerial &serial() { return FakeSerial::instance(); }
    ScratchDirectory scratch_;
};

// The block as the caller finds it: the count, the characters, the NUL.
std::string block_of(const char *text) {
    std::uint32_t count = 0;
    for (int i = 0; i < 4; ++i) {
        count |= std::uint32_t{static_cast<unsigned char>(text[i - 4])} << (8 * i);
    }
    EXPECT_EQ(text[count], '\0') << "no NUL after the counted characters";
    return std::string(text, count);
}

TEST_F(RxTest, HandsBackTheReplyAsACountedText) {
    serial().arrive(std::string_view(".+\0a\xE7}rest", 10));
    char previous[] = "the caller's own text";
    char *reply = previous;
    RX(&reply, 4, 10);
    ASSERT_NE(reply, previous);
    EXPECT_EQ(block_of(reply), ".+a\xE7}");
    EXPECT_EQ(serial().unread(), 4u);
    EXPECT_EQ(serial().count("write"), 0);
    // The earlier text is the caller's: still intact (a free() of it would trip the sanitizer).
    EXPECT_STREQ(previous, "the caller's own text");
    std::free(reply - 4);
}

TEST_F(RxTest, TimeoutGivesThe99Reply) {
    char *reply = nullptr;
    RX(&reply, 1, -1);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(block_of(reply), ".-0001ERRO:         99}");
    std::free(reply - 4);
}

TEST_F(RxTest, LeavesRespApfAlone) {
    write_file("RespApf.txt", "from the last TXRX\r\n");
    serial().arrive(".+}");
    char *reply = nullptr;
    RX(&reply, 1, 10);
    std::free(reply - 4);
    EXPECT_EQ(read_file("RespApf.txt"), "from the last TXRX\r\n");
}

TEST_F(RxTest, NullVariableDoesNothing) {
    serial().arrive(".+}");
    RX(nullptr, 1, 10);
    EXPECT_TRUE(serial().calls.empty());
    EXPECT_FALSE(std::filesystem::exists("RespApf.txt"));
}

TEST_F(RxTest, AnExceptionBecomesTheTimeoutReply) {
    serial().arrive(".+}");
    serial().throw_from = "getch";
    char *reply = nullptr;
    RX(&reply, 1, 10);
    ASSERT_NE(reply, nullptr);
    EXPECT_EQ(block_of(reply), ".-0001ERRO:         99}");
    std::free(reply - 4);

    serial().throw_from = "getch";
    EXPECT_EQ(TXRX(1, 10, CountedText(".28").get()), ZARVO_WRITTEN);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         99}\r\n");

    serial().throw_from = "write";
    EXPECT_EQ(TXRX(1, 10, CountedText(".28").get()), ZARVO_WRITE_FAILED);
    EXPECT_EQ(read_file("RespApf.txt"), ".-0001ERRO:         98}\r\n");
}

// c_caller.c is compiled as C against Zarvo.h: it builds its own counted text and frees RX's.
TEST_F(RxTest, CallersInC) {
    serial().arrive(".+}.+C}");
    EXPECT_EQ(c_caller_send(1, 10, ".36S", 4), ZARVO_WRITTEN);
    ASSERT_EQ(serial().frames.size(), 1u);
    EXPECT_EQ(serial().frames[0], "\x1B.36S\xAC\xFF}");
    char out[16] = {};
    EXPECT_EQ(c_caller_receive(1, 10, out, sizeof out), 4);
    EXPECT_STREQ(out, ".+C}");
}

}  // namespace
