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

struct PortDevice {
    enum class From { environment, ports_file, system };
    std::int32_t result = 0;  ///< SIO_OK, or SIO_BAD_PORTS_FILE with why set and no name
    std::string name;         ///< what to open
    From from = From::system;
    std::string why;
};

/// The environment variable that names the device of port @p port over the ports file.
std::string port_variable(std::int32_t port);

/// The device of port @p port, as sio_open opens it.
PortDevice port_device(std::int32_t port);

/// Fills in, for each listed device, the port number that opens it (0 for none, -1 for all
/// when a damaged ports file keeps that from being known: false then, with @p why set). @p ports
/// receives one per device.
bool ports_of(const std::vector<ListedDevice> &devices, std::vector<std::int32_t> &ports,
              std::string &why);

}  // namespace zarvo::serial

#endif  // API232_PORT_NAMES_H
