// SPDX-License-Identifier: MIT
// The serial layer's C ABI beyond the line itself: listing the devices present, assigning them to
// port numbers, and the explanation of the last failure.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "API232.h"
#include "device_list.h"
#include "guard.h"
#include "last_error.h"
#include "port_names.h"
#include "ports_file.h"
#include "system.h"

// Callers in other languages declare the record by hand: its size is part of the ABI.
static_assert(sizeof(sio_device) == 1168, "struct sio_device changed its layout");

namespace zarvo::serial {
namespace {

/// Copies @p text into a field of @p size bytes, cut at a UTF-8 character boundary, NUL-ended.
template <std::size_t size>
void copy_field(char (&field)[size], const std::string &text) {
    std::size_t length = std::min(text.size(), size - 1);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, size - length);
}

}  // namespace
}  // namespace zarvo::serial

extern "C" {

int32_t API232_CALL sio_list(struct sio_device *devices, int32_t capacity) {
    return zarvo::serial::guarded(SIO_CANNOT_LIST, [&]() -> std::int32_t {
        if (capacity < 0 || (devices == nullptr && capacity > 0)) {
            return zarvo::serial::failed(SIO_BAD_PARAM, "sio_list: no room for the list");
        }
        std::vector<zarvo::serial::ListedDevice> listed;
        std::string why;
        if (!zarvo::serial::list_devices(listed, why)) {
            return zarvo::serial::failed(SIO_CANNOT_LIST, "cannot list the serial devices: " + why);
        }
        std::vector<std::int32_t> ports;
        if (!zarvo::serial::ports_of(listed, ports, why)) {
            zarvo::serial::report_failure(why);  // the list stands; its port numbers are -1
        }
        const std::size_t filled = std::min(listed.size(), static_cast<std::size_t>(capacity));
        for (std::size_t i = 0; i < filled; ++i) {
            sio_device &out = devices[i];
            const zarvo::serial::ListedDevice &in = listed[i];
            out.kind = in.kind;
            out.port = ports[i];
            out.vendor_id = in.vendor_id;
            out.product_id = in.product_id;
            zarvo::serial::copy_field(out.device, in.device);
            zarvo::serial::copy_field(out.stable_name, in.stable_name);
            zarvo::serial::copy_field(out.description, in.description);
            zarvo::serial::copy_field(out.manufacturer, in.manufacturer);
            zarvo::serial::copy_field(out.product, in.product);
            zarvo::serial::copy_field(out.serial_number, in.serial_number);
        }
        return static_cast<std::int32_t>(std::min<std::size_t>(listed.size(), INT32_MAX));
    });
}

int32_t API232_CALL sio_assign(int32_t port, const char *device) {
    return zarvo::serial::guarded_port(port, SIO_CANNOT_SAVE, [&]() -> std::int32_t {
        std::string name = device != nullptr ? device : "";
        if (!zarvo::serial::fits_a_line(name)) {
            return zarvo::serial::failed(
                SIO_BAD_PARAM, "port " + std::to_string(port) +
                                   ": a device name may not hold line breaks or begin or end "
                                   "with blanks");
        }
        if (!name.empty()) {
            if (!zarvo::serial::device_present(name)) {
                return zarvo::serial::failed(SIO_NO_DEVICE, "port " + std::to_string(port) + " (" +
                                                                name + "): no such device");
            }
            // A listed device is recorded by the name that survives re-plugging.
            std::vector<zarvo::serial::ListedDevice> listed;
            std::string ignored;
            if (zarvo::serial::list_devices(listed, ignored)) {
                for (const zarvo::serial::ListedDevice &one : listed) {
                    if (!one.stable_name.empty() && zarvo::serial::same_device(one.device, name)) {
                        name = one.stable_name;
                        break;
                    }
                }
            }
        }
        zarvo::serial::PortsFile file;
        std::string why;
        if (!file.load(zarvo::serial::ports_file_path(), why)) {
            return zarvo::serial::failed(SIO_BAD_PORTS_FILE,
                                         why + " (left as it is; correct or remove it)");
        }
        // Removing what is not there leaves the file, or its absence, as it was.
        if (file.assign(port, name) && !file.save(why)) {
            return zarvo::serial::failed(SIO_CANNOT_SAVE, why);
        }
        // The file says what was asked, but sio_open takes the variable's device before it.
        const std::string variable = zarvo::serial::port_variable(port);
        if (const std::string named = zarvo::serial::environment(variable); !named.empty()) {
            zarvo::serial::report_note(variable + "=" + named);
            return SIO_OVERRIDDEN;
        }
        return SIO_OK;
    });
}

int32_t API232_CALL sio_error_text(char *text, int32_t size) {
    if (size < 0 || (text == nullptr && size > 0)) {
        return SIO_BAD_PARAM;
    }
    const std::string &last = zarvo::serial::last_failure();
    if (size > 0) {
        const std::size_t length = std::min(last.size(), static_cast<std::size_t>(size) - 1);
        std::memcpy(text, last.data(), length);
        text[length] = '\0';
    }
    return static_cast<std::int32_t>(std::min<std::size_t>(last.size(), INT32_MAX));
}

}  // extern "C"
