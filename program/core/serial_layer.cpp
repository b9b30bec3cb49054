// SPDX-License-Identifier: MIT
// Late binding of sio_list, sio_assign and sio_error_text.
#include "serial_layer.h"

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
    decltype(&::sio_assign) assign = nullptr;
    decltype(&::sio_error_text) errorText = nullptr;
};

/// The three calls, or false with @p reason set. Loaded again after each setLibraryFile.
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
    found.assign =
        reinterpret_cast<decltype(found.assign)>(os::findFunction(library, "sio_assign", reason));
    found.errorText = reinterpret_cast<decltype(found.errorText)>(
        os::findFunction(library, "sio_error_text", reason));
    if (found.list == nullptr || found.assign == nullptr || found.errorText == nullptr) {
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

}  // namespace

bool SerialLayer::list(std::vector<sio_device> &devices, Text &reason) {
    Calls calls;
    if (!bound(calls, reason)) {
        return false;
    }
    devices.clear();
    std::int32_t count = calls.list(nullptr, 0);
    // A device plugged in between the two calls only takes another round.
    while (count > static_cast<std::int32_t>(devices.size())) {
        devices.resize(static_cast<std::size_t>(count));
        count = calls.list(devices.data(), count);
    }
    if (count < 0) {
        reason = lastError(calls);
        return false;
    }
    devices.resize(static_cast<std::size_t>(count));
    return true;
}

bool SerialLayer::assign(std::int32_t port, const std::string &device, Text &reason) {
    Calls calls;
    if (!bound(calls, reason)) {
        return false;
    }
    if (calls.assign(port, device.c_str()) != SIO_OK) {
        reason = lastError(calls);
        return false;
    }
    return true;
}

void SerialLayer::setLibraryFile(const std::string &file) {
    g_file = file;
}

}  // namespace zarvo::window
