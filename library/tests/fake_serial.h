// SPDX-License-Identifier: MIT
// A scripted stand-in for the serial layer: records every sio_* call and serves bytes on a fake
// clock.
#ifndef ZARVO_TESTS_FAKE_SERIAL_H
#define ZARVO_TESTS_FAKE_SERIAL_H

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timing.h"

namespace fake {

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

struct Call {
    std::string name;
    std::int32_t port;
    std::int32_t a = 0;
    std::int32_t b = 0;
    bool operator==(const Call &) const = default;
};

/// One value that sio_getch hands back once the fake clock has reached @c at.
struct Arrival {
    nanoseconds at;
    std::int32_t value;
};

/// The serial layer's state for one test. sio_wait blocks on the fake clock: it jumps to the next
/// arrival or to the end of its time. Every sio_getch costs 1 us of fake time, so a wait that
/// spins still ends, and the number of reads shows it.
class FakeSerial final : public zarvo::Timing {
  public:
    static FakeSerial &instance();
    void reset();

    /// Each byte of @p bytes arrives at @p at on the fake clock.
    void arrive(std::string_view bytes, nanoseconds at = nanoseconds{0});
    void arrive_value(std::int32_t value, nanoseconds at);
    std::size_t unread() const { return input_.size(); }
    std::vector<std::string> call_names() const;
    int count(std::string_view name) const;

    std::chrono::steady_clock::time_point now() const override;
    void sleep(milliseconds duration) const override;

    // Scripted results.
    std::int32_t open_result = 0;
    std::int32_t ioctl_result = 0;
    std::int32_t close_result = 0;
    std::optional<std::int32_t> write_result;  ///< Unset: sio_write returns the length.
    std::optional<std::int32_t> wait_result;   ///< Set: sio_wait returns it at once.
    std::int32_t empty_read_result = 0;        ///< What sio_getch returns when nothing is there.
    std::string throw_from;  ///< The next call of this name ("open", "getch", ...) throws.

    // Observations.
    std::vector<Call> calls;
    std::vector<std::string> frames;
    mutable std::vector<milliseconds> sleeps;
    mutable nanoseconds clock{0};

    // The fake sio_* functions.
    std::int32_t on_open(std::int32_t port);
    std::int32_t on_ioctl(std::int32_t port, std::int32_t speed, std::int32_t format);
    std::int32_t on_write(std::int32_t port, const char *buf, std::int32_t len);
    std::int32_t on_getch(std::int32_t port);
    std::int32_t on_close(std::int32_t port);
    std::int32_t on_wait(std::int32_t port, std::int32_t ms);

  private:
    void maybe_throw(std::string_view name);  // Throws when the test asked for it.
    std::deque<Arrival> input_;
};

}  // namespace fake

#endif  // ZARVO_TESTS_FAKE_SERIAL_H
