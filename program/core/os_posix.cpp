// SPDX-License-Identifier: MIT
// The system's part of the window's logic on POSIX systems: dlopen, open/fsync/rename.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "os.h"
#include "text.h"

namespace zarvo::window::os {

// By its SONAME: an installed system has it from the runtime package, and the unversioned
// libZarvo.so only from the development package; the build tree has both.
const char *const kLinkLibraryFile = "libZarvo.so.1";

namespace {

Text dlerrorText() {
    const char *reason = dlerror();
    return fromUtf8(reason != nullptr ? reason : "?");
}

}  // namespace

// dlopen is called from this object so that the executable's RUNPATH takes part in the search.
void *loadLibrary(const std::string &file, Text &reason) {
    dlerror();
    void *handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        reason = dlerrorText();
    }
    return handle;
}

void *findFunction(void *library, const char *name, Text &reason) {
    dlerror();
    void *address = dlsym(library, name);
    if (address == nullptr) {
        reason = dlerrorText();
    }
    return address;
}

NewFile::~NewFile() {
    discard();
}

bool NewFile::create(const char *target, Text &reason) {
    target_ = target;
    // O_EXCL never reuses a file that is already there, O_NOFOLLOW never goes through a link; the
    // mode 0666 lets the umask decide, as for any file the operator creates.
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = target_ + '.';
        for (int i = 0; i < 6; ++i) {
            candidate += kDigits[random() % 16];
        }
        fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            name_ = candidate;
            return true;
        }
        if (errno != EEXIST) {
            reason = systemReason(errno);
            return false;
        }
    }
    reason = systemReason(EEXIST);
    return false;
}

bool NewFile::write(std::string_view bytes, Text &reason) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            reason = systemReason(errno);
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool NewFile::replaceTarget(Text &reason) {
    // The data reaches the disk before the name does, so a power cut never leaves an empty file
    // where a reading was.
    if (::fsync(fd_) != 0) {
        reason = systemReason(errno);
        return false;
    }
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) {
        reason = systemReason(errno);
        return false;
    }
    // rename replaces the name itself and never follows a link planted there meanwhile.
    if (::rename(name_.c_str(), target_.c_str()) != 0) {
        reason = systemReason(errno);
        return false;
    }
    name_.clear();
    return true;
}

void NewFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (!name_.empty()) {
        ::unlink(name_.c_str());
        name_.clear();
    }
}

Text systemErrorReason(std::int32_t error) {
    return systemReason(error);
}

Text currentDirectory() {
    std::string path(4096, '\0');
    if (getcwd(path.data(), path.size()) == nullptr) {
        return u".";
    }
    path.resize(std::char_traits<char>::length(path.c_str()));
    return fromUtf8(path);
}

}  // namespace zarvo::window::os
