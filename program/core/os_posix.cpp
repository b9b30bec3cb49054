// SPDX-License-Identifier: MIT
// The system's part of the window's logic on POSIX systems: dlopen, the system's words for errno,
// getcwd.
#include <dlfcn.h>
#include <unistd.h>

#include "os.h"
#include "text.h"
#include "zarvo_files.h"

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

Text systemErrorReason(std::int32_t error) {
    return fromUtf8(files::system_words(error));
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
