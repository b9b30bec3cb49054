// SPDX-License-Identifier: MIT
// The technician's line for a serial device, in Portuguese.
#include "device_line.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "text_out.h"

namespace zarvo::serial {
namespace {

char lower(char c) {
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

bool begins_with(const std::string &text, const std::string &start) {
    return text.size() >= start.size() &&
           std::equal(start.begin(), start.end(), text.begin(),
                      [](char a, char b) { return lower(a) == lower(b); });
}

/// @p text without "(COM12)" where @p port is COM12, in any case, nor the blank before it:
/// Windows puts the port in a friendly name, and the line already begins with it.
std::string without_port(std::string text, const std::string &port) {
    const std::string mention = "(" + port + ")";
    for (std::size_t at = 0; at + mention.size() <= text.size(); ++at) {
        if (begins_with(text.substr(at), mention)) {
            const std::size_t from = at > 0 && text[at - 1] == ' ' ? at - 1 : at;
            text.erase(from, at + mention.size() - from);
            break;
        }
    }
    return text;
}

/// Maker and product, each said once.
std::string usb_name(const sio_device &device) {
    const std::string maker = field_text(device.manufacturer);
    const std::string product =
        device.product[0] != '\0'
            ? field_text(device.product)
            : without_port(field_text(device.description), field_text(device.device));
    if (product.empty() || maker.empty()) {
        return product.empty() ? maker : product;
    }
    return begins_with(product, maker) ? product : maker + " " + product;
}

std::string what_it_is(const sio_device &device) {
    switch (device.kind) {
        case SIO_KIND_USB: {
            const std::string name = usb_name(device);
            return name.empty() ? "adaptador USB" : name;
        }
        case SIO_KIND_UART:
            return "porta serial do computador";
        default: {
            const std::string name =
                without_port(field_text(device.description), field_text(device.device));
            return name.empty() ? "dispositivo serial" : name;
        }
    }
}

}  // namespace

std::string device_line(const sio_device &device, std::int32_t latency_ms) {
    std::string line = field_text(device.device) + " — " + what_it_is(device);
    if (device.vendor_id >= 0 && device.product_id >= 0) {
        char ids[24];
        std::snprintf(ids, sizeof ids, " (%04x:%04x)", static_cast<unsigned>(device.vendor_id),
                      static_cast<unsigned>(device.product_id));
        line += ids;
    }
    if (device.serial_number[0] != '\0') {
        line += ", nº de série " + field_text(device.serial_number);
    }
    if (latency_ms > 1) {
        line += ", latência " + std::to_string(latency_ms) + " ms";
    }
    return line;
}

}  // namespace zarvo::serial
