// SPDX-License-Identifier: MIT
// Helpers of the link library's tests.
#include "test_support.h"

#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace support {

std::string counted(std::string_view chars, std::optional<std::int32_t> count) {
    const auto raw = static_cast<std::uint32_t>(count.value_or(static_cast<int>(chars.size())));
    std::string block;
    for (int i = 0; i < 4; ++i) {
        block += static_cast<char>(raw >> (8 * i));
    }
    return block.append(chars) + '\0';
}

ScratchDirectory::ScratchDirectory() : previous(std::filesystem::current_path()) {
    std::string name = (std::filesystem::temp_directory_path() / "zarvo-test-XXXXXX").string();
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch directory " + name);
    }
    path = name;
    std::filesystem::current_path(path);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous, ignored);
    std::filesystem::remove_all(path, ignored);
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::filesystem::path &path, std::string_view content) {
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace support
