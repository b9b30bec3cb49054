// SPDX-License-Identifier: MIT
// Helpers of the link library's tests: counted texts, a scratch working directory, whole files.
#ifndef ZARVO_TESTS_TEST_SUPPORT_H
#define ZARVO_TESTS_TEST_SUPPORT_H

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace support {

/// The block a caller passes as a counted text: count (little-endian), characters, NUL. The
/// text starts at data() + 4.
std::string counted(std::string_view chars, std::optional<std::int32_t> count = {});

/// A fresh directory made the current one for the life of the object.
struct ScratchDirectory {
    ScratchDirectory();
    ~ScratchDirectory();
    std::filesystem::path previous, path;
};

std::string read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, std::string_view content);

}  // namespace support

#endif  // ZARVO_TESTS_TEST_SUPPORT_H
