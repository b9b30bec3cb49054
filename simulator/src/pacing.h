// SPDX-License-Identifier: MIT
// When each byte of a reply leaves, so that the simulator sends no faster than a real line.
#pragma once

#include <chrono>
#include <cstddef>

namespace zarvo::sim {

/// Byte i of a reply is due at start + i byte times, on absolute deadlines, so that late wake-ups
/// never add up. A byte is 10 bits on the line (start bit, 8 data bits, stop bit).
class Pacer {
  public:
    using Clock = std::chrono::steady_clock;

    /// @p bits_per_second 0 sends every byte at once.
    explicit Pacer(long bits_per_second) : bits_per_second_(bits_per_second) {}

    void start(Clock::time_point now, std::size_t total) {
        start_ = now;
        total_ = total;
    }

    /// How many bytes, counted from the first, are due by @p now.
    std::size_t due(Clock::time_point now) const;

    /// When byte @p index (from 0) is due.
    Clock::time_point deadline(std::size_t index) const;

    bool paced() const { return bits_per_second_ > 0; }

  private:
    long bits_per_second_;
    Clock::time_point start_{};
    std::size_t total_ = 0;
};

}  // namespace zarvo::sim
