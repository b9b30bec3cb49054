// SPDX-License-Identifier: MIT
// When each byte of a reply leaves, so that the simulator sends no faster than a real line.
#include "pacing.h"

#include <algorithm>

namespace zarvo::sim {

namespace {
constexpr long long kBitsPerByte = 10;
constexpr long long kNanosPerSecond = 1'000'000'000;
}  // namespace

Pacer::Clock::time_point Pacer::deadline(std::size_t index) const {
    if (!paced()) {
        return start_;
    }
    // Computed from the start each time rather than stepped, so rounding never accumulates.
    const auto nanos = static_cast<long long>(index) * kBitsPerByte * kNanosPerSecond /
                       static_cast<long long>(bits_per_second_);
    return start_ + std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds{nanos});
}

std::size_t Pacer::due(Clock::time_point now) const {
    if (!paced()) {
        return total_;
    }
    if (now < start_) {
        return 0;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(now - start_).count();
    const auto sent = static_cast<unsigned long long>(
        elapsed * static_cast<long long>(bits_per_second_) / (kBitsPerByte * kNanosPerSecond) + 1);
    return static_cast<std::size_t>(std::min<unsigned long long>(sent, total_));
}

}  // namespace zarvo::sim
