// SPDX-License-Identifier: MIT
// The devices present (the listing of recorded sysfs trees, then sio_list, sio_describe and the
// latency calls over one) and the ports file: sio_open honours it below API232_PORT<n>, sio_assign
// edits it without losing lines and says when the variable still decides, damage gives clear
// failures.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "API232.h"
#include "device_list_linux.h"
#include "pseudo_terminal.h"
#include "scratch_directory.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using zarvo::serial::ListedDevice;

const fs::path kTrees = SYSFS_TREES;

std::string error_text() {
    char text[512];
    sio_error_text(text, sizeof text);
    return text;
}

std::vector<sio_device> listed() {
    std::vector<sio_device> devices(static_cast<std::size_t>(std::max(sio_list(nullptr, 0), 0)));
    const int32_t count = sio_list(devices.data(), static_cast<int32_t>(devices.size()));
    EXPECT_EQ(count, static_cast<int32_t>(devices.size()));
    return devices;
}

std::string tree(const std::string &name) {
    return (kTrees / "pc" / name).string();
}

/// The device of @p devices named @p name (the test fails when there is none).
ListedDevice named(const std::vector<ListedDevice> &devices, const std::string &name) {
    for (const ListedDevice &device : devices) {
        if (device.device == name) {
            return device;
        }
    }
    ADD_FAILURE() << name << " is not listed";
    return {};
}

TEST(SysfsListing, AdaptersAndTheUartButNoPlaceholderOrConsole) {
    std::vector<ListedDevice> devices;
    std::string why;
    ASSERT_TRUE(zarvo::serial::sysfs_devices(kTrees / "pc", devices, why)) << why;
    ASSERT_EQ(devices.size(), 3u);

    const ListedDevice acm = named(devices, tree("dev/ttyACM0"));
    EXPECT_EQ(acm.kind, SIO_KIND_USB);
    EXPECT_EQ(acm.vendor_id, 0x2341);
    EXPECT_EQ(acm.product_id, 0x0043);
    EXPECT_EQ(acm.product, "");  // the board gives none: the maker describes it
    EXPECT_EQ(acm.description, "Arduino (www.arduino.cc)");
    EXPECT_EQ(acm.serial_number, "85736323838351F0E1A1");
    EXPECT_EQ(acm.latency_ms, -1);  // cdc_acm has no latency timer

    const ListedDevice uart = named(devices, tree("dev/ttyS0"));
    EXPECT_EQ(uart.kind, SIO_KIND_UART);
    EXPECT_EQ(uart.vendor_id, -1);
    EXPECT_EQ(uart.stable_name, "");

    const ListedDevice ftdi = named(devices, tree("dev/ttyUSB0"));
    EXPECT_EQ(ftdi.kind, SIO_KIND_USB);
    EXPECT_EQ(ftdi.vendor_id, 0x0403);  // the adapter's ids, not its hub's
    EXPECT_EQ(ftdi.product_id, 0x6001);
    EXPECT_EQ(ftdi.manufacturer, "FTDI");
    EXPECT_EQ(ftdi.product, "FT232R USB UART");
    EXPECT_EQ(ftdi.serial_number, "A1B2C3D4");
    EXPECT_EQ(ftdi.latency_ms, 16);
    EXPECT_EQ(ftdi.stable_name,
              tree("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0"));
}

TEST(SysfsListing, ATreeOfPlaceholdersIsEmptyAndAMissingOneCannotBeListed) {
    std::vector<ListedDevice> devices;
    std::string why;
    EXPECT_TRUE(zarvo::serial::sysfs_devices(kTrees / "no-serial", devices, why)) << why;
    EXPECT_TRUE(devices.empty()) << "only a placeholder and a console are there";

    zarvo::testing::ScratchDirectory scratch;
    EXPECT_FALSE(zarvo::serial::sysfs_devices(scratch.path() / "nothing", devices, why));
    EXPECT_THAT(why, HasSubstr((scratch.path() / "nothing/sys/class/tty").string()));
}

