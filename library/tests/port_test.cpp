// SPDX-License-Identifier: MIT
// Abre and Fecha: the serial layer's results passed through, the line set only on a port that
// opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <new>
#include <vector>

#include "Zarvo.h"
#include "fake_serial.h"

namespace {

using fake::Call;
using fake::FakeSerial;

FakeSerial &serial() {
    return FakeSerial::instance();
}

struct OpenCase {
    const char *name;
    std::int32_t port;
    std::int32_t open_result;
    std::int32_t ioctl_result;
    std::vector<Call> calls;
};

void PrintTo(const OpenCase &c, std::ostream *os) {
    *os << c.name;
}

class AbreTest : public ::testing::TestWithParam<OpenCase> {
  protected:
    void SetUp() override { serial().reset(); }
};

TEST_P(AbreTest, ReturnsTheOpenResultUnchanged) {
    const OpenCase &c = GetParam();
    serial().open_result = c.open_result;
    serial().ioctl_result = c.ioctl_result;
    EXPECT_EQ(Abre(c.port), c.open_result);
    EXPECT_EQ(serial().calls, c.calls);
}

INSTANTIATE_TEST_SUITE_P(
    Results, AbreTest,
    ::testing::Values(
        OpenCase{"opens", 1, 0, 0, {{"open", 1}, {"ioctl", 1, 12, 3}}},
        OpenCase{"positive_is_success", 2, 7, 0, {{"open", 2}, {"ioctl", 2, 12, 3}}},
        OpenCase{"line_setting_fails_silently", 1, 0, -7, {{"open", 1}, {"ioctl", 1, 12, 3}}},
        OpenCase{"open_fails", 2, -4, 0, {{"open", 2}}},
        OpenCase{"port_zero_passed_through", 0, -1, 0, {{"open", 0}}},
        OpenCase{"negative_port_passed_through", -5, -1, 0, {{"open", -5}}}),
    [](const auto &info) { return std::string(info.param.name); });

class FechaTest : public ::testing::TestWithParam<std::int32_t> {};

TEST_P(FechaTest, ReturnsTheCloseResultUnchanged) {
    serial().reset();
    serial().close_result = GetParam();
    EXPECT_EQ(Fecha(2), GetParam());
    EXPECT_EQ(serial().calls, (std::vector<Call>{{"close", 2}}));
}

INSTANTIATE_TEST_SUITE_P(Results, FechaTest, ::testing::Values(0, 1, -2, -8));

// A serial layer written in C++ might throw through its C functions; the exports must still
// answer with their documented results.
TEST(ExceptionWall, NothingCrossesTheCAbi) {
    serial().reset();
    serial().throw_from = "open";
    EXPECT_EQ(Abre(1), -9);  // SIO_OPEN_FAIL
    serial().throw_from = "ioctl";
    EXPECT_EQ(Abre(1), 0);
    serial().throw_from = "close";
    EXPECT_EQ(Fecha(1), -8);  // SIO_IO_ERROR
}

}  // namespace
