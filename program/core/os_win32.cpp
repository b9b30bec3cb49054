// SPDX-License-Identifier: MIT
// The system's part of the window's logic on Windows: LoadLibraryW, CreateFileW/MoveFileExW,
// FormatMessageW.
#include <windows.h>

#include <random>
#include <string>

#include "os.h"
#include "text.h"

namespace zarvo::window::os {

const char *const kLinkLibraryFile = "Zarvo.dll";

namespace {

// The system's own words for a Win32 error number.
Text win32Reason(DWORD error) {
    wchar_t *words = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&words), 0, nullptr);
    Text reason;
    for (DWORD i = 0; i < length; ++i) {
        reason += static_cast<char16_t>(words[i]);
    }
    LocalFree(words);
    while (!reason.empty() && (reason.back() == u'\r' || reason.back() == u'\n' ||
                               reason.back() == u' ' || reason.back() == u'.')) {
        reason.pop_back();
    }
    return reason.empty() ? u"erro " + fromLatin1(std::to_string(error)) : reason;
}

// File names are ASCII ("Zarvo.dll", "LeitM.txt" and the names made from them): widened as they
// are.
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

NewFile::~NewFile() {
    discard();
}

bool NewFile::create(const char *target, Text &reason) {
    target_ = target;
    // CREATE_NEW never reuses a file that is already there.
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target_ + '.';
        for (int i = 0; i < 6; ++i) {
            candidate += kDigits[random() % 16];
        }
        HANDLE file = CreateFileW(wide(candidate).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            handle_ = file;
            name_ = candidate;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
            reason = win32Reason(error);
            return false;
        }
    }
    reason = win32Reason(ERROR_FILE_EXISTS);
    return false;
}

bool NewFile::write(std::string_view bytes, Text &reason) {
    while (!bytes.empty()) {
        DWORD written = 0;
        const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : DWORD(bytes.size());
        if (!WriteFile(static_cast<HANDLE>(handle_), bytes.data(), chunk, &written, nullptr)) {
            reason = win32Reason(GetLastError());
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool NewFile::replaceTarget(Text &reason) {
    // The data reaches the disk before the name does.
    if (!FlushFileBuffers(static_cast<HANDLE>(handle_))) {
        reason = win32Reason(GetLastError());
        return false;
    }
    HANDLE file = static_cast<HANDLE>(handle_);
    handle_ = nullptr;
    if (!CloseHandle(file)) {
        reason = win32Reason(GetLastError());
        return false;
    }
    // MoveFileEx replaces the name itself, never a link's target.
    if (!MoveFileExW(wide(name_).c_str(), wide(target_).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        reason = win32Reason(GetLastError());
        return false;
    }
    name_.clear();
    return true;
}

void NewFile::discard() {
    if (handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(handle_));
        handle_ = nullptr;
    }
    if (!name_.empty()) {
        DeleteFileW(wide(name_).c_str());
        name_.clear();
    }
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
