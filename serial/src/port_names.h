// SPDX-License-Identifier: MIT
// Which device a port number opens: API232_PORT<n>, else the ports file, else the system's own
// device for that number.
#ifndef API232_PORT_NAMES_H
#define API232_PORT_NAMES_H

#include <cstdint>
#include <string>
#include <vector>

#include "device_list.h"

namespace zarvo::serial {

/// The port numbers there are.
inline constexpr std::int32_t kFirstPort = 1;
inline constexpr std::int32_t kLastPort = 255;

struct PortDevice {
    enum class From { environment, ports_file, system };
    std::int32_t result = 0;  ///< SIO_OK, or SIO_BAD_PORTS_FILE with why set and no name
    std::string name;         ///< what to open
    From from = From::system;
    std::string why;
};

/// The device of port @p port, as sio_open opens it.
PortDevice port_device(std::int32_t port);

/// Fills in, for each listed device, the port number that opens it (0 for none, -1 for all
/// when a damaged ports file keeps that from being known: false then, with @p why set). @p ports
/// receives one per device.
bool ports_of(const std::vector<ListedDevice> &devices, std::vector<std::int32_t> &ports,
              std::string &why);

/// True when @p a and @p b name the same device (through links, or COM3 and \\.\COM3).
bool same_device(const std::string &a, const std::string &b);

#ifdef _WIN32
/// "COM3" as the user writes it, from any spelling of it ("com3", \\.\COM3 as CreateFile needs
/// it beyond COM9): two names of one port give the same plain name.
std::string plain_com_name(const std::string &name);
#endif

/// True when a device by this name is present now; it is not opened.
bool device_present(const std::string &name);

}  // namespace zarvo::serial

#endif  // API232_PORT_NAMES_H
