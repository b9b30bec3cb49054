// SPDX-License-Identifier: MIT
// A scratch directory for code that writes files into the current directory (RespApf.txt,
// LeitM.txt), and whole-file reads and writes.
//
// Plain C++ (no GoogleTest, no Qt): link the CMake target zarvo_testing and include
// "scratch_directory.h". A Qt Test keeps one ScratchDirectory per test function, like the
// GoogleTest fixtures do.
#ifndef ZARVO_TESTING_SCRATCH_DIRECTORY_H
#define ZARVO_TESTING_SCRATCH_DIRECTORY_H

#include <filesystem>
#include <string>
#include <string_view>

namespace zarvo::testing {

/// A fresh, empty directory under the system's temporary one, the current directory until the
/// object goes, and then removed with everything in it. Throws std::runtime_error, naming the
/// directory and the system's reason, when it cannot be made or entered. A fuzz target makes one
/// for each input, so that it is back where it started for its crash files.
class ScratchDirectory {
  public:
    explicit ScratchDirectory(std::string_view prefix = "zarvo-test");
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::filesystem::path &path() const { return path_; }

  private:
    std::filesystem::path previous_, path_;
};

/// The whole content of @p path; empty when it cannot be read.
std::string read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, std::string_view content);

}  // namespace zarvo::testing

#endif  // ZARVO_TESTING_SCRATCH_DIRECTORY_H
