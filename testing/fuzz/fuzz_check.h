// SPDX-License-Identifier: MIT
// CHECK, for the fuzz targets' invariants: a broken one is reported and aborts the run.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace fuzz_check {

// Where the run started: libFuzzer leaves its crash file in the current directory, so a broken
// invariant goes back there (from a scratch directory the input may be in) before aborting.
inline const std::filesystem::path start_directory = std::filesystem::current_path();

[[noreturn]] inline void failed(const char *file, int line, const char *what) {
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    if (::chdir(start_directory.c_str()) != 0) {
        std::perror(start_directory.c_str());
    }
    std::abort();
}

}  // namespace fuzz_check

#define CHECK(condition)                                          \
    do {                                                          \
        if (!(condition)) {                                       \
            ::fuzz_check::failed(__FILE__, __LINE__, #condition); \
        }                                                         \
    } while (0)
