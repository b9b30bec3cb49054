// SPDX-License-Identifier: MIT
// Files and error words on Windows: CreateFileW with CREATE_NEW, FlushFileBuffers, MoveFileExW;
// FormatMessageW.
#include <windows.h>

#include <cstring>
#include <memory>
#include <utility>

#include "zarvo_files.h"

namespace zarvo::files {
namespace {

struct LocalFreer {
    void operator()(wchar_t *words) const { ::LocalFree(words); }
};

std::string utf8(const wchar_t *text, int length) {
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? static_cast<std::size_t>(size) : 0, '\0');
    if (size > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(), size, nullptr, nullptr);
    }
    return out;
}

}  // namespace

std::string system_words(SystemError error) {
    wchar_t *buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t *>(&buffer), 0, nullptr);
    const std::unique_ptr<wchar_t, LocalFreer> words(buffer);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' ' || buffer[length - 1] == L'.')) {
        --length;
    }
    return utf8(buffer, static_cast<int>(length));
}

std::string system_reason(SystemError error) {
    const std::string words = system_words(error);
    const std::string number = "erro " + std::to_string(error);
    return words.empty() ? number : words + " (" + number + ")";
}

std::string errno_words(int error) {
    return std::strerror(error);  // the C runtime's words are plain ASCII
}

SystemError Replacement::open_new(bool &taken) noexcept {
    // CREATE_NEW never opens a file that is there, nor anything a link there points at.
    const HANDLE file = ::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle_ = file;
        return 0;
    }
    const DWORD error = ::GetLastError();
    taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    return error;
}

bool Replacement::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = bytes.size() > 0x10000000 ? 0x10000000 : DWORD(bytes.size());
        DWORD written = 0;
        if (!::WriteFile(static_cast<HANDLE>(handle_), bytes.data(), chunk, &written, nullptr)) {
            return fail(Step::write, ::GetLastError());
        }
        if (written == 0) {
            return fail(Step::write, ERROR_HANDLE_DISK_FULL);
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool Replacement::commit() {
    // The data reaches the disk before the name does.
    if (!::FlushFileBuffers(static_cast<HANDLE>(handle_))) {
        return fail(Step::sync, ::GetLastError());
    }
    if (!::CloseHandle(static_cast<HANDLE>(std::exchange(handle_, nullptr)))) {
        return fail(Step::sync, ::GetLastError());
    }
    // MoveFileEx replaces the name itself, never a link's target; WRITE_THROUGH returns only once
    // the new name is on the disk.
    if (!::MoveFileExW(temporary_.c_str(), target_.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return fail(Step::rename, ::GetLastError());
    }
    pending_ = false;
    return true;
}

void Replacement::discard() noexcept {
    if (handle_ != nullptr) {
        ::CloseHandle(static_cast<HANDLE>(std::exchange(handle_, nullptr)));
    }
    if (pending_) {
        ::DeleteFileW(temporary_.c_str());
        pending_ = false;
    }
}

}  // namespace zarvo::files
