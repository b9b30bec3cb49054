// SPDX-License-Identifier: MIT
// Writing RespApf.txt over its start and cutting it to the line, and leaving no stale copy behind
// when that fails (POSIX).
#include "reply_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "Zarvo.h"
#include "zarvo_files.h"

namespace zarvo {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Writes @p outcome and CR LF at offset 0 in one call, going on after a short write or a signal.
bool write_line_at_start(int fd, std::string_view outcome) noexcept {
    const std::size_t total = outcome.size() + kLineEnd.size();
    std::size_t done = 0;
    while (done < total) {
        iovec parts[2];
        int count = 0;
        if (done < outcome.size()) {
            parts[count++] = {const_cast<char *>(outcome.data() + done), outcome.size() - done};
        }
        const std::size_t end_done = done > outcome.size() ? done - outcome.size() : 0;
        parts[count++] = {const_cast<char *>(kLineEnd.data() + end_done),
                          kLineEnd.size() - end_done};
        const ssize_t written = ::pwritev(fd, parts, count, static_cast<off_t>(done));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (written == 0) {
            errno = EIO;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

int open_reply_file() noexcept {
    // No O_TRUNC: ext4 flushes a file emptied and written again when it is closed, which made the
    // open cost more than the rest of the exchange. The new line is written over the old content
    // and the file is then cut to its length. O_NONBLOCK only matters for a FIFO planted under the
    // name: it makes the open fail instead of waiting forever for a reader.
    const int flags = O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;
    int fd;
    do {
        fd = ::open(kReplyFileName, flags, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// Removes an earlier reply file or a link planted in its place; leaves directories, devices and
// FIFOs alone. Returns 0 or the errno of the failed removal.
int remove_stale_reply_file() noexcept {
    struct stat info {};
    if (::lstat(kReplyFileName, &info) != 0) {
        return errno == ENOENT ? 0 : errno;
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return 0;
    }
    if (::unlink(kReplyFileName) != 0 && errno != ENOENT) {
        return errno;
    }
    return 0;
}

// What stands in the way, told from the name as it is now, before any earlier copy is removed,
// and from @p error, the errno of the call that failed (0 when none did).
std::int32_t cause_of(int error) noexcept {
    struct stat info {};
    const bool there = ::lstat(kReplyFileName, &info) == 0;
    if (there && S_ISLNK(info.st_mode)) {
        return ZARVO_REPLY_FILE_LINK;
    }
    if (there && S_ISDIR(info.st_mode)) {
        return ZARVO_REPLY_FILE_DIRECTORY;
    }
    if (there && !S_ISREG(info.st_mode)) {
        return ZARVO_REPLY_FILE_NOT_PLAIN;
    }
    switch (error) {
        case EACCES:
        case EPERM:
        case EROFS:
            // Opening a file that is there needs only its own permission; creating one needs the
            // directory's.
            return there ? ZARVO_REPLY_FILE_READ_ONLY : ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY;
        case ENOSPC:
        case EDQUOT:
            return ZARVO_REPLY_FILE_DISK_FULL;
        default:
            return ZARVO_REPLY_FILE_OTHER;
    }
}

// Finds the cause, removes a stale copy, tells the failure on stderr and in @p failure.
bool fail(ReplyFileFailure &failure, const char *step, int error, const char *reason) noexcept {
    failure.cause = cause_of(error);
    failure.system_error = error;
    const int removal_error = remove_stale_reply_file();
    char directory[PATH_MAX];
    if (::getcwd(directory, sizeof directory) == nullptr) {
        std::strcpy(directory, ".");
    }
    try {
        std::string message = std::string("cannot ") + step + " " + kReplyFileName + " in " +
                              directory + ": " +
                              (reason != nullptr ? reason : files::system_words(error));
        if (removal_error != 0) {
            message += std::string("; the earlier ") + kReplyFileName +
                       " could not be removed either: " + files::system_words(removal_error);
        }
        std::fprintf(stderr, "Zarvo: %s\n", message.c_str());
        failure.message = std::move(message);
    } catch (...) {
    }
    return false;
}

}  // namespace

bool write_reply_file(std::string_view outcome, ReplyFileFailure &failure) noexcept {
    const int fd = open_reply_file();
    if (fd < 0) {
        const int error = errno;
        // O_NOFOLLOW refuses a link with ELOOP, whose own text speaks of loops, not of a link.
        struct stat planted {};
        if (error == ELOOP && ::lstat(kReplyFileName, &planted) == 0 && S_ISLNK(planted.st_mode)) {
            return fail(failure, "create", error,
                        "it is a symbolic link, and the reply is never written through one");
        }
        return fail(failure, "create", error, nullptr);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(failure, "create", error, nullptr);
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(failure, "create", 0, "another kind of file already has that name");
    }
    // The line goes out first and the cut after it, so a process that dies in between leaves
    // the new outcome and its CR LF as the first line, which is all a reader takes. The length is
    // never 0, so the cut does not count as emptying the file either.
    const auto length = static_cast<off_t>(outcome.size() + kLineEnd.size());
    if (!write_line_at_start(fd, outcome) || ::ftruncate(fd, length) != 0) {
        const int error = errno;
        ::close(fd);
        return fail(failure, "write", error, nullptr);
    }
    // On Linux the descriptor is released even when close reports an error, so no retry.
    if (::close(fd) != 0) {
        return fail(failure, "close", errno, nullptr);
    }
    return true;
}

}  // namespace zarvo
