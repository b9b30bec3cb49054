// SPDX-License-Identifier: MIT
// What the fuzz targets share: CHECK for their invariants, and a scratch current directory for
// the targets whose code writes and reads RespApf.txt there.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz_check {

// Where the run started: libFuzzer leaves its crash file there, so a broken invariant goes back
// to it before aborting.
inline std::filesystem::path start_directory, scratch_directory;

[[noreturn]] inline void failed(const char *file, int line, const char *what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    if (!start_directory.empty() && ::chdir(start_directory.c_str()) != 0) {
        std::perror(start_directory.c_str());
    }
    std::abort();
}

/// Makes the scratch directory once, from LLVMFuzzerInitialize or the first input.
inline void makeScratchDirectory() {
    start_directory = std::filesystem::current_path();
    std::string name = (std::filesystem::temp_directory_path() / "zarvo-fuzz-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) {
        std::perror(name.c_str());
        std::abort();
    }
    scratch_directory = name;
}

/// The scratch directory is current for the life of this object.
struct InScratchDirectory {
    InScratchDirectory() {
        if (::chdir(scratch_directory.c_str()) != 0) {
            std::perror(scratch_directory.c_str());
            std::abort();
        }
    }
    ~InScratchDirectory() {
        if (::chdir(start_directory.c_str()) != 0) {
            std::perror(start_directory.c_str());
        }
    }
    InScratchDirectory(const InScratchDirectory &) = delete;
    InScratchDirectory &operator=(const InScratchDirectory &) = delete;
};

}  // namespace fuzz_check

#define CHECK(condition)                                          \
    do {                                                          \
        if (!(condition)) {                                       \
            ::fuzz_check::failed(__FILE__, __LINE__, #condition); \
        }                                                         \
    } while (0)
