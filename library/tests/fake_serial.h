// SPDX-License-Identifier: MIT
// A scripted serial layer on a fake clock, standing in for API232 in the unit tests.
#ifndef ZARVO_TESTS_FAKE_SERIAL_H
#define ZARVO_TESTS_FAKE_SERIAL_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "test_support.h"
#include "timing.h"

namespace fake {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

/// The sio_* functions of the unit tests act on this. sio_wait blocks on the fake clock: it jumps
/// to the next arrival or to the end of its time. Each sio_getch costs 1 us of fake time, so even
/// a spinning wait ends, and the count of reads shows it.
struct Serial final : zarvo::Timing {
    static Serial &get();
    static Serial &reset();
    void arrive(std::string_view bytes, nanoseconds at = {});
    int count(std::string_view call) const;
    std::chrono::steady_clock::time_point now() const override;
    void sleep(milliseconds duration) const override;

    std::int32_t open_result = 0, ioctl_result = 0, close_result = 0;
    std::optional<std::int32_t> write_result;  ///< Unset: sio_write returns the length.
    std::optional<std::int32_t> wait_result;   ///< Set: sio_wait returns it at once.
    std::string throw_from;                    ///< The next call of that name throws.
    std::deque<std::pair<nanoseconds, std::int32_t>> input;  ///< What sio_getch returns, and when.
    std::vector<std::string> log;                            ///< "write 1 7", "wait 1 2001", ...
    std::vector<std::string> frames;
    mutable std::vector<milliseconds> sleeps;
    mutable nanoseconds clock{};
};

}  // namespace fake

#endif  // ZARVO_TESTS_FAKE_SERIAL_H
