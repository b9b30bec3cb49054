// SPDX-License-Identifier: MIT
// Helpers shared by the link library's tests.
#include "test_support.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace test_support {

CountedText::CountedText(std::string_view chars)
    : CountedText(with_count(static_cast<std::int32_t>(chars.size()), chars)) {}

CountedText CountedText::with_count(std::int32_t count, std::string_view chars) {
    CountedText text;
    const auto raw = static_cast<std::uint32_t>(count);
    for (int i = 0; i < 4; ++i) {
        text.block_.push_back(static_cast<char>(raw >> (8 * i)));
    }
    text.block_.insert(text.block_.end(), chars.begin(), chars.end());
    text.block_.push_back('\0');
    return text;
}

ScratchDirectory::ScratchDirectory() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarvo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch directory under " + pattern);
    }
    path_ = pattern;
    std::filesystem::current_path(path_);
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::filesystem::path &path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

}  // namespace test_support
