// SPDX-License-Identifier: MIT
// The serial devices present, as each operating system tells them: device_list_linux.cpp (sysfs,
// the running system's through device_list_system.cpp), device_list_win32.cpp (SetupAPI, then the
// SERIALCOMM key); device_list.cpp puts them in order.
#ifndef API232_DEVICE_LIST_H
#define API232_DEVICE_LIST_H

#include <cstdint>
#include <string>
#include <vector>

#include "API232.h"

namespace zarvo::serial {

struct ListedDevice {
    sio_device_kind kind = SIO_KIND_OTHER;
    std::int32_t vendor_id = -1;
    std::int32_t product_id = -1;
    std::string device;  ///< the name to open
    std::string stable_name;
    std::string description;
    std::string manufacturer;
    std::string product;
    std::string serial_number;
};

/// The devices present, in name order; false with @p why set when the system cannot tell.
bool list_devices(std::vector<ListedDevice> &devices, std::string &why);

/// Each system's own half of list_devices: appends the devices present in any order; false with
/// @p why set when the system cannot tell.
bool system_devices(std::vector<ListedDevice> &devices, std::string &why);

}  // namespace zarvo::serial

#endif  // API232_DEVICE_LIST_H
