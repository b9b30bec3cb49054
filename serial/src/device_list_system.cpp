// SPDX-License-Identifier: MIT
// The Linux listing of the running system: its own sysfs, at the root. The serial layer's test
// build puts a file of its own in this one's place, to list recorded trees.
#include "device_list_linux.h"

namespace zarvo::serial {

bool system_devices(std::vector<ListedDevice> &devices, std::string &why) {
    return sysfs_devices("/", devices, why);
}

}  // namespace zarvo::serial
