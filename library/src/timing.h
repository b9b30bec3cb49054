// SPDX-License-Identifier: MIT
// The clock and the pause of the reply wait, replaceable so tests can run the wait on a fake clock.
#ifndef ZARVO_TIMING_H
#define ZARVO_TIMING_H

#include <chrono>

namespace zarvo {

class Timing {
  public:
    virtual ~Timing() = default;
    /// A monotonic time; only differences between two readings matter.
    virtual std::chrono::steady_clock::time_point now() const = 0;
    /// Pause the calling thread for @p duration.
    virtual void sleep(std::chrono::milliseconds duration) const = 0;
};

/// std::chrono::steady_clock and std::this_thread::sleep_for.
const Timing &system_timing() noexcept;

}  // namespace zarvo

#endif  // ZARVO_TIMING_H
