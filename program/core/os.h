// SPDX-License-Identifier: MIT
// What the window's logic needs of the operating system where systems differ: loading a library
// by name, creating a new file and putting it in place of another, and the system's words for an
// error number. One implementation per system: os_posix.cpp, os_win32.cpp.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "view.h"

namespace zarvo::window::os {

/// The link library's file name, found through the system's ordinary search.
extern const char *const kLinkLibraryFile;

/// Loads the library @p file (kept loaded until the program ends); nullptr with @p reason set
/// when it cannot be loaded.
void *loadLibrary(const std::string &file, Text &reason);

/// The address of the function @p name exported by @p library; nullptr with @p reason set.
void *findFunction(void *library, const char *name, Text &reason);

/// A file created under a fresh name of its own beside @p target (never an existing file, never
/// through a link), written, then put in place of @p target in one step. Until then @p target
/// stays as it was; a file never put in place is removed. Every call returns false with @p reason
/// set when the system fails.
class NewFile {
  public:
    NewFile() = default;
    ~NewFile();
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;

    bool create(const char *target, Text &reason);
    bool write(std::string_view bytes, Text &reason);
    /// Writes the data through to the disk, closes the file and renames it over @p target.
    bool replaceTarget(Text &reason);
    /// Closes and removes the file unless it has been put in place.
    void discard();

  private:
    std::string target_;
    std::string name_;
#ifdef _WIN32
    void *handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

/// The system's own words for an error number that the link library reports: an errno value on
/// POSIX systems, a GetLastError value on Windows.
Text systemErrorReason(std::int32_t error);

/// The current directory, as the operator would type it.
Text currentDirectory();

}  // namespace zarvo::window::os
