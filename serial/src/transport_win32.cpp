// SPDX-License-Identifier: MIT
// The serial layer on the Win32 communications API: exclusive raw open, reads bounded by
// COMMTIMEOUTS (never WaitCommEvent, which some drivers end at once with nothing queued), bounded
// writes.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <functional>
#include <string>

#include "API232.h"
#include "transport.h"

namespace api232 {

struct Device {
    HANDLE handle = INVALID_HANDLE_VALUE;
    DWORD read_wait_ms = 0;  ///< The read time the line is set for now; 0 returns at once.
};

namespace {

using Clock = std::chrono::steady_clock;

/// A write may stall this long, plus kWriteMsPerByte for each byte (1.04 ms at 9600 bit/s 8N1).
constexpr DWORD kStallGraceMs = 2000;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kReadChunk = 4096;

std::string system_reason(DWORD error) {
    char text[512] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                    nullptr, error, 0, text, sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' ||
                          text[length - 1] == ' ' || text[length - 1] == '.')) {
        --length;
    }
    return std::string(text, length) + " (error " + std::to_string(error) + ")";
}

std::string reason(const char *what, DWORD error) {
    return std::string(what) + ": " + system_reason(error);
}

std::int32_t open_failure_code(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_UNIT:
            return SIO_NO_DEVICE;
        case ERROR_ACCESS_DENIED:  // what Windows answers for a COM port that is open elsewhere
        case ERROR_SHARING_VIOLATION:
            return SIO_BUSY;
        default:
            return SIO_OPEN_FAIL;
    }
}

/// Sets how long a read may wait for its first byte (0: not at once), keeping the write bound.
bool set_read_wait(Device &device, DWORD wait_ms) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    // MAXDWORD, MAXDWORD and a constant: return at once with what is waiting, else at the first
    // byte that arrives, else after the constant. MAXDWORD, 0, 0: return at once in any case.
    timeouts.ReadTotalTimeoutMultiplier = wait_ms == 0 ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = wait_ms;
    timeouts.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    timeouts.WriteTotalTimeoutConstant = kStallGraceMs;
    if (!::SetCommTimeouts(device.handle, &timeouts)) {
        return false;
    }
    device.read_wait_ms = wait_ms;
    return true;
}

/// No echo or translation exists on a Win32 line; raw means binary, no parity check, no flow
/// control, no character replaced or dropped. Speed and format are set by set_9600_8n1.
bool make_raw(HANDLE handle, DCB &dcb) {
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    return ::SetCommState(handle, &dcb) != 0;
}

/// Two spellings of one port ("COM1", "\\.\com1") name one device.
DeviceIdentity identity_of(const std::string &name) {
    std::string key = name;
    if (key.rfind("\\\\.\\", 0) == 0) {
        key.erase(0, 4);
    }
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return DeviceIdentity{1, std::hash<std::string>{}(key)};
}

std::int32_t abandon(HANDLE handle, std::int32_t code, std::string &why, std::string text) {
    ::CloseHandle(handle);
    why = std::move(text);
    return code;
}

}  // namespace

std::string default_device_name(std::int32_t port) {
    return "\\\\.\\COM" + std::to_string(port);
}

std::int32_t open_device(const std::string &name, DeviceHandle &device, DeviceIdentity &identity,
                         const std::function<bool(const DeviceIdentity &)> &in_use,
                         std::string &why) {
    identity = identity_of(name);
    if (in_use(identity)) {
        why = "the device is already open under another port number";
        return SIO_BUSY;
    }
    // No sharing: while this handle is open Windows refuses every other open of the port.
    const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        why = open_failure_code(error) == SIO_BUSY
                  ? reason("cannot open (in use by another program?)", error)
                  : reason("cannot open", error);
        return open_failure_code(error);
    }
    if (::GetFileType(handle) != FILE_TYPE_CHAR) {
        return abandon(handle, SIO_OPEN_FAIL, why, "not usable as a serial line: not a device");
    }
    // Some systems open a port whose device is missing; its line settings then cannot be read.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) {
        const DWORD error = ::GetLastError();
        return abandon(handle, SIO_NO_DEVICE, why,
                       reason("the device does not answer as a serial line (is it there?)", error));
    }
    if (!make_raw(handle, dcb)) {
        const DWORD error = ::GetLastError();
        return abandon(handle, SIO_OPEN_FAIL, why, reason("not usable as a serial line", error));
    }
    auto opened = DeviceHandle(new Device{handle});
    if (!set_read_wait(*opened, 0)) {
        const DWORD error = ::GetLastError();
        opened.reset();
        why = reason("cannot set the line's time-outs", error);
        return SIO_OPEN_FAIL;
    }
    ::PurgeComm(handle, PURGE_RXCLEAR);
    device = std::move(opened);
    return SIO_OK;
}

void DeviceCloser::operator()(Device *device) const noexcept {
    ::PurgeComm(device->handle, PURGE_RXABORT | PURGE_RXCLEAR);
    ::CloseHandle(device->handle);
    delete device;
}

std::int32_t set_9600_8n1(Device &device, std::string &why) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(device.handle, &dcb)) {
        why = system_reason(::GetLastError());
        return SIO_IO_ERROR;
    }
    dcb.BaudRate = CBR_9600;
    if (!make_raw(device.handle, dcb)) {
        why = system_reason(::GetLastError());
        return SIO_IO_ERROR;
    }
    return SIO_OK;
}

namespace {

std::int32_t read_now(Device &device, std::vector<unsigned char> &into, std::string &why) {
    std::array<unsigned char, kReadChunk> chunk;
    DWORD got = 0;
    if (!::ReadFile(device.handle, chunk.data(), kReadChunk, &got, nullptr)) {
        why = reason("read failed", ::GetLastError());
        return SIO_IO_ERROR;
    }
    into.insert(into.end(), chunk.begin(), chunk.begin() + got);
    return static_cast<std::int32_t>(got);
}

}  // namespace

std::int32_t read_waiting(Device &device, std::vector<unsigned char> &into, std::string &why) {
    if (device.read_wait_ms != 0 && !set_read_wait(device, 0)) {
        why = reason("cannot set the line's time-outs", ::GetLastError());
        return SIO_IO_ERROR;
    }
    return read_now(device, into, why);
}

std::int32_t read_until(Device &device, std::vector<unsigned char> &into,
                        Clock::time_point deadline, std::string &why) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    const auto wait_ms = static_cast<DWORD>(std::min<long long>(left, MAXDWORD - 1));
    if (device.read_wait_ms != wait_ms && !set_read_wait(device, wait_ms)) {
        why = reason("cannot set the line's time-outs", ::GetLastError());
        return SIO_IO_ERROR;
    }
    return read_now(device, into, why);
}

std::int32_t write_all(Device &device, const unsigned char *data, std::size_t len,
                       std::string &why) {
    std::size_t done = 0;
    while (done < len) {
        const auto part = static_cast<DWORD>(std::min<std::size_t>(len - done, 1u << 20));
        DWORD written = 0;
        if (!::WriteFile(device.handle, data + done, part, &written, nullptr)) {
            why = reason("write failed", ::GetLastError());
            return SIO_IO_ERROR;
        }
        if (written == 0) {  // the write's time-out passed with nothing taken
            why = "the line took nothing in time; " + std::to_string(done) + " of " +
                  std::to_string(len) + " bytes were written";
            return SIO_IO_ERROR;
        }
        done += written;
    }
    return SIO_OK;
}

}  // namespace api232
