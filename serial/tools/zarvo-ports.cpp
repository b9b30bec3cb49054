// SPDX-License-Identifier: MIT
// zarvo-ports: lists the serial devices present with the port number each one is, and assigns or
// removes port numbers in the user's ports file. Uses only the serial layer's C ABI; it never
// opens a device.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "API232.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string last_error() {
    std::vector<char> text(static_cast<std::size_t>(sio_error_text(nullptr, 0)) + 1);
    sio_error_text(text.data(), static_cast<int32_t>(text.size()));
    return text.data();
}

int fail(const std::string &what) {
    std::fprintf(stderr, "zarvo-ports: %s: %s\n", what.c_str(), last_error().c_str());
    return 1;
}

/// After a change to the ports file that an environment variable overrides (SIO_OVERRIDDEN).
void tell_overridden(int port) {
    std::fprintf(stderr, "zarvo-ports: but %s is set: port %d opens that device while it is set.\n",
                 last_error().c_str(), port);
}

std::string details(const sio_device &d) {
    std::string text = d.kind == SIO_KIND_USB    ? "USB"
                       : d.kind == SIO_KIND_UART ? "UART of this computer"
                                                 : "other";
    if (d.vendor_id >= 0 && d.product_id >= 0) {
        char ids[32];
        std::snprintf(ids, sizeof ids, " %04x:%04x", static_cast<unsigned>(d.vendor_id),
                      static_cast<unsigned>(d.product_id));
        text += ids;
    }
    if (d.kind != SIO_KIND_UART && d.description[0] != '\0') {
        text += std::string(", ") + d.description;
    }
    if (d.serial_number[0] != '\0') {
        text += std::string(", serial number ") + d.serial_number;
    }
    return text;
}

int list() {
    std::vector<sio_device> devices;
    int32_t count = sio_list(nullptr, 0);
    // A device plugged in between the two calls only needs one more round.
    while (count > static_cast<int32_t>(devices.size())) {
        devices.resize(static_cast<std::size_t>(count));
        count = sio_list(devices.data(), count);
    }
    if (count < 0) {
        return fail("cannot list the serial devices");
    }
    devices.resize(static_cast<std::size_t>(count));
    if (std::any_of(devices.begin(), devices.end(),
                    [](const sio_device &d) { return d.port < 0; })) {
        std::fprintf(stderr, "zarvo-ports: %s\n", last_error().c_str());
    }
    if (devices.empty()) {
        std::printf("No serial device found: check the cable or the USB adapter.\n");
        return 0;
    }
    for (const sio_device &d : devices) {
        const std::string port = d.port > 0    ? "port " + std::to_string(d.port)
                                 : d.port == 0 ? "no port number"
                                               : "port unknown (the ports file is damaged)";
        std::printf("%s  %s\n    %s\n", d.device, port.c_str(), details(d).c_str());
        if (d.stable_name[0] != '\0') {
            std::printf("    %s\n", d.stable_name);
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
    ::SetConsoleOutputCP(CP_UTF8);
#endif
    CLI::App app{
        "Lists the serial devices present and the port number each one is; assigns port numbers "
        "to devices for the Zarvo window and the printer link library. Without a command: list."};
    app.require_subcommand(0, 1);
    int port = 0;
    std::string device;
    app.add_subcommand("list", "List the serial devices present (the default); opens none.");
    CLI::App *set = app.add_subcommand("set", "Make DEVICE port N, recorded by its stable name.");
    set->add_option("N", port, "port number, 1 to 255")->required()->check(CLI::Range(1, 255));
    set->add_option("DEVICE", device, "device, e.g. /dev/ttyUSB0 or COM3")->required();
    CLI::App *unset = app.add_subcommand("unset", "Remove the assignment of port N.");
    unset->add_option("N", port, "port number, 1 to 255")->required()->check(CLI::Range(1, 255));
    CLI11_PARSE(app, argc, argv);

    if (set->parsed()) {
        const int32_t result = sio_assign(port, device.c_str());
        if (result < 0) {
            return fail("cannot make " + device + " port " + std::to_string(port));
        }
        std::printf("Port %d is now %s.\n", port, device.c_str());
        if (result == SIO_OVERRIDDEN) {
            tell_overridden(port);
        }
        return 0;
    }
    if (unset->parsed()) {
        const int32_t result = sio_assign(port, nullptr);
        if (result < 0) {
            return fail("cannot remove port " + std::to_string(port));
        }
        std::printf("Port %d is no longer assigned; it is the system's default device again.\n",
                    port);
        if (result == SIO_OVERRIDDEN) {
            tell_overridden(port);
        }
        return 0;
    }
    return list();
}
