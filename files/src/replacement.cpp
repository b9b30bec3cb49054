// SPDX-License-Identifier: MIT
// The parts of a replacement that no system changes: the fresh name and the order of the steps.
#include <random>

#include "zarvo_files.h"

namespace zarvo::files {

bool Replacement::create(const std::filesystem::path &target) {
    discard();
    target_ = target;
    // Random names, so that two programs replacing the same file never take each other's; a name
    // already in use is never reused, only passed over.
    std::random_device seed;
    std::mt19937 random(seed());
    static constexpr char kDigits[] = "0123456789abcdef";
    SystemError error = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix = ".";
        for (int i = 0; i < 6; ++i) {
            suffix += kDigits[random() % 16];
        }
        temporary_ = target_;
        temporary_ += suffix;
        bool taken = false;
        error = open_new(taken);
        if (error == 0) {
            pending_ = true;
            return true;
        }
        if (!taken) {
            break;
        }
    }
    return fail(Step::create, error);
}

bool Replacement::fail(Step step, SystemError error) noexcept {
    failure_ = {step, error};
    discard();
    return false;
}

bool replace_file(const std::filesystem::path &target, std::string_view bytes, Failure &failure,
                  std::filesystem::path *temporary) {
    Replacement file;
    if (file.create(target) && file.write(bytes) && file.commit()) {
        return true;
    }
    failure = file.failure();
    if (temporary != nullptr) {
        *temporary = file.temporary();
    }
    return false;
}

}  // namespace zarvo::files
