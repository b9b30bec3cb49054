// SPDX-License-Identifier: MIT
// The listing of the serial layer as the tests build it: the recorded sysfs tree that
// ZARVO_TEST_SYSFS_ROOT names (one under sysfs/, or a copy a test made), never the devices of the
// machine running the tests. Without the variable there is nothing to list.
#include <cstdlib>

#include "device_list_linux.h"

namespace zarvo::serial {

bool system_devices(std::vector<ListedDevice> &devices, std::string &why) {
    const char *root = std::getenv("ZARVO_TEST_SYSFS_ROOT");
    if (root == nullptr || *root == '\0') {
        why = "no recorded sysfs tree to list (ZARVO_TEST_SYSFS_ROOT is not set)";
        return false;
    }
    return sysfs_devices(root, devices, why);
}

}  // namespace zarvo::serial
