// SPDX-License-Identifier: MIT
// The protocol trace: with ZARVO_TRACE=<file> set, one record per call of Abre, Fecha, TXRX and RX
// is appended to that file, laid out like the printer simulator's --log so that the two read side
// by side. It watches each call as its observer; the file itself is opened and appended by the
// system's piece (platform.h).
#ifndef ZARVO_TRACE_H
#define ZARVO_TRACE_H

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "exchange_observer.h"
#include "timing.h"

namespace zarvo {

/// A received text longer than this that is not a reply (no "}" in time) is shown as its first
/// and last kTraceEnds bytes and its count; a reply is always shown whole.
inline constexpr std::size_t kTraceWhole = 4096;
inline constexpr std::size_t kTraceEnds = 256;

/// " | <n> bytes | <hex> | <text>", the text with unprintable bytes escaped as \xHH, a backslash
/// as \\, and Latin-1 letters in UTF-8. With @p bounded, a text longer than kTraceWhole shows only
/// its ends.
std::string trace_bytes(std::string_view bytes, bool bounded = false);

/**
 * The trace of one call of Abre, Fecha, TXRX or RX: set up from ZARVO_TRACE, which names the
 * file, and off (every report ignored) when that is unset or empty. While the call reports to it,
 * it builds lines of "<date> <hh:mm:ss.mmm> pid <pid> port <port> <text>", and appends them in one
 * write when the call ends. Nothing it does can throw or change the call, its outcome or its calls
 * to the serial layer: a record that cannot be built or written is dropped, and the first failure
 * to write is told once on stderr.
 */
class Trace final : public ExchangeObserver {
  public:
    Trace(std::int32_t port, const Timing &timing) noexcept;

    void port_call(const char *call, std::int32_t result) noexcept override;
    void txrx_begins(std::int32_t timeout_s,
                     std::optional<std::string_view> command) noexcept override;
    void rx_begins(std::int32_t timeout_s) noexcept override;
    void frame_sent(std::optional<std::int32_t> result, std::string_view frame) noexcept override;
    void wait_begins(std::chrono::steady_clock::time_point start,
                     bool has_sio_wait) noexcept override;
    void byte_taken(char byte, std::chrono::steady_clock::time_point at) noexcept override;
    void wait_ends(WaitEnd how, std::string_view received) noexcept override;
    void txrx_ends(std::int32_t result, const ReplyFileFailure *failure,
                   std::string_view outcome) noexcept override;
    void rx_ends(bool handed_back, std::string_view outcome) noexcept override;

  private:
    bool on() const noexcept { return file_ != nullptr; }
    /// Adds a line stamped now with the text @p make() gives.
    template <class MakeText>
    void add(MakeText &&make) noexcept {
        if (!on()) {
            return;
        }
        try {
            add_line(make());
        } catch (...) {
            broken_ = true;
        }
    }
    void add_line(std::string_view text);
    /// "<x.x> ms" from the start of the wait to @p at.
    std::string since_wait(std::chrono::steady_clock::time_point at) const;
    /// The end of a record: the outcome, whole unless it is the reply already shown.
    std::string outcome_text(std::string_view outcome) const;
    /// Appends the record to the file.
    void write() noexcept;

    const char *file_;
    std::int32_t port_;
    const Timing &timing_;
    std::chrono::system_clock::time_point wall_start_;
    std::chrono::steady_clock::time_point start_;
    std::string text_;
    bool broken_ = false;

    // What the wait saw.
    std::int32_t timeout_s_ = 0;
    std::chrono::steady_clock::time_point wait_start_;
    std::uint64_t zeros_ = 0;  // bytes 0 taken and dropped
    bool zeros_known_ = true;  // false without sio_wait, whose count tells a 0 byte from no byte
    std::optional<std::chrono::steady_clock::time_point> first_byte_;  // not a byte 0
    std::chrono::steady_clock::time_point last_byte_;  // the "}" when the wait ends with a reply
    bool replied_ = false;                             // the wait ended with its "}"
};

}  // namespace zarvo

#endif  // ZARVO_TRACE_H
