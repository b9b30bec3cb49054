// SPDX-License-Identifier: MIT
// The serial layer on the Win32 communications API: exclusive raw open, overlapped reads and
// writes bounded by waits on their events. A wait for input is a one-byte read that is cancelled
// when its time passes (never WaitCommEvent, which some drivers end at once with nothing queued);
// a byte that arrives as it is cancelled is still kept. A removed device (a USB adapter pulled) is
// told from a failure that may pass by the errors Windows and the drivers give for it.
#include <windows.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <string>

#include "API232.h"
#include "last_error.h"
#include "system.h"
#include "transport.h"

namespace zarvo::serial {

struct Device {
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr;  ///< Signalled when the pending read or write ends.
};

namespace {

using Clock = std::chrono::steady_clock;

/// A write may take this long, plus kWriteMsPerByte for each byte (1.04 ms at 9600 bit/s 8N1).
constexpr DWORD kStallGraceMs = 2000;
constexpr DWORD kWriteMsPerByte = 2;
constexpr DWORD kReadChunk = 4096;

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

/// What Windows and USB serial drivers answer on a handle whose device was removed: the I/O
/// manager's "removed" and "not connected" errors; ERROR_BAD_COMMAND ("the device does not
/// recognize the command") from usbser.sys and FTDI's driver; ERROR_ACCESS_DENIED and
/// ERROR_GEN_FAILURE from others; ERROR_NOT_READY from Wine on a line that hung up.
bool removal_error(DWORD error) {
    switch (error) {
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_BAD_COMMAND:
        case ERROR_ACCESS_DENIED:
        case ERROR_GEN_FAILURE:
        case ERROR_NOT_READY:
            return true;
        default:
            return false;
    }
}

/// The code of an operation that failed with @p error: SIO_GONE when the device is removed,
/// SIO_IO_ERROR for anything that may pass. Only the first three of removal_error's errors say so
/// alone; the others, a read that the driver ended before its time (ERROR_OPERATION_ABORTED when
/// this layer did not cancel it) and a broken pipe (Wine's read on a hung-up line) count when the
/// line's state then cannot be read either.
std::int32_t failure_code(HANDLE handle, DWORD error) {
    switch (error) {
        case ERROR_DEVICE_REMOVED:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
            return SIO_GONE;
        default:
            break;
    }
    if (!removal_error(error) && error != ERROR_OPERATION_ABORTED && error != ERROR_BROKEN_PIPE) {
        return SIO_IO_ERROR;
    }
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(handle, &errors, &status)) {
        return SIO_IO_ERROR;
    }
    return removal_error(::GetLastError()) ? SIO_GONE : SIO_IO_ERROR;
}

/// Reads wait for their whole length, bounded by our own wait on the read's event; what is
/// already waiting is read in a length the line's input queue says it holds.
bool set_timeouts(HANDLE handle) {
    COMMTIMEOUTS timeouts{};
    return ::SetCommTimeouts(handle, &timeouts) != 0;
}

/// One overlapped read or write of up to @p len bytes, given at most @p wait_ms to end, then
/// cancelled. Returns false with @p error set when it failed, also when the driver aborted it
/// (ERROR_OPERATION_ABORTED, as on a removed device); else @p moved is what it moved, also when
/// this call cancelled it.
bool transfer(Device &device, bool write, void *data, DWORD len, DWORD wait_ms, DWORD &moved,
              DWORD &error) {
    OVERLAPPED io{};
    io.hEvent = device.done;
    ::ResetEvent(device.done);
    moved = 0;
    bool cancelled = false;
    const BOOL at_once = write ? ::WriteFile(device.handle, data, len, nullptr, &io)
                               : ::ReadFile(device.handle, data, len, nullptr, &io);
    if (!at_once) {
        error = ::GetLastError();
        if (error != ERROR_IO_PENDING) {
            return false;
        }
        if (::WaitForSingleObject(device.done, wait_ms) != WAIT_OBJECT_0) {
            cancelled = ::CancelIo(device.handle) != 0;
        }
    }
    // Waits for the end of the transfer, which a cancel brings at once.
    if (!::GetOverlappedResult(device.handle, &io, &moved, TRUE)) {
        error = ::GetLastError();
        return error == ERROR_OPERATION_ABORTED && cancelled;
    }
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
    return DeviceIdentity{1, std::hash<std::string>{}(plain_com_name(name))};
}

std::int32_t abandon(HANDLE handle, std::int32_t code, std::string &why, std::string text) {
    ::CloseHandle(handle);
    why = std::move(text);
    return code;
}

}  // namespace

