// SPDX-License-Identifier: MIT
// The link library's OS pieces on POSIX: the serial layer always has sio_wait; RX hands back the
// malloc'ed block itself; the trace file is appended with O_APPEND.
#include "platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zarvo {

SioWait find_sio_wait() noexcept {
    return &sio_wait;
}

void store_rx_reply(char **variable, char *text) noexcept {
    if (text != nullptr) {
        *variable = text;  // the text the variable held stays the caller's
    }
}

bool append_to_trace(const char *path, std::string_view record, std::string &why) noexcept {
    // O_NONBLOCK: a FIFO planted under the name fails the open or the check below instead of
    // blocking the exchange.
    int fd;
    do {
        fd =
            ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0644);
    } while (fd < 0 && errno == EINTR);
    const auto failed = [&](const char *reason) {
        try {
            why = reason;
        } catch (...) {
        }
        if (fd >= 0) {
            ::close(fd);
        }
        return false;
    };
    if (fd < 0) {
        return failed(errno == ELOOP ? "it is a symbolic link, and the trace is never written "
                                       "through one"
                                     : std::strerror(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        return failed(std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode)) {
        return failed("it is not a plain file");
    }
    // One write: with O_APPEND the kernel puts the whole record at the end in one go.
    ssize_t written;
    do {
        written = ::write(fd, record.data(), record.size());
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        return failed(std::strerror(errno));
    }
    if (static_cast<std::size_t>(written) != record.size()) {
        return failed("the record was written only in part (disk full or a file size limit)");
    }
    ::close(fd);
    return true;
}

long long process_id() noexcept {
    return static_cast<long long>(::getpid());
}

bool local_time(std::time_t time, std::tm &local) noexcept {
    return ::localtime_r(&time, &local) != nullptr;
}

}  // namespace zarvo
