// SPDX-License-Identifier: MIT
// The serial layer's C ABI beyond the line itself: listing the devices present, assigning them to
// port numbers, and the explanation of the last failure.
#include <algorithm>
#include <string>
#include <vector>

#include "API232.h"
#include "device_list.h"
#include "guard.h"
#include "last_error.h"
#include "port_names.h"
#include "ports_file.h"
#include "system.h"
#include "text_out.h"

// Callers in other languages declare the record by hand: its size is part of the ABI.
static_assert(sizeof(sio_device) == 1168, "struct sio_device changed its layout");

extern "C" {

int32_t API232_CALL sio_list(struct sio_device *devices, int32_t capacity) {
    return zarvo::serial::guarded(SIO_CANNOT_LIST, [&]() -> std::int32_t {
        if (capacity < 0 || (devices == nullptr && capacity > 0)) {
            return zarvo::serial::failed(SIO_BAD_PARAM, "sio_list: não há onde pôr a lista");
        }
        std::vector<zarvo::serial::ListedDevice> listed;
        std::string why;
        if (!zarvo::serial::list_devices(listed, why)) {
            return zarvo::serial::failed(SIO_CANNOT_LIST, why);
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
                SIO_BAD_PARAM, "porta " + std::to_string(port) +
                                   ": o nome de um dispositivo não pode ter quebras de linha nem "
                                   "começar ou terminar com espaços");
        }
        if (!name.empty()) {
            if (!zarvo::serial::device_present(name)) {
                return zarvo::serial::failed(SIO_NO_DEVICE, "porta " + std::to_string(port) + " (" +
                                                                name +
                                                                "): esse dispositivo não existe");
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
                                         why + " (deixado como está; corrija-o ou apague-o)");
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
    if (!zarvo::serial::room_for_text(text, size)) {
        return SIO_BAD_PARAM;
    }
    return zarvo::serial::copy_out(zarvo::serial::last_failure(), text, size);
}

}  // extern "C"
