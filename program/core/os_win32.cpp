// SPDX-License-Identifier: MIT
// The system's part of the window's logic on Windows: LoadLibraryW, the system's words for its
// error numbers, GetCurrentDirectoryW.
#include <windows.h>

#include <string>

#include "os.h"
#include "text.h"
#include "zarvo_files.h"

namespace zarvo::window::os {

const char *const kLinkLibraryFile = "Zarvo.dll";

namespace {

// The system's own words for a Win32 error number, or its number when the system has none.
Text win32Reason(DWORD error) {
    const std::string words = files::system_words(error);
    return words.empty() ? u"erro " + fromLatin1(std::to_string(error)) : fromUtf8(words);
}

// The link library's file name is ASCII ("Zarvo.dll"): widened as it is.
std::wstring wide(const std::string &name) {
    return std::wstring(name.begin(), name.end());
}

}  // namespace

void *loadLibrary(const std::string &file, Text &reason) {
    HMODULE library = LoadLibraryW(wide(file).c_str());
    if (library == nullptr) {
        reason = win32Reason(GetLastError());
    }
    return reinterpret_cast<void *>(library);
}

void *findFunction(void *library, const char *name, Text &reason) {
    FARPROC address = GetProcAddress(static_cast<HMODULE>(library), name);
    if (address == nullptr) {
        reason = win32Reason(GetLastError());
    }
    return reinterpret_cast<void *>(address);
}

Text systemErrorReason(std::int32_t error) {
    return win32Reason(static_cast<DWORD>(error));
}

Text currentDirectory() {
    wchar_t path[MAX_PATH + 1];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, path);
    if (length == 0 || length > MAX_PATH) {
        return u".";
    }
    Text out;
    for (DWORD i = 0; i < length; ++i) {
        out += static_cast<char16_t>(path[i]);
    }
    return out;
}

}  // namespace zarvo::window::os
