// SPDX-License-Identifier: MIT
// Writing RespApf.txt on Windows in one go, never through a link or reparse point, and leaving no
// stale copy behind when that fails.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "Zarvo.h"
#include "reply_file_writer.h"
#include "zarvo_files.h"

namespace zarvo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Removes an earlier reply file, or a link or reparse point in its place (never its target);
// leaves directories alone. Returns 0 or the error of the failed removal.
DWORD remove_stale_reply_file() noexcept {
    const DWORD attributes = ::GetFileAttributesA(kReplyFileName);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
    }
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        // A directory link (junction) is removed as a directory; a real directory is left alone.
        return reparse && !::RemoveDirectoryA(kReplyFileName) ? ::GetLastError() : 0;
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        ::SetFileAttributesA(kReplyFileName, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (!::DeleteFileA(kReplyFileName)) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? 0 : error;
    }
    return 0;
}

// What stands in the way, told from the name as it is now, before any earlier copy is removed,
// and from @p error, the error of the call that failed (0 when none did).
std::int32_t cause_of(DWORD error) noexcept {
    const DWORD attributes = ::GetFileAttributesA(kReplyFileName);
    const bool there = attributes != INVALID_FILE_ATTRIBUTES;
    if (there && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return ZARVO_REPLY_FILE_LINK;
    }
    if (there && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return ZARVO_REPLY_FILE_DIRECTORY;
    }
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
            return there ? ZARVO_REPLY_FILE_READ_ONLY : ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ZARVO_REPLY_FILE_DISK_FULL;
        default:
            return ZARVO_REPLY_FILE_OTHER;
    }
}

// Removes a stale copy, tells the failure on stderr and in @p failure, whose cause is set.
bool fail(ReplyFileFailure &failure, const char *step, const std::string &reason) noexcept {
    try {
        const DWORD removal_error = remove_stale_reply_file();
        char directory[MAX_PATH] = ".";
        if (::GetCurrentDirectoryA(sizeof directory, directory) == 0) {
            directory[0] = '.';
            directory[1] = '\0';
        }
        std::string message = std::string("cannot ") + step + " " + kReplyFileName + " in " +
                              directory + ": " + reason;
        if (removal_error != 0) {
            message += std::string("; the earlier ") + kReplyFileName +
                       " could not be removed either: " + files::system_reason(removal_error);
        }
        std::fprintf(stderr, "Zarvo: %s\n", message.c_str());
        failure.message = std::move(message);
    } catch (...) {
    }
    return false;
}

// A failure that is not a failed call: a link or another kind of file under the name.
bool fail(ReplyFileFailure &failure, const char *step, std::int32_t cause,
          const char *reason) noexcept {
    failure.cause = cause;
    failure.system_error = 0;
    try {
        return fail(failure, step, std::string(reason));
    } catch (...) {
        return false;
    }
}

bool fail(ReplyFileFailure &failure, const char *step, DWORD error) noexcept {
    failure.cause = cause_of(error);
    failure.system_error = static_cast<std::int32_t>(error);
    try {
        return fail(failure, step, files::system_reason(error));
    } catch (...) {
        return fail(failure, step, std::string());
    }
}

}  // namespace

bool write_reply_file(std::string_view outcome, ReplyFileFailure &failure) noexcept {
    // FILE_FLAG_OPEN_REPARSE_POINT opens a symbolic link or junction itself, not what it points
    // at, so the check below refuses it before a byte is written. Opened without truncation: the
    // line is written from the start and the end set after it, so no reader sees an empty file
    // for longer than needed.
    // Looked at by name first as well: not every system honours FILE_FLAG_OPEN_REPARSE_POINT
    // when the handle is opened for writing.
    const DWORD named = ::GetFileAttributesA(kReplyFileName);
    if (named != INVALID_FILE_ATTRIBUTES && (named & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return fail(failure, "create", ZARVO_REPLY_FILE_LINK,
                    "it is a symbolic link or reparse point, and the reply is never written "
                    "through one");
    }
    const HANDLE file =
        ::CreateFileA(kReplyFileName, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return fail(failure, "create", ::GetLastError());
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file, &info)) {
        const DWORD error = ::GetLastError();
        ::CloseHandle(file);
        return fail(failure, "create", error);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        ::CloseHandle(file);
        return fail(failure, "create", ZARVO_REPLY_FILE_LINK,
                    "it is a symbolic link or reparse point, and the reply is never written "
                    "through one");
    }
    if (::GetFileType(file) != FILE_TYPE_DISK) {
        ::CloseHandle(file);
        return fail(failure, "create", ZARVO_REPLY_FILE_NOT_PLAIN,
                    "another kind of file already has that name");
    }
    std::string line;
    try {
        line.reserve(outcome.size() + kLineEnd.size());
        line.append(outcome).append(kLineEnd);
    } catch (...) {
        ::CloseHandle(file);
        return fail(failure, "write", ERROR_NOT_ENOUGH_MEMORY);
    }
    DWORD written = 0;
    DWORD error = 0;
    if (!::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr)) {
        error = ::GetLastError();
    } else if (written != line.size()) {
        error = ERROR_HANDLE_DISK_FULL;
    } else if (!::SetEndOfFile(file)) {  // a longer earlier line ends here
        error = ::GetLastError();
    }
    if (error != 0) {
        ::CloseHandle(file);
        return fail(failure, "write", error);
    }
    if (!::CloseHandle(file)) {
        return fail(failure, "close", ::GetLastError());
    }
    return true;
}

}  // namespace zarvo
