// SPDX-License-Identifier: MIT
// What listing the serial devices does the same on every system: the order they are given in.
#include "device_list.h"

#include <algorithm>
#include <utility>

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
        return false;
    }
    std::sort(devices.begin(), devices.end(), name_order);
    return true;
}

}  // namespace zarvo::serial
