// SPDX-License-Identifier: MIT
// Helpers shared by the link library's tests: counted texts, a scratch working directory, files.
#ifndef ZARVO_TESTS_TEST_SUPPORT_H
#define ZARVO_TESTS_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace test_support {

/// A counted text as a caller builds it: count (little-endian), characters, NUL.
class CountedText {
  public:
    explicit CountedText(std::string_view chars);
    /// A block whose count field says @p count, whatever the characters after it.
    static CountedText with_count(std::int32_t count, std::string_view chars);
    const char *get() const { return block_.data() + 4; }

  private:
    CountedText() = default;
    std::vector<char> block_;
};

/// A fresh directory made the current one for the life of the object, then removed.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    ScratchDirectory(const ScratchDirectory &) = delete;
    ScratchDirectory &operator=(const ScratchDirectory &) = delete;
    const std::filesystem::path &path() const { return path_; }

  private:
    std::filesystem::path previous_;
    std::filesystem::path path_;
};

/// The whole content of @p path; empty when it cannot be read.
std::string read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, std::string_view content);

}  // namespace test_support

#endif  // ZARVO_TESTS_TEST_SUPPORT_H
