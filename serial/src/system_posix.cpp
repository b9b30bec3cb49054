// SPDX-License-Identifier: MIT
// The environment, the configuration folder and device names on Linux and other POSIX systems.
#include "system.h"

#include <cstdlib>
#include <system_error>

namespace zarvo::serial {

namespace fs = std::filesystem;

std::string environment(const std::string &name) {
    const char *value = std::getenv(name.c_str());
    return value != nullptr ? std::string(value) : std::string();
}

fs::path configuration_folder() {
    // The XDG rule: a relative value is to be ignored.
    if (const std::string config = environment("XDG_CONFIG_HOME"); config.starts_with('/')) {
        return config;
    }
    const std::string home = environment("HOME");
    return home.starts_with('/') ? fs::path(home) / ".config" : fs::path();
}

std::string openable_name(const std::string &name) {
    return name;
}

std::string default_device(std::int32_t port) {
    return "/dev/ttyS" + std::to_string(port - 1);
}

bool same_device(const std::string &a, const std::string &b) {
    std::error_code ec_a;
    std::error_code ec_b;
    const auto real_a = fs::canonical(a, ec_a);
    const auto real_b = fs::canonical(b, ec_b);
    return ec_a || ec_b ? a == b : real_a == real_b;
}

bool device_present(const std::string &name) {
    std::error_code ec;
    return fs::exists(name, ec);
}

}  // namespace zarvo::serial
