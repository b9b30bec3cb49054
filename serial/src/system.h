// SPDX-License-Identifier: MIT
// What the serial layer asks of the operating system besides the line: the environment, the
// user's configuration folder, and how devices are named and told apart. One source file per
// system defines it (system_posix.cpp, system_win32.cpp).
#ifndef API232_SYSTEM_H
#define API232_SYSTEM_H

#include <cstdint>
#include <filesystem>
#include <string>

namespace zarvo::serial {

/// The value of the environment variable @p name, "" when it is not set. On Windows it is the
/// process's environment as Windows keeps it, so SetEnvironmentVariable counts.
std::string environment(const std::string &name);

/// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute path, else
/// $HOME/.config; on Windows %APPDATA%. Empty when the environment names none.
std::filesystem::path configuration_folder();

/// The name to open for a device as the user wrote it: on Windows a COM port as \\.\COMn, which
/// CreateFile needs beyond COM9; elsewhere the name itself.
std::string openable_name(const std::string &name);

/// The system's own device for port @p port: /dev/ttyS<port-1>; on Windows \\.\COM<port>.
std::string default_device(std::int32_t port);

/// True when @p a and @p b name the same device (through links, or COM3 and \\.\COM3).
bool same_device(const std::string &a, const std::string &b);

/// True when a device by this name is present now; it is not opened.
bool device_present(const std::string &name);

#ifdef _WIN32
/// "COM3" as the user writes it, from any spelling of it ("com3", \\.\COM3): two names of one port
/// give the same plain name. The Win32 transport tells open devices apart by it.
std::string plain_com_name(const std::string &name);
#endif

}  // namespace zarvo::serial

#endif  // API232_SYSTEM_H
