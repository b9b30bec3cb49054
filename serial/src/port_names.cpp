// SPDX-License-Identifier: MIT
// Port number to device: the environment, the ports file, the system's default name.
#include "port_names.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "API232.h"
#include "ports_file.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace zarvo::serial {
namespace {

std::string environment_device(std::int32_t port) {
    const std::string variable = "API232_PORT" + std::to_string(port);
#ifdef _WIN32
    // The process's environment as Windows keeps it, so SetEnvironmentVariable counts too.
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(variable.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
#else
    const char *value = std::getenv(variable.c_str());
    return value != nullptr ? std::string(value) : std::string();
#endif
}

#ifdef _WIN32
bool is_com_name(const std::string &plain) {
    return plain.size() > 3 && plain.rfind("COM", 0) == 0 &&
           plain.find_first_not_of("0123456789", 3) == std::string::npos;
}

std::string openable(const std::string &name) {
    const std::string plain = plain_com_name(name);
    return is_com_name(plain) ? "\\\\.\\" + plain : name;
}

std::string system_device(std::int32_t port) {
    return "\\\\.\\COM" + std::to_string(port);
}
#else
std::string openable(const std::string &name) {
    return name;
}

std::string system_device(std::int32_t port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}
#endif

}  // namespace

#ifdef _WIN32
std::string plain_com_name(const std::string &name) {
    std::string plain = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
    std::transform(plain.begin(), plain.end(), plain.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return plain;
}
#endif

PortDevice port_device(std::int32_t port) {
    PortDevice found;
    if (std::string named = environment_device(port); !named.empty()) {
        found.name = openable(named);
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
        found.name = openable(*assigned);
        found.from = PortDevice::From::ports_file;
        found.why = "assigned in " + path.string();
        return found;
    }
    found.name = system_device(port);
    return found;
}

bool same_device(const std::string &a, const std::string &b) {
#ifdef _WIN32
    return plain_com_name(a) == plain_com_name(b);
#else
    std::error_code ec_a;
    std::error_code ec_b;
    const auto real_a = std::filesystem::canonical(a, ec_a);
    const auto real_b = std::filesystem::canonical(b, ec_b);
    return ec_a || ec_b ? a == b : real_a == real_b;
#endif
}

bool device_present(const std::string &name) {
#ifdef _WIN32
    const std::string plain = plain_com_name(name);
    char target[1024];
    if (is_com_name(plain)) {
        return ::QueryDosDeviceA(plain.c_str(), target, sizeof target) != 0;
    }
    return ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    std::error_code ec;
    return std::filesystem::exists(name, ec);
#endif
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
            name = assigned ? *assigned : system_device(port);
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