class PortsFile : public ::testing::Test {
  protected:
    PortsFile() {
        ::setenv("XDG_CONFIG_HOME", (scratch.path() / "config").c_str(), 1);
        ::setenv("ZARVO_TEST_SYSFS_ROOT", (kTrees / "pc").c_str(), 1);
    }
    ~PortsFile() override {
        for (int32_t port = 1; port <= 4; ++port) {
            sio_close(port);
        }
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("ZARVO_TEST_SYSFS_ROOT");
        ::unsetenv("API232_PORT2");
        ::unsetenv("API232_PORT3");
    }
    fs::path file() const { return scratch.path() / "config/zarvo/ports"; }
    void write(const std::string &text) const {
        fs::create_directories(file().parent_path());
        zarvo::testing::write_file(file(), text);
    }

    zarvo::testing::ScratchDirectory scratch;
};

TEST_F(PortsFile, ListCallsFillOnlyTheRoomGiven) {
    EXPECT_EQ(sio_list(nullptr, 0), 3);
    sio_device two[2] = {};
    two[1].kind = 77;
    EXPECT_EQ(sio_list(two, 1), 3);
    EXPECT_EQ(two[0].kind, SIO_KIND_USB);
    EXPECT_EQ(two[1].kind, 77);
    EXPECT_EQ(sio_list(nullptr, 1), SIO_BAD_PARAM);
    EXPECT_EQ(sio_list(two, -1), SIO_BAD_PARAM);
    for (const sio_device &d : listed()) {
        EXPECT_EQ(d.port, 0) << d.device << ": no variable or ports file names it";
    }

    ::setenv("ZARVO_TEST_SYSFS_ROOT", (scratch.path() / "nothing").c_str(), 1);
    EXPECT_EQ(sio_list(two, 2), SIO_CANNOT_LIST);
    EXPECT_THAT(error_text(),
                HasSubstr("não foi possível listar os dispositivos seriais: não foi possível ler"));
}

// The line is composed from the record the caller holds; only the latency is read again.
TEST_F(PortsFile, EachDeviceHasOneLineAndAnAdapterItsLatency) {
    const auto line = [](const sio_device &device) {
        char text[512];
        const int32_t length = sio_describe(&device, text, sizeof text);
        EXPECT_EQ(length, static_cast<int32_t>(std::strlen(text)));
        return std::string(text);
    };
    const std::vector<sio_device> devices = listed();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(line(devices[0]), tree("dev/ttyACM0") +
                                    " — Arduino (www.arduino.cc) (2341:0043), nº de série "
                                    "85736323838351F0E1A1");
    EXPECT_EQ(line(devices[1]), tree("dev/ttyS0") + " — porta serial do computador");
    EXPECT_EQ(line(devices[2]), tree("dev/ttyUSB0") +
                                    " — FTDI FT232R USB UART (0403:6001), nº de série A1B2C3D4, "
                                    "latência 16 ms");

    // Cut to fit without splitting "—" (three bytes after the name), the whole length told.
    const std::size_t name = tree("dev/ttyS0").size();
    std::vector<char> small(name + 3);
    EXPECT_EQ(sio_describe(&devices[1], small.data(), static_cast<int32_t>(small.size())),
              static_cast<int32_t>(line(devices[1]).size()));
    EXPECT_EQ(std::string(small.data()), tree("dev/ttyS0") + " ");
    EXPECT_EQ(sio_describe(nullptr, small.data(), 4), SIO_BAD_PARAM);
    EXPECT_EQ(sio_describe(&devices[1], nullptr, 4), SIO_BAD_PARAM);

    // By its name or its stable name; Linux keeps no latency of its own (each open asks for 1 ms).
    EXPECT_EQ(sio_latency(tree("dev/ttyUSB0").c_str()), 16);
    EXPECT_EQ(sio_latency(devices[2].stable_name), 16);
    EXPECT_EQ(sio_set_latency(tree("dev/ttyUSB0").c_str(), 1), SIO_NOT_SUPPORTED);
    EXPECT_THAT(error_text(), HasSubstr("1 ms"));
    EXPECT_EQ(sio_set_latency(tree("dev/ttyUSB0").c_str(), 256), SIO_BAD_PARAM);
    EXPECT_EQ(sio_latency(tree("dev/ttyACM0").c_str()), SIO_NOT_SUPPORTED);
    EXPECT_THAT(error_text(), HasSubstr("não tem temporizador de latência"));
    EXPECT_EQ(sio_latency("/dev/ttyUSB7"), SIO_NO_DEVICE);
    EXPECT_THAT(error_text(), HasSubstr("/dev/ttyUSB7"));
    EXPECT_EQ(sio_latency(nullptr), SIO_BAD_PARAM);
}

