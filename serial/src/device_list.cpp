// SPDX-License-Identifier: MIT
// What listing the serial devices does the same on every system: the order they are given in,
// and finding one by the name a user gives.
#include "device_list.h"

#include <algorithm>
#include <utility>

#include "API232.h"
#include "system.h"

namespace zarvo::serial {
namespace {

/// "ttyUSB10" after "ttyUSB9", "COM10" after "COM9": the letters, then the number by value.
bool name_order(const ListedDevice &a, const ListedDevice &b) {
    const auto split = [](const std::string &name) {
        const std::size_t digits = name.find_last_not_of("0123456789") + 1;
        const std::string number = name.substr(digits);
        return std::make_pair(name.substr(0, digits),
                              number.empty() || number.size() > 9 ? -1L : std::stol(number));
    };
    return split(a.device) < split(b.device);
}

}  // namespace

bool list_devices(std::vector<ListedDevice> &devices, std::string &why) {
    devices.clear();
    if (!system_devices(devices, why)) {
        why = "não foi possível listar os dispositivos seriais: " + why;
        return false;
    }
    std::sort(devices.begin(), devices.end(), name_order);
    return true;
}

std::int32_t find_device(const std::string &name, ListedDevice &found, std::string &why) {
    std::vector<ListedDevice> devices;
    if (!list_devices(devices, why)) {
        return SIO_CANNOT_LIST;
    }
    for (ListedDevice &device : devices) {
        if (same_device(device.device, name) ||
            (!device.stable_name.empty() && same_device(device.stable_name, name))) {
            found = std::move(device);
            return SIO_OK;
        }
    }
    why = name + ": nenhum dispositivo serial com esse nome está ligado";
    return SIO_NO_DEVICE;
}

}  // namespace zarvo::serial