std::int32_t open_device(const std::string &name, DeviceHandle &device, DeviceIdentity &identity,
                         const std::function<bool(const DeviceIdentity &)> &in_use,
                         std::string &why) {
    identity = identity_of(name);
    if (in_use(identity)) {
        why = "o dispositivo já está aberto com outro número de porta";
        return SIO_BUSY;
    }
    // No sharing: while this handle is open Windows refuses every other open of the port.
    const HANDLE handle = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        why = open_failure_code(error) == SIO_BUSY
                  ? reason("não abre (em uso por outro programa?)", error)
                  : reason("não abre", error);
        return open_failure_code(error);
    }
    if (::GetFileType(handle) == FILE_TYPE_DISK) {
        return abandon(handle, SIO_OPEN_FAIL, why, "não funciona como porta serial: é um arquivo");
    }
    // Some systems open a port whose device is missing; its line settings then cannot be read.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(handle, &dcb)) {
        const DWORD error = ::GetLastError();
        return abandon(
            handle, SIO_NO_DEVICE, why,
            reason("o dispositivo não responde como porta serial (está ligado?)", error));
    }
    if (!make_raw(handle, dcb)) {
        const DWORD error = ::GetLastError();
        return abandon(handle, SIO_OPEN_FAIL, why, reason("não funciona como porta serial", error));
    }
    if (!set_timeouts(handle)) {
        const DWORD error = ::GetLastError();
        return abandon(handle, SIO_OPEN_FAIL, why,
                       reason("não foi possível ajustar os tempos de espera da linha", error));
    }
    const HANDLE done = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (done == nullptr) {
        const DWORD error = ::GetLastError();
        return abandon(handle, SIO_OPEN_FAIL, why,
                       reason("não foi possível criar um evento", error));
    }
    DeviceHandle opened;
    try {
        opened.reset(new Device{handle, done});
    } catch (...) {
        ::CloseHandle(done);
        ::CloseHandle(handle);
        throw;
    }
    ::PurgeComm(handle, PURGE_RXCLEAR);
    device = std::move(opened);
    return SIO_OK;
}

void DeviceCloser::operator()(Device *device) const noexcept {
    ::PurgeComm(device->handle, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT);
    ::CloseHandle(device->handle);
    ::CloseHandle(device->done);
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

/// Bounds a read of bytes already queued; it never needs this long.
constexpr DWORD kQueuedReadMs = 1000;

std::int32_t read_waiting(Device &device, std::vector<unsigned char> &into, std::string &why) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device.handle, &errors, &status)) {
        const DWORD error = ::GetLastError();
        why = reason("não foi possível ler o estado da linha", error);
        return failure_code(device.handle, error);
    }
    if (status.cbInQue == 0) {
        return 0;
    }
    std::array<unsigned char, kReadChunk> chunk;
    const DWORD wanted = std::min<DWORD>(status.cbInQue, kReadChunk);
    DWORD got = 0, error = 0;
    if (!transfer(device, false, chunk.data(), wanted, kQueuedReadMs, got, error)) {
        why = reason("a leitura falhou", error);
        return failure_code(device.handle, error);
    }
    into.insert(into.end(), chunk.begin(), chunk.begin() + got);
    return static_cast<std::int32_t>(got);
}

std::int32_t read_until(Device &device, std::vector<unsigned char> &into,
                        Clock::time_point deadline, std::string &why) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
        return 0;
    }
    unsigned char first = 0;
    DWORD got = 0, error = 0;
    if (!transfer(device, false, &first, 1,
                  static_cast<DWORD>(std::min<long long>(left, MAXDWORD - 1)), got, error)) {
        const std::int32_t code = failure_code(device.handle, error);
        if (code != SIO_GONE && error == ERROR_OPERATION_ABORTED) {
            return 0;  // ended early by the driver on a line that still answers: nothing yet
        }
        why = reason("a leitura falhou", error);
        return code;
    }
    if (got == 0) {
        return 0;
    }
    into.push_back(first);
    const std::int32_t more = read_waiting(device, into, why);
    return more < 0 ? more : 1 + more;
}

std::int32_t write_all(Device &device, const unsigned char *data, std::size_t len,
                       std::string &why) {
    std::size_t done = 0;
    while (done < len) {
        const auto part = static_cast<DWORD>(std::min<std::size_t>(len - done, 1u << 20));
        DWORD written = 0, error = 0;
        // The line takes 1.04 ms a byte at 9600 bit/s 8N1; beyond twice that plus a grace, give up.
        if (!transfer(device, true, const_cast<unsigned char *>(data + done), part,
                      kStallGraceMs + kWriteMsPerByte * part, written, error)) {
            why = reason("a escrita falhou", error);
            return failure_code(device.handle, error);
        }
        if (written == 0) {
            why = "a linha não aceitou nada a tempo; " + std::to_string(done) + " de " +
                  std::to_string(len) + " bytes foram escritos";
            return SIO_IO_ERROR;
        }
        done += written;
    }
    return SIO_OK;
}

}  // namespace zarvo::serial