TEST_F(PortsFile, AssignRecordsTheStableNameAndTheListShowsThePort) {
    write("# kept\n2 = /dev/somewhere-else\n\n");
    ASSERT_EQ(sio_assign(1, tree("dev/ttyUSB0").c_str()), SIO_OK) << error_text();
    ::setenv("API232_PORT3", tree("dev/ttyACM0").c_str(), 1);
    EXPECT_EQ(zarvo::testing::read_file(file()),
              "# kept\n2 = /dev/somewhere-else\n\n1 = " +
                  tree("dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-port0") + "\n");
    const std::vector<sio_device> devices = listed();
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(devices[2].port, 1);  // by the ports file
    EXPECT_EQ(devices[0].port, 3);  // by the environment
    EXPECT_EQ(devices[1].port, 0);

    // A second assignment of port 1 takes the place of the first; removing it keeps the rest.
    ASSERT_EQ(sio_assign(1, tree("dev/ttyS0").c_str()), SIO_OK);
    EXPECT_EQ(zarvo::testing::read_file(file()),
              "# kept\n2 = /dev/somewhere-else\n\n1 = " + tree("dev/ttyS0") + "\n");
    ASSERT_EQ(sio_assign(1, nullptr), SIO_OK);
    EXPECT_EQ(zarvo::testing::read_file(file()), "# kept\n2 = /dev/somewhere-else\n\n");
}

TEST_F(PortsFile, AssignRefusesWhatItCannotRecordFaithfully) {
    EXPECT_EQ(sio_assign(0, "/dev/null"), SIO_BADPORT);
    EXPECT_EQ(sio_assign(256, "/dev/null"), SIO_BADPORT);
    EXPECT_EQ(sio_assign(1, "/dev/null\n2 = /dev/tty"), SIO_BAD_PARAM);
    EXPECT_EQ(sio_assign(1, " /dev/null"), SIO_BAD_PARAM);
    EXPECT_EQ(sio_assign(1, "/dev/no-such-adapter"), SIO_NO_DEVICE);
    EXPECT_THAT(error_text(), HasSubstr("/dev/no-such-adapter"));
    EXPECT_EQ(sio_assign(4, nullptr), SIO_OK);  // nothing to remove: no file is made
    EXPECT_FALSE(fs::exists(file()));

    // The first assignment makes the folder and the file.
    ASSERT_EQ(sio_assign(4, "/dev/null"), SIO_OK) << error_text();
    EXPECT_THAT(zarvo::testing::read_file(file()), ::testing::EndsWith("\n4 = /dev/null\n"));
    fs::remove_all(scratch.path() / "config");

    // The folder cannot be made: a file has its name.
    zarvo::testing::write_file(scratch.path() / "config", "");
    EXPECT_EQ(sio_assign(1, "/dev/null"), SIO_CANNOT_SAVE);
    EXPECT_THAT(error_text(), HasSubstr((scratch.path() / "config").string()));
}

