// SPDX-License-Identifier: MIT
// The protocol trace: with ZARVO_TRACE=<file> set, one record per call of Abre, Fecha, TXRX and RX
// is appended to that file, laid out like the printer simulator's --log so that the two read side
// by side. The file itself is opened and appended by the system's piece (platform.h).
#ifndef ZARVO_TRACE_H
#define ZARVO_TRACE_H

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "receive_reply.h"
#include "timing.h"

namespace zarvo {

/// The file ZARVO_TRACE names, or nullptr when it is unset or empty: then nothing is traced.
inline const char *trace_file() noexcept {
#ifdef ZARVO_WITHOUT_TRACE
    return nullptr;  // the benchmark's build without the trace, to compare with
#else
    const char *file = std::getenv("ZARVO_TRACE");
    return file != nullptr && *file != '\0' ? file : nullptr;
#endif
}

/// A received text longer than this that is not a reply (no "}" in time) is shown as its first
/// and last kTraceEnds bytes and its count; a reply is always shown whole.
inline constexpr std::size_t kTraceWhole = 4096;
inline constexpr std::size_t kTraceEnds = 256;

/// " | <n> bytes | <hex> | <text>", the text with unprintable bytes escaped as \xHH, a backslash
/// as \\, and Latin-1 letters in UTF-8. With @p bounded, a text longer than kTraceWhole shows only
/// its ends.
std::string trace_bytes(std::string_view bytes, bool bounded = false);

/// What the wait saw: the reply or the timeout, the delays, the 0 bytes dropped, the bytes.
std::string trace_reception(const ReceptionNotes &notes, std::int32_t timeout_s);

/// One call's record: lines of "<date> <hh:mm:ss.mmm> pid <pid> port <port> <text>", built while
/// the call runs and appended in one write when it ends. Nothing it does can throw or change the
/// call's outcome: a record that cannot be built or written is dropped, and the first failure to
/// write is told once on stderr.
class TraceRecord {
  public:
    TraceRecord(const char *file, std::int32_t port, const Timing &timing) noexcept;

    /// Adds a line stamped now with the text @p make() gives.
    template <class MakeText>
    void add(MakeText &&make) noexcept {
        try {
            add_line(make());
        } catch (...) {
            broken_ = true;
        }
    }

    /// Appends the record to the file.
    void write() noexcept;

  private:
    void add_line(std::string_view text);

    const char *file_;
    std::int32_t port_;
    const Timing &timing_;
    std::chrono::system_clock::time_point wall_start_;
    std::chrono::steady_clock::time_point start_;
    std::string text_;
    bool broken_ = false;
};

}  // namespace zarvo

#endif  // ZARVO_TRACE_H
