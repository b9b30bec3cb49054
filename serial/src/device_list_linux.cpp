// SPDX-License-Identifier: MIT
// The serial devices present on Linux, read from sysfs: every tty with a device behind it, the
// USB attributes of the nearest USB device above it, an adapter's latency timer, and its
// /dev/serial/by-id link. Nothing is opened.
#include "device_list_linux.h"

#include <fstream>
#include <map>
#include <system_error>

#include "API232.h"

namespace zarvo::serial {
namespace {

namespace fs = std::filesystem;

/// A sysfs attribute's first line, or "" when it is missing.
std::string attribute(const fs::path &file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == ' ' || line.back() == '\r')) {
        line.pop_back();
    }
    return line;
}

std::int32_t hex_id(const std::string &text) {
    if (text.empty() || text.size() > 4 ||
        text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        return -1;
    }
    return static_cast<std::int32_t>(std::stoul(text, nullptr, 16));
}

/// The real folder a sysfs link leads to; "" when it leads nowhere.
fs::path resolved(const fs::path &link) {
    std::error_code ec;
    fs::path target = fs::canonical(link, ec);
    return ec ? fs::path() : target;
}

/// The USB device (the folder with idVendor) at or above @p from, stopping at @p root.
fs::path usb_device_above(fs::path from, const fs::path &root) {
    const fs::path top = resolved(root / "sys");
    for (; !from.empty() && from != top && from != from.root_path(); from = from.parent_path()) {
        std::error_code ec;
        if (fs::exists(from / "idVendor", ec) && fs::exists(from / "idProduct", ec)) {
            return from;
        }
    }
    return {};
}

/// by-id links by the device they lead to.
std::map<fs::path, fs::path> by_id_links(const fs::path &root) {
    std::map<fs::path, fs::path> links;
    std::error_code ec;
    for (fs::directory_iterator it(root / "dev/serial/by-id", ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path target = resolved(it->path());
        if (!target.empty()) {
            // The lowest name wins when two links lead to one device, so the choice is stable.
            auto [found, added] = links.emplace(target, it->path());
            if (!added && it->path() < found->second) {
                found->second = it->path();
            }
        }
    }
    return links;
}

/// A latency timer in ms from sysfs (ftdi_sio gives its ports one), -1 when there is none.
std::int32_t latency_ms(const std::string &text) {
    if (text.empty() || text.size() > 3 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return -1;
    }
    const int ms = std::stoi(text);
    return ms >= 1 && ms <= 255 ? ms : -1;
}

std::string joined(const std::string &a, const std::string &b) {
    return a.empty() || b.empty() ? a + b : a + " " + b;
}

}  // namespace

bool sysfs_devices(const fs::path &root, std::vector<ListedDevice> &devices, std::string &why) {
    const fs::path ttys = root / "sys/class/tty";
    std::error_code ec;
    fs::directory_iterator it(ttys, ec);
    if (ec) {
        why = "não foi possível ler " + ttys.string() + ": " + ec.message();
        return false;
    }
    const std::map<fs::path, fs::path> links = by_id_links(root);
    for (fs::directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::path tty = it->path();
        const std::string name = tty.filename().string();
        // Virtual terminals, pseudo-terminals and the console have no device behind them.
        const fs::path device = resolved(tty / "device");
        if (device.empty()) {
            continue;
        }
        ListedDevice listed;
        listed.device = (root / "dev" / name).string();
        // A UART driver gives its port a type; 0 is a node with no UART behind it (the ttyS1-3
        // that many PCs have whether or not the hardware is there).
        const std::string type = attribute(tty / "type");
        if (type == "0") {
            continue;
        }
        if (const fs::path usb = usb_device_above(device, root); !usb.empty()) {
            listed.kind = SIO_KIND_USB;
            listed.vendor_id = hex_id(attribute(usb / "idVendor"));
            listed.product_id = hex_id(attribute(usb / "idProduct"));
            listed.manufacturer = attribute(usb / "manufacturer");
            listed.product = attribute(usb / "product");
            listed.serial_number = attribute(usb / "serial");
            listed.latency_ms = latency_ms(attribute(device / "latency_timer"));
            listed.description = joined(listed.manufacturer, listed.product);
            if (listed.description.empty()) {
                listed.description = "dispositivo serial USB";
            }
        } else if (!type.empty()) {
            listed.kind = SIO_KIND_UART;
            listed.description = "porta serial do computador";
        } else {
            listed.description =
                "dispositivo serial (" + resolved(device / "subsystem").filename().string() + ")";
        }
        if (const auto link = links.find(resolved(listed.device)); link != links.end()) {
            listed.stable_name = link->second.string();
        }
        devices.push_back(std::move(listed));
    }
    if (ec) {
        why = "não foi possível ler " + ttys.string() + ": " + ec.message();
        return false;
    }
    return true;
}

// The driver's timer is asked down to 1 ms at every open (see transport_posix.cpp), and sysfs's
// latency_timer takes a new value only from root and only until the adapter is unplugged: there
// is nothing worth keeping.
std::int32_t set_system_latency(const ListedDevice &, std::int32_t, std::string &why) {
    why =
        "no Linux a latência não é gravada: a camada serial pede 1 ms ao driver cada vez que "
        "abre a porta";
    return SIO_NOT_SUPPORTED;
}

}  // namespace zarvo::serial
