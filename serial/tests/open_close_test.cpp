// SPDX-License-Identifier: MIT
// Opening and closing ports: port numbers, device errors, exclusive use, argument checks.
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <climits>
#include <filesystem>

#include <gtest/gtest.h>

#include "API232.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

extern "C" int api232_c_header_probe(void);

namespace {

namespace fs = std::filesystem;

class SerialPorts : public ::testing::Test {
  protected:
    void TearDown() override {
        for (std::int32_t port = 1; port <= 255; ++port) {
            sio_close(port);
            ::unsetenv(("API232_PORT" + std::to_string(port)).c_str());
        }
    }
    static void name_port(std::int32_t port, const std::string &device) {
        ::setenv(("API232_PORT" + std::to_string(port)).c_str(), device.c_str(), 1);
    }
    zarvo::testing::ScratchDirectory scratch_;
    const fs::path dir_ = scratch_.path();
};

// Ports outside 1 to 255 and ports not open: every call tells which, before and after a close.
TEST_F(SerialPorts, CallsOutOfOrderAndBadArgumentsGetTheirOwnCodes) {
    const auto every_call = [](std::int32_t port, std::int32_t code) {
        SCOPED_TRACE(port);
        EXPECT_EQ(sio_ioctl(port, SIO_B9600, SIO_8N1), code);
        EXPECT_EQ(sio_write(port, "x", 1), code);
        EXPECT_EQ(sio_getch(port), code);
        EXPECT_EQ(sio_wait(port, 0), code);
        EXPECT_EQ(sio_close(port), code);
    };
    for (const std::int32_t port : {0, 256, -1, INT32_MIN, INT32_MAX}) {
        EXPECT_EQ(sio_open(port), SIO_BADPORT) << port;
        every_call(port, SIO_BADPORT);
    }
    EXPECT_EQ(api232_c_header_probe(), SIO_BADPORT);  // the header also serves C callers

    zarvo::testing::PseudoTerminal pty(255);
    SKIP_WITHOUT_PTY(pty);
    for (int round = 0; round < 2; ++round) {  // before the first open and after a close
        every_call(255, SIO_NOT_OPEN);
        ASSERT_EQ(sio_open(255), SIO_OK);
        EXPECT_EQ(sio_open(255), SIO_ALREADY_OPEN);
        for (const auto &[speed, format] : {std::pair{11, 3}, {13, 3}, {0, 3}, {12, 2}, {12, 4}}) {
            EXPECT_EQ(sio_ioctl(255, speed, format), SIO_BAD_PARAM) << speed << "/" << format;
        }
        EXPECT_EQ(sio_ioctl(255, SIO_B9600, SIO_8N1), SIO_OK);
        EXPECT_EQ(sio_write(255, nullptr, 1), SIO_BAD_PARAM);
        EXPECT_EQ(sio_write(255, "x", -1), SIO_BAD_PARAM);
        EXPECT_EQ(sio_write(255, "x", 0), 0);
        EXPECT_EQ(sio_close(255), SIO_OK);
    }
}

TEST_F(SerialPorts, DevicesThatCannotServeAsAPort) {
    zarvo::testing::write_file(dir_ / "plain-file", "not a line");
    for (const auto &[device, expected] :
         {std::pair{dir_ / "missing", SIO_NO_DEVICE}, {dir_ / "plain-file", SIO_OPEN_FAIL}}) {
        name_port(7, device);
        EXPECT_EQ(sio_open(7), expected) << device;
        EXPECT_EQ(sio_close(7), SIO_NOT_OPEN) << "a failed open left the port open";
    }
    // Without a name, or with an empty one, port n is /dev/ttyS<n-1>.
    if (fs::exists("/dev/ttyS199")) {
        GTEST_SKIP() << "/dev/ttyS199 exists here";
    }
    EXPECT_EQ(sio_open(200), SIO_NO_DEVICE);
    name_port(200, "");
    EXPECT_EQ(sio_open(200), SIO_NO_DEVICE);
}

TEST_F(SerialPorts, DeviceWithoutPermission) {
    zarvo::testing::PseudoTerminal pty(3);
    SKIP_WITHOUT_PTY(pty);
    ASSERT_EQ(::chmod(pty.path().c_str(), ::geteuid() == 0 ? 0600 : 0), 0);
    if (::geteuid() != 0) {
        EXPECT_EQ(sio_open(3), SIO_NO_PERMISSION);
        return;
    }
    // Root opens anything: try as an unprivileged user in a child process.
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped =
            ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? -sio_open(3) : 100);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(-WEXITSTATUS(status), SIO_NO_PERMISSION);
}

TEST_F(SerialPorts, OneDeviceServesOnePortAtATimeInAnyProcess) {
    zarvo::testing::PseudoTerminal pty(1);
    SKIP_WITHOUT_PTY(pty);
    fs::create_symlink(pty.path(), dir_ / "link");
    name_port(2, pty.path());
    name_port(3, dir_ / "link");
    ASSERT_EQ(sio_open(1), SIO_OK);
    EXPECT_EQ(sio_open(2), SIO_BUSY);
    EXPECT_EQ(sio_open(3), SIO_BUSY);
    EXPECT_EQ(sio_close(2), SIO_NOT_OPEN) << "a busy open left the port open";
    ASSERT_EQ(sio_close(1), SIO_OK);

    // Another process holds the device until told to let go.
    int opened[2], release[2];
    ASSERT_EQ(::pipe(opened), 0);
    ASSERT_EQ(::pipe(release), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const char result = char(sio_open(2));
        char go = 0;
        const bool ok = ::write(opened[1], &result, 1) == 1 && ::read(release[0], &go, 1) == 1;
        ::_exit(ok && sio_close(2) == SIO_OK ? 0 : 1);
    }
    char child_result = 1;
    ASSERT_EQ(::read(opened[0], &child_result, 1), 1);
    ASSERT_EQ(child_result, SIO_OK);
    EXPECT_EQ(sio_open(1), SIO_BUSY);
    ASSERT_EQ(::write(release[1], "x", 1), 1);
    ASSERT_EQ(::waitpid(child, nullptr, 0), child);
    EXPECT_EQ(sio_open(1), SIO_OK) << "the device stayed taken after the other process let go";
    for (const int fd : {opened[0], opened[1], release[0], release[1]}) {
        ::close(fd);
    }
}

}  // namespace
