// SPDX-License-Identifier: MIT
// Late binding of sio_list, sio_describe, sio_assign and sio_error_text, and their records and
// results in the window's terms.
#include "serial_layer.h"

#include <algorithm>

#include "API232.h"
#include "os.h"
#include "text.h"

namespace zarvo::window {
namespace {

#ifdef _WIN32
std::string g_file = "API232.dll";
#else
std::string g_file = "libAPI232.so.1";
#endif

struct Calls {
    decltype(&::sio_list) list = nullptr;
    decltype(&::sio_describe) describe = nullptr;
    decltype(&::sio_assign) assign = nullptr;
    decltype(&::sio_error_text) errorText = nullptr;
};

/// The four calls, or false with @p reason set. Loaded again after each setLibraryFile.
bool bound(Calls &calls, Text &reason) {
    static std::string boundFile;
    static Calls boundCalls;
    if (boundCalls.list != nullptr && boundFile == g_file) {
        calls = boundCalls;
        return true;
    }
    if (g_file.empty()) {
        reason = u"sem camada serial";
        return false;
    }
    void *library = os::loadLibrary(g_file, reason);
    if (library == nullptr) {
        return false;
    }
    Calls found;
    found.list =
        reinterpret_cast<decltype(found.list)>(os::findFunction(library, "sio_list", reason));
    found.describe = reinterpret_cast<decltype(found.describe)>(
        os::findFunction(library, "sio_describe", reason));
    found.assign =
        reinterpret_cast<decltype(found.assign)>(os::findFunction(library, "sio_assign", reason));
    found.errorText = reinterpret_cast<decltype(found.errorText)>(
        os::findFunction(library, "sio_error_text", reason));
    if (found.list == nullptr || found.describe == nullptr || found.assign == nullptr ||
        found.errorText == nullptr) {
        return false;
    }
    boundFile = g_file;
    boundCalls = found;
    calls = found;
    return true;
}

Text lastError(const Calls &calls) {
    char text[1024] = {};
    calls.errorText(text, sizeof text);
    return fromUtf8(text);
}

SerialDevice fromLayer(const Calls &calls, const sio_device &listed) {
    SerialDevice device;
    device.port = listed.port;
    device.name = fromUtf8(listed.device);
    std::vector<char> line(
        static_cast<std::size_t>(std::max(calls.describe(&listed, nullptr, 0), 0)) + 1);
    calls.describe(&listed, line.data(), static_cast<std::int32_t>(line.size()));
    device.line = fromUtf8(line.data());
    device.recordedName = listed.stable_name[0] != '\0' ? listed.stable_name : listed.device;
    return device;
}

}  // namespace

bool SerialLayer::list(std::vector<SerialDevice> &devices, Text &reason) {
    Calls calls;
    if (!bound(calls, reason)) {
        return false;
    }
    std::vector<sio_device> listed;
    std::int32_t count = calls.list(nullptr, 0);
    // A device plugged in between the two calls only takes another round.
    while (count > static_cast<std::int32_t>(listed.size())) {
        listed.resize(static_cast<std::size_t>(count));
        count = calls.list(listed.data(), count);
    }
    if (count < 0) {
        reason = lastError(calls);
        return false;
    }
    listed.resize(static_cast<std::size_t>(count));
    devices.clear();
    for (const sio_device &one : listed) {
        devices.push_back(fromLayer(calls, one));
    }
    return true;
}

SerialLayer::Assignment SerialLayer::assign(std::int32_t port, const SerialDevice &device,
                                            Text &text) {
    Calls calls;
    if (!bound(calls, text)) {
        return Assignment::failed;
    }
    const std::int32_t result = calls.assign(port, device.recordedName.c_str());
    if (result == SIO_OVERRIDDEN) {
        text = lastError(calls);
        return Assignment::overridden;
    }
    if (result >= 0) {
        return Assignment::saved;
    }
    text = lastError(calls);
    return Assignment::failed;
}

void SerialLayer::setLibraryFile(const std::string &file) {
    g_file = file;
}

}  // namespace zarvo::window
