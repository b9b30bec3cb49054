// SPDX-License-Identifier: MIT
// The environment, the configuration folder and COM port names on Windows.
#include "system.h"

#include <windows.h>

#include <algorithm>
#include <cctype>

namespace zarvo::serial {
namespace {

namespace fs = std::filesystem;

bool is_com_name(const std::string &plain) {
    return plain.size() > 3 && plain.rfind("COM", 0) == 0 &&
           plain.find_first_not_of("0123456789", 3) == std::string::npos;
}

}  // namespace

std::string environment(const std::string &name) {
    char value[MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(name.c_str(), value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

fs::path configuration_folder() {
    // Wide, so that a user name outside the code page still gives the right folder.
    wchar_t value[32768];
    const DWORD length = ::GetEnvironmentVariableW(L"APPDATA", value, 32768);
    return length > 0 && length < 32768 ? fs::path(std::wstring(value, length)) : fs::path();
}

std::string plain_com_name(const std::string &name) {
    std::string plain = name.rfind("\\\\.\\", 0) == 0 ? name.substr(4) : name;
    std::transform(plain.begin(), plain.end(), plain.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return plain;
}

std::string openable_name(const std::string &name) {
    const std::string plain = plain_com_name(name);
    return is_com_name(plain) ? "\\\\.\\" + plain : name;
}

std::string default_device(std::int32_t port) {
    return "\\\\.\\COM" + std::to_string(port);
}

bool same_device(const std::string &a, const std::string &b) {
    return plain_com_name(a) == plain_com_name(b);
}

bool device_present(const std::string &name) {
    const std::string plain = plain_com_name(name);
    char target[1024];
    if (is_com_name(plain)) {
        return ::QueryDosDeviceA(plain.c_str(), target, sizeof target) != 0;
    }
    return ::GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace zarvo::serial
