// SPDX-License-Identifier: MIT
// The real clock of the reply wait.
#include "timing.h"

#include <thread>

namespace zarvo {
namespace {

class SystemTiming final : public Timing {
  public:
    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::now();
    }
    void sleep(std::chrono::milliseconds duration) const override {
        std::this_thread::sleep_for(duration);
    }
};

}  // namespace

const Timing &system_timing() noexcept {
    static const SystemTiming timing;
    return timing;
}

}  // namespace zarvo
