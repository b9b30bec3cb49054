// SPDX-License-Identifier: MIT
// The link library's OS pieces on Windows: sio_wait looked up at run time, RX's reply as a BSTR.
#include <windows.h>

#include <oleauto.h>  // after windows.h, whose types it uses

#include <cstdlib>
#include <cstring>

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

}  // namespace zarvo
