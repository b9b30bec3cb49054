// SPDX-License-Identifier: MIT
// The offer after a printer test that found no printer: the devices the serial layer lists from a
// recorded sysfs tree, the ports file it writes, and nothing sent to any device.
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>

#include "core/serial_layer.h"
#include "core_test.h"

namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const fs::path kTree = fs::path(SYSFS_TREES) / "pc";
const Log kNoPrinter{"Abre 1", "TXRX 1 3 .28", "Fecha 1", "Abre 2", "TXRX 2 3 .28", "Fecha 2"};

class PortOffer : public CoreTest {
  protected:
    PortOffer() {
        zarvo::window::SerialLayer::setLibraryFile(API232_RECORDED_PATH);
        ::setenv("ZARVO_TEST_SYSFS_ROOT", kTree.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (scratch.path() / "config").c_str(), 1);
    }
    ~PortOffer() override {
        zarvo::window::SerialLayer::setLibraryFile("");
        ::unsetenv("ZARVO_TEST_SYSFS_ROOT");
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("API232_PORT1");
    }
    std::string portsFile() const {
        return zarvo::testing::read_file(scratch.path() / "config/zarvo/ports");
    }
    static std::string device(const char *name) { return (kTree / "dev" / name).string(); }
    std::vector<std::string> offeredItems() const {
        std::vector<std::string> items;
        for (const zarvo::window::Text &item : view.offers.at(0).items) {
            items.push_back(zarvo::window::toUtf8(item));
        }
        return items;
    }
};

// The choice is made three times: into a ports file damaged meanwhile, which stays untouched;
// overridden by API232_PORT1; then as the operator means it.
TEST_F(PortOffer, FailedTestOffersTheDevicesByNameAndTheChoiceBecomesPort1) {
    form.handle(click(Control::Command1));
    ASSERT_EQ(view.offers.size(), 1u);
    EXPECT_EQ(zarvo::window::toUtf8(view.offers[0].confirm), "Usar como porta 1");
    EXPECT_THAT(zarvo::window::toUtf8(view.offers[0].message.summary), HasSubstr("portas 1 e 2"));
    EXPECT_EQ(offeredItems(),
              (std::vector<std::string>{
                  device("ttyACM0") +
                      " — Arduino (www.arduino.cc) (2341:0043), nº de série 85736323838351F0E1A1",
                  device("ttyS0") + " — porta serial do computador",
                  device("ttyUSB0") + " — FTDI FT232R USB UART (0403:6001), nº de série "
                                      "A1B2C3D4, latência 16 ms"}));
    EXPECT_TRUE(view.notices.empty());
    EXPECT_EQ(portsFile(), "");

    fs::create_directories(scratch.path() / "config/zarvo");
    zarvo::testing::write_file(scratch.path() / "config/zarvo/ports", "1 -> /dev/ttyUSB0\n");
    view.offers[0].chosen(0);
    EXPECT_EQ(error(), "Não foi possível fazer de " + device("ttyACM0") + " a porta 1.\n" +
                           zarvo::window::toUtf8(view.errors.at(0).detail));
    EXPECT_THAT(zarvo::window::toUtf8(view.errors[0].detail), HasSubstr("linha 1"));
    EXPECT_EQ(portsFile(), "1 -> /dev/ttyUSB0\n");

    fs::remove(scratch.path() / "config/zarvo/ports");
    ::setenv("API232_PORT1", "/dev/elsewhere", 1);
    view.offers[0].chosen(0);
    EXPECT_EQ(zarvo::window::toUtf8(view.notices.at(0).detail),
              "Atenção: esta escolha não vale enquanto a variável de ambiente "
              "API232_PORT1=/dev/elsewhere estiver definida.");

    ::unsetenv("API232_PORT1");
    view.errors.clear();
    view.notices.clear();
    view.offers[0].chosen(2);
    ASSERT_EQ(error(), "");
    EXPECT_THAT(portsFile(), HasSubstr("\n1 = " +
                                       device("serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3D4-if00-"
                                              "port0") +
                                       "\n"));
    ASSERT_EQ(notice(), "A porta 1 agora é " + device("ttyUSB0") + ".");
    EXPECT_THAT(zarvo::window::toUtf8(view.notices[0].detail), HasSubstr("Testar Impressora"));
    EXPECT_EQ(fake.log(), kNoPrinter) << "the offer and the choice sent nothing";
}

TEST_F(PortOffer, DevicesThatArePorts1And2AlreadyAreNotOfferedAgain) {
    fs::create_directories(scratch.path() / "config/zarvo");
    zarvo::testing::write_file(scratch.path() / "config/zarvo/ports",
                               "1 = " + device("ttyUSB0") + "\n2 = " + device("ttyACM0") + "\n");
    form.handle(click(Control::Command1));
    ASSERT_EQ(view.offers.size(), 1u);
    EXPECT_EQ(offeredItems(),
              std::vector<std::string>{device("ttyS0") + " — porta serial do computador"});
}

TEST_F(PortOffer, NoSerialDeviceAtAllIsSaidAndAPrinterFoundOffersNothing) {
    ::setenv("ZARVO_TEST_SYSFS_ROOT", (fs::path(SYSFS_TREES) / "no-serial").c_str(), 1);
    form.handle(click(Control::Command1));
    EXPECT_TRUE(view.offers.empty());
    ASSERT_EQ(notice(), "Impressora não Conectada: nenhuma porta serial encontrada.");
    EXPECT_THAT(zarvo::window::toUtf8(view.notices[0].detail), HasSubstr("cabo e o adaptador"));

    view.notices.clear();
    ::setenv("ZARVO_TEST_SYSFS_ROOT", kTree.c_str(), 1);
    fake.pushReply(".+" + std::string(130, '0'));  // the probe on port 1 is accepted
    form.handle(click(Control::Command1));
    EXPECT_TRUE(view.offers.empty());
    EXPECT_TRUE(view.notices.empty());

    zarvo::window::SerialLayer::setLibraryFile("/nonexistent/libAPI232.so.1");
    // No serial layer: no offer, no error.
    form.handle(click(Control::Command1));
    EXPECT_TRUE(view.offers.empty());
    EXPECT_TRUE(view.errors.empty());
}

}  // namespace
