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

/// A fresh, empty directory under the system's temporary one, removed with everything in it when
/// the object goes. Throws std::runtime_error, naming the directory and the system's reason, when
/// it cannot be made or entered.
class ScratchDirectory {
  public:
    enum class Enter { now, later };
    /// With Enter::now (the tests' case) the directory is the current one until destruction.
    explicit ScratchDirectory(Enter enter = Enter::now, std::string_view prefix = "zarvo-test");
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;

    const std::filesystem::path &path() const { return path_; }

    /// Makes the directory the current one while the returned object lives (for a fuzz target,
    /// which enters it for each input and is back where it started for its crash files).
    class Inside {
      public:
        explicit Inside(const ScratchDirectory &scratch);
        ~Inside();
        Inside(const Inside &) = delete;
        Inside &operator=(const Inside &) = delete;

      private:
        const ScratchDirectory &scratch_;
    };

  private:
    std::filesystem::path previous_, path_;
    bool entered_ = false;
};

/// The whole content of @p path; empty when it cannot be read.
std::string read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, std::string_view content);

}  // namespace zarvo::testing

#endif  // ZARVO_TESTING_SCRATCH_DIRECTORY_H
