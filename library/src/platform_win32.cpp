// SPDX-License-Identifier: MIT
// The link library's OS pieces on Windows: sio_wait looked up at run time, RX's reply as a BSTR.
#include <windows.h>

#include <oleauto.h>  // after windows.h, whose types it uses

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform.h"

namespace zarvo {

SioWait find_sio_wait() noexcept {
    // Looked up once: API232.DLL is loaded with this library and stays until it is unloaded.
    static const SioWait found = [] {
        const HMODULE serial = ::GetModuleHandleA("API232.DLL");
        return serial == nullptr ? nullptr
                                 : reinterpret_cast<SioWait>(reinterpret_cast<void *>(
                                       ::GetProcAddress(serial, "sio_wait")));
    }();
    return found;
}

void store_rx_reply(char **variable, char *text) noexcept {
    if (text == nullptr) {
        return;
    }
    // The caller's string variable holds a BSTR: count before, 8-bit characters, NUL after.
    std::uint32_t count = 0;
    std::memcpy(&count, text - 4, sizeof count);  // little-endian, as on every Win32 machine
    const BSTR reply = ::SysAllocStringByteLen(text, count);
    std::free(text - 4);
    if (reply == nullptr) {
        return;  // no memory: the variable keeps its text
    }
    ::SysFreeString(reinterpret_cast<BSTR>(*variable));
    *variable = reinterpret_cast<char *>(reply);
}

bool append_to_trace(const char *path, std::string_view record, std::string &why) noexcept {
    // FILE_APPEND_DATA alone makes every write go to the end of the file, as O_APPEND does;
    // FILE_FLAG_OPEN_REPARSE_POINT opens a link itself, which the check below then refuses.
    const HANDLE file =
        ::CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    const auto failed = [&](DWORD error, const char *reason) {
        try {
            why = reason != nullptr ? std::string(reason) : "system error " + std::to_string(error);
        } catch (...) {
        }
        if (file != INVALID_HANDLE_VALUE) {
            ::CloseHandle(file);
        }
        return false;
    };
    if (file == INVALID_HANDLE_VALUE) {
        return failed(::GetLastError(), nullptr);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        return failed(::GetLastError(), nullptr);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return failed(0, "it is a symbolic link, and the trace is never written through one");
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        ::GetFileType(file) != FILE_TYPE_DISK) {
        return failed(0, "it is not a plain file");
    }
    if (record.size() > MAXDWORD) {
        return failed(0, "the record is too long for one write");
    }
    DWORD written = 0;
    if (!::WriteFile(file, record.data(), static_cast<DWORD>(record.size()), &written, nullptr)) {
        return failed(::GetLastError(), nullptr);
    }
    if (written != record.size()) {
        return failed(0, "the record was written only in part (disk full)");
    }
    ::CloseHandle(file);
    return true;
}

long long process_id() noexcept {
    return static_cast<long long>(::GetCurrentProcessId());
}

bool local_time(std::time_t time, std::tm &local) noexcept {
    return ::localtime_s(&local, &time) == 0;
}

}  // namespace zarvo
