// SPDX-License-Identifier: MIT
// Port number to device: the environment, the ports file, the system's default name.
#include "port_names.h"

#include "API232.h"
#include "port_numbers.h"
#include "ports_file.h"
#include "system.h"

namespace zarvo::serial {
namespace {

std::string environment_device(std::int32_t port) {
    return environment(port_variable(port));
}

}  // namespace

std::string port_variable(std::int32_t port) {
    return "API232_PORT" + std::to_string(port);
}

PortDevice port_device(std::int32_t port) {
    PortDevice found;
    if (std::string named = environment_device(port); !named.empty()) {
        found.name = openable_name(named);
        found.from = PortDevice::From::environment;
        return found;
    }
    const std::filesystem::path path = ports_file_path();
    PortsFile file;
    if (!file.load(path, found.why)) {
        // A damaged line may have meant this very port: no device is guessed.
        found.result = SIO_BAD_PORTS_FILE;
        return found;
    }
    if (const auto assigned = file.device(port)) {
        found.name = openable_name(*assigned);
        found.from = PortDevice::From::ports_file;
        found.why = "escolhido em " + path.string();
        return found;
    }
    found.name = default_device(port);
    return found;
}

bool ports_of(const std::vector<ListedDevice> &devices, std::vector<std::int32_t> &ports,
              std::string &why) {
    ports.assign(devices.size(), 0);
    std::vector<bool> found(devices.size(), false);
    PortsFile file;
    const bool file_ok = file.load(ports_file_path(), why);
    for (std::int32_t port = kFirstPort; port <= kLastPort; ++port) {
        std::string name = environment_device(port);
        if (name.empty()) {
            if (!file_ok) {
                continue;
            }
            const auto assigned = file.device(port);
            name = assigned ? *assigned : default_device(port);
        }
        // Most default names are absent; checking presence first keeps the loop cheap.
        if (!device_present(name)) {
            continue;
        }
        for (std::size_t i = 0; i < devices.size(); ++i) {
            if (!found[i] &&
                (same_device(devices[i].device, name) ||
                 (!devices[i].stable_name.empty() && same_device(devices[i].stable_name, name)))) {
                ports[i] = port;
                found[i] = true;
            }
        }
    }
    if (!file_ok) {
        // Only ports named by the environment are certain; the rest cannot be told.
        for (std::size_t i = 0; i < devices.size(); ++i) {
            ports[i] = found[i] ? ports[i] : -1;
        }
    }
    return file_ok;
}

}  // namespace zarvo::serial
