// SPDX-License-Identifier: MIT
// The Linux listing of a sysfs tree (device_list_linux.cpp). The layer lists the running system's
// own tree (device_list_system.cpp); its tests list recorded trees with it.
#ifndef API232_DEVICE_LIST_LINUX_H
#define API232_DEVICE_LIST_LINUX_H

#include <filesystem>
#include <string>
#include <vector>

#include "device_list.h"

namespace zarvo::serial {

/// Appends the devices present in the tree under @p root, in any order: its sys/class/tty and
/// dev/serial/by-id stand for the system's, and the devices are named under root/dev. "/" is the
/// running system. False with @p why set when root/sys/class/tty cannot be read.
bool sysfs_devices(const std::filesystem::path &root, std::vector<ListedDevice> &devices,
                   std::string &why);

}  // namespace zarvo::serial

#endif  // API232_DEVICE_LIST_LINUX_H
