// SPDX-License-Identifier: MIT
// The scratch directory of the tests, fuzz targets and benchmarks.
#include "scratch_directory.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <system_error>

namespace zarvo::testing {

ScratchDirectory::ScratchDirectory(std::string_view prefix)
    : previous_(std::filesystem::current_path()) {
    std::string name =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    if (::mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("cannot create a scratch directory " + name + ": " +
                                 std::strerror(errno));
    }
    path_ = name;
    if (::chdir(path_.c_str()) != 0) {
        throw std::runtime_error("cannot enter the scratch directory " + name + ": " +
                                 std::strerror(errno));
    }
}

ScratchDirectory::~ScratchDirectory() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string read_file(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::filesystem::path &path, std::string_view content) {
    std::ofstream(path, std::ios::binary) << content;
}

}  // namespace zarvo::testing
