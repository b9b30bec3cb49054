// SPDX-License-Identifier: MIT
// What the window's logic needs of the operating system where systems differ: loading a library
// by name, the system's words for an error number, the current directory. One implementation per
// system: os_posix.cpp, os_win32.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "view.h"

namespace zarvo::window::os {

/// The link library's file name, found through the system's ordinary search.
extern const char *const kLinkLibraryFile;

/// Loads the library @p file (kept loaded until the program ends); nullptr with @p reason set
/// when it cannot be loaded.
void *loadLibrary(const std::string &file, Text &reason);

/// The address of the function @p name exported by @p library; nullptr with @p reason set.
void *findFunction(void *library, const char *name, Text &reason);

/// The system's own words for the error number of a failed system call, as the link library
/// reports it too: an errno value on POSIX systems, a GetLastError value on Windows.
Text systemErrorReason(std::int32_t error);

/// The current directory, as the operator would type it.
Text currentDirectory();

}  // namespace zarvo::window::os
