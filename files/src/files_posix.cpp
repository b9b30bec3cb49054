// SPDX-License-Identifier: MIT
// Files and error words on POSIX systems: open with O_EXCL, fsync, rename; strerror_r.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "zarvo_files.h"

namespace zarvo::files {
namespace {

// strerror_r comes in two forms: the GNU one returns the words, the POSIX one writes them into the
// buffer and returns 0.
[[maybe_unused]] const char *words_of(int result, const char *buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char *words_of(const char *result, const char *) {
    return result;
}

}  // namespace

std::string errno_words(int error) {
    char buffer[256] = {};
    const char *words = words_of(::strerror_r(error, buffer, sizeof buffer), buffer);
    return words != nullptr ? std::string(words) : "erro " + std::to_string(error);
}

std::string system_words(SystemError error) {
    return errno_words(error);
}

std::string system_reason(SystemError error) {
    return errno_words(error);
}

SystemError Replacement::open_new(bool &taken) noexcept {
    // O_EXCL never opens a file that is there, O_NOFOLLOW never goes through a link; the mode 0666
    // lets the umask decide, as for any file the user makes.
    do {
        fd_ =
            ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0) {
        return 0;
    }
    const int error = errno;
    taken = error == EEXIST;
    return error;
}

bool Replacement::write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return fail(Step::write, errno);
        }
        if (written == 0) {
            return fail(Step::write, EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool Replacement::commit() {
    // The data reaches the disk before the name does, so a power cut never leaves an empty or a
    // partial file under the target's name.
    if (::fsync(fd_) != 0) {
        return fail(Step::sync, errno);
    }
    // The descriptor is released even when close reports an error, so no retry.
    if (::close(std::exchange(fd_, -1)) != 0) {
        return fail(Step::sync, errno);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        return fail(Step::rename, errno);
    }
    pending_ = false;
    return true;
}

void Replacement::discard() noexcept {
    if (fd_ >= 0) {
        ::close(std::exchange(fd_, -1));
    }
    if (pending_) {
        ::unlink(temporary_.c_str());
        pending_ = false;
    }
}

}  // namespace zarvo::files
