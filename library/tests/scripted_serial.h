// SPDX-License-Identifier: MIT
// A scripted serial layer on a fake clock: the sio_* functions of API232, defined here for the
// link library's unit tests and fuzz target, which link the CMake target zarvo_scripted_serial in
// place of the real layer. sio_wait blocks on the fake clock: it jumps to the next arrival or to
// the end of its time. Each sio_getch costs 1 us of fake time, so even a spinning wait ends, and
// the count of reads shows it.
#ifndef ZARVO_LIBRARY_SCRIPTED_SERIAL_H
#define ZARVO_LIBRARY_SCRIPTED_SERIAL_H

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "timing.h"

namespace zarvo::testing {

using std::chrono::milliseconds;
using std::chrono::nanoseconds;

/// What every sio_* call acts on; also the Timing the link library's wait runs on.
struct ScriptedSerial final : zarvo::Timing {
    static constexpr std::chrono::microseconds kReadCost{1};

    static ScriptedSerial &get();
    /// A fresh script: every result a success, no input, the clock at 0.
    static ScriptedSerial &reset();

    /// @p bytes reach the port, in order, at @p at on the fake clock.
    void arrive(std::string_view bytes, nanoseconds at = {});
    /// Log entries starting with @p call ("getch", "write 1", ...).
    int count(std::string_view call) const;
    /// Bytes that arrived or will, not yet handed out by sio_getch.
    std::size_t unread() const { return line.size() - taken; }
    std::chrono::steady_clock::time_point now() const override;
    void sleep(milliseconds duration) const override;

    // The script.
    std::int32_t open_result = 0, ioctl_result = 0, close_result = 0;
    std::optional<std::int32_t> write_result;            ///< Unset: sio_write returns the length.
    std::optional<std::int32_t> wait_result;             ///< Set: sio_wait returns it at once.
    std::uint8_t getch_failures = 0, wait_failures = 0;  ///< Bit i: call i modulo 8 fails.
    /// Set: the device is gone for good from then on; once the bytes that came before are taken,
    /// sio_getch and sio_wait return SIO_GONE.
    std::optional<nanoseconds> gone_at;
    std::string throw_from;  ///< The next call of that name ("getch", "open"...) throws bad_alloc.
    bool keep_log = true;    ///< Off for the fuzz target, whose waits read hundreds of thousands.
    /// A sio_getch or sio_wait beyond this many aborts the run: the wait under test spins. 0: none.
    unsigned most_calls = 0;

    // What happened.
    struct Arrival {
        nanoseconds at;
        char byte;
    };
    std::vector<Arrival> line;  ///< Every byte the port will give, in order of arrival.
    std::size_t taken = 0;      ///< How many of them sio_getch has handed out.
    unsigned getch_calls = 0, wait_calls = 0;
    unsigned failures = 0;            ///< Calls failed by getch_failures and wait_failures.
    std::vector<std::string> log;     ///< "open 1", "write 1 7", "wait 1 2001", ...
    std::vector<std::string> frames;  ///< What each sio_write sent (nothing of a negative length).
    mutable std::vector<milliseconds> sleeps;
    mutable nanoseconds clock{};
};

}  // namespace zarvo::testing

#endif  // ZARVO_LIBRARY_SCRIPTED_SERIAL_H
