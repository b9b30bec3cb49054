// SPDX-License-Identifier: MIT
// The serial devices present, as each operating system tells them: device_list_linux.cpp (sysfs,
// the running system's through device_list_system.cpp), device_list_win32.cpp (SetupAPI, then the
// SERIALCOMM key); device_list.cpp puts them in order and finds one by name. A USB adapter's
// latency timer is read with the list and set by each system's own half.
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
    /// The adapter's latency timer in ms (1 to 255); -1 when it has none or the system does not
    /// tell it.
    std::int32_t latency_ms = -1;
};

/// The devices present, in name order; false with @p why set ("não foi possível listar os
/// dispositivos seriais: " and the system's reason) when the system cannot tell.
bool list_devices(std::vector<ListedDevice> &devices, std::string &why);

/// The listed device that @p name opens (by its name or its stable name), into @p found: SIO_OK,
/// or SIO_NO_DEVICE, SIO_CANNOT_LIST with @p why set.
std::int32_t find_device(const std::string &name, ListedDevice &found, std::string &why);

/// Each system's own half of list_devices: appends the devices present in any order; false with
/// @p why set when the system cannot tell.
bool system_devices(std::vector<ListedDevice> &devices, std::string &why);

/// Each system's own way of setting the latency timer of @p device, a listed adapter that has
/// one, to @p ms (1 to 255) for good: SIO_OK, or SIO_NO_PERMISSION, SIO_NOT_SUPPORTED,
/// SIO_NO_DEVICE, SIO_CANNOT_SAVE with @p why set.
std::int32_t set_system_latency(const ListedDevice &device, std::int32_t ms, std::string &why);

}  // namespace zarvo::serial

#endif  // API232_DEVICE_LIST_H
