// SPDX-License-Identifier: MIT
// Replays fuzz inputs without libFuzzer: every file named, or found in a directory named, once.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

namespace fs = std::filesystem;

// The files to run, each directory's in name order so a failure is easy to repeat.
bool collect(const fs::path &path, std::vector<fs::path> &inputs) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) {
        std::fprintf(stderr, "%s: no such file or directory\n", path.c_str());
        return false;
    }
    std::vector<fs::path> found;
    for (const fs::directory_entry &entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file()) {
            found.push_back(entry.path());
        }
    }
    if (error) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), error.message().c_str());
        return false;
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return true;
}

bool run(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    // On the heap and of exactly the input's size, so AddressSanitizer sees a read past its end.
    const std::vector<std::uint8_t> input{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    if (in.bad()) {
        std::fprintf(stderr, "%s: cannot be read: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    LLVMFuzzerTestOneInput(input.data(), input.size());
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    if (LLVMFuzzerInitialize != nullptr) {
        LLVMFuzzerInitialize(&argc, &argv);
    }
    std::vector<fs::path> inputs;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        ok = collect(argv[i], inputs) && ok;
    }
    if (!ok || inputs.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_DIR|FILE...  (no input found)\n", argv[0]);
        return 2;
    }
    LLVMFuzzerTestOneInput(nullptr, 0);  // libFuzzer always tries the empty input first
    for (const fs::path &path : inputs) {
        if (!run(path)) {
            return 1;
        }
    }
    std::printf("%s: %zu inputs and the empty one ran without a fault\n", argv[0], inputs.size());
    return 0;
}