// The file changes as asked, and the caller hears that API232_PORT2 still decides port 2.
TEST_F(PortsFile, AssignUnderAnEnvironmentVariableSavesAndNamesTheVariable) {
    ::setenv("API232_PORT2", "/dev/ttyUSB3", 1);
    EXPECT_EQ(sio_assign(2, "/dev/null"), SIO_OVERRIDDEN);
    EXPECT_EQ(error_text(), "API232_PORT2=/dev/ttyUSB3");
    EXPECT_THAT(zarvo::testing::read_file(file()), ::testing::EndsWith("\n2 = /dev/null\n"));
    EXPECT_EQ(sio_assign(2, nullptr), SIO_OVERRIDDEN);  // removed, and still the variable's
    EXPECT_THAT(zarvo::testing::read_file(file()), ::testing::Not(HasSubstr("2 =")));

    ::setenv("API232_PORT2", "", 1);  // an empty variable names nothing
    EXPECT_EQ(sio_assign(2, "/dev/null"), SIO_OK);
}

TEST_F(PortsFile, OpenTakesTheAssignedDeviceUnlessTheEnvironmentNamesOne) {
    zarvo::testing::PseudoTerminal assigned(4);  // named by API232_PORT4 only while it lives
    zarvo::testing::PseudoTerminal named(3);
    SKIP_WITHOUT_PTY(assigned);
    SKIP_WITHOUT_PTY(named);
    ::unsetenv("API232_PORT4");
    write("4 = " + assigned.path() + "\n3 = " + assigned.path() + "\n");

    ASSERT_EQ(sio_open(4), SIO_OK) << error_text();
    EXPECT_EQ(sio_write(4, "to 4", 4), 4);
    EXPECT_EQ(assigned.receive(4), "to 4");
    ASSERT_EQ(sio_close(4), SIO_OK);

    ASSERT_EQ(sio_open(3), SIO_OK);  // API232_PORT3 wins over the file
    EXPECT_EQ(sio_write(3, "to 3", 4), 4);
    EXPECT_EQ(named.receive(4), "to 3");
}

TEST_F(PortsFile, DamagedOrStaleFileFailsTheOpenWithoutGuessingADevice) {
    zarvo::testing::PseudoTerminal named(3);
    SKIP_WITHOUT_PTY(named);
    struct Case {
        const char *text;
        const char *explained;
    };
    for (const Case &c :
         {Case{"1 = /dev/null\nport two = /dev/ttyS1\n", "linha 2"},
          Case{"1 /dev/ttyS0\n", "falta \"=\""}, Case{"300 = /dev/ttyS0\n", "300"},
          Case{"1 =\n", "falta o dispositivo"}, Case{"1 = /dev/a\n1 = /dev/b\n", "duas vezes"}}) {
        SCOPED_TRACE(c.text);
        write(c.text);
        EXPECT_EQ(sio_open(1), SIO_BAD_PORTS_FILE);
        EXPECT_THAT(error_text(), HasSubstr(file().string()));
        EXPECT_THAT(error_text(), HasSubstr(c.explained));
        // Editing would drop or keep the damage unseen: the file is left as the user wrote it.
        EXPECT_EQ(sio_assign(2, "/dev/null"), SIO_BAD_PORTS_FILE);
        EXPECT_EQ(zarvo::testing::read_file(file()), c.text);
        EXPECT_EQ(listed()[0].port, -1);
        EXPECT_THAT(error_text(), HasSubstr(c.explained));
    }
    EXPECT_EQ(sio_open(3), SIO_OK) << "API232_PORT3 does not depend on the file";

    write("1 = " + (scratch.path() / "unplugged").string() + "\n");
    EXPECT_EQ(sio_open(1), SIO_ASSIGNED_GONE);
    EXPECT_THAT(error_text(), HasSubstr(file().string()));
    EXPECT_THAT(error_text(), HasSubstr("unplugged"));
}

}  // namespace
