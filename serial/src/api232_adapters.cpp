// SPDX-License-Identifier: MIT
// The serial layer's C ABI for telling devices apart and tuning USB adapters: the technician's
// line for a listed device, and an adapter's latency timer.
#include <string>

#include "API232.h"
#include "device_line.h"
#include "device_list.h"
#include "guard.h"
#include "last_error.h"
#include "text_out.h"

namespace zarvo::serial {
namespace {

constexpr std::int32_t kFewestMs = 1;
constexpr std::int32_t kMostMs = 255;

/// The listed adapter @p name with its latency timer, into @p found: SIO_OK, or a failure
/// reported (no such device, none listed, a device without a latency timer).
std::int32_t find_adapter(const char *name, ListedDevice &found) {
    if (name == nullptr) {
        return failed(SIO_BAD_PARAM, "não foi dado o nome do dispositivo");
    }
    std::string why;
    if (const std::int32_t result = find_device(name, found, why); result != SIO_OK) {
        return failed(result, why);
    }
    if (found.latency_ms < 0) {
        return failed(SIO_NOT_SUPPORTED,
                      found.device + ": este dispositivo não tem temporizador de latência");
    }
    return SIO_OK;
}

}  // namespace
}  // namespace zarvo::serial

extern "C" {

int32_t API232_CALL sio_describe(const struct sio_device *device, char *text, int32_t size) {
    return zarvo::serial::guarded(SIO_BAD_PARAM, [&]() -> std::int32_t {
        if (device == nullptr || !zarvo::serial::room_for_text(text, size)) {
            return zarvo::serial::failed(SIO_BAD_PARAM,
                                         "sio_describe: faltou o dispositivo ou "
                                         "o lugar da linha");
        }
        // The record has no room for the latency: it is read again, which opens nothing.
        zarvo::serial::ListedDevice listed;
        std::string ignored;
        const std::int32_t latency =
            zarvo::serial::find_device(zarvo::serial::field_text(device->device), listed,
                                       ignored) == SIO_OK
                ? listed.latency_ms
                : -1;
        return zarvo::serial::copy_out(zarvo::serial::device_line(*device, latency), text, size);
    });
}

int32_t API232_CALL sio_latency(const char *device) {
    return zarvo::serial::guarded(SIO_CANNOT_LIST, [&]() -> std::int32_t {
        zarvo::serial::ListedDevice adapter;
        const std::int32_t result = zarvo::serial::find_adapter(device, adapter);
        return result == SIO_OK ? adapter.latency_ms : result;
    });
}

int32_t API232_CALL sio_set_latency(const char *device, int32_t ms) {
    return zarvo::serial::guarded(SIO_CANNOT_SAVE, [&]() -> std::int32_t {
        if (ms < zarvo::serial::kFewestMs || ms > zarvo::serial::kMostMs) {
            return zarvo::serial::failed(SIO_BAD_PARAM,
                                         "a latência vai de 1 a 255 ms, não " + std::to_string(ms));
        }
        zarvo::serial::ListedDevice adapter;
        if (const std::int32_t result = zarvo::serial::find_adapter(device, adapter);
            result != SIO_OK) {
            return result;
        }
        std::string why;
        const std::int32_t result = zarvo::serial::set_system_latency(adapter, ms, why);
        return result == SIO_OK ? SIO_OK
                                : zarvo::serial::failed(result, adapter.device + ": " + why);
    });
}

}  // extern "C"
