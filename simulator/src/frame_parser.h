// SPDX-License-Identifier: MIT
// Cuts the byte stream from the line into command frames, with bounded memory whatever arrives.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo::sim {

/// What the parser found in the bytes it was fed.
struct LineEvent {
    enum class Kind {
        frame,            ///< A complete frame; `command` and `checksum_ok` are set.
        noise,            ///< Bytes outside any frame (before a start byte), discarded.
        dropped_pause,    ///< An unfinished frame dropped after the line stayed quiet too long.
        dropped_restart,  ///< An unfinished frame dropped because a new start byte came.
        dropped_overflow  ///< A frame that grew past the size limit, dropped.
    };
    Kind kind;
    std::string bytes;    ///< The raw bytes concerned (for a frame: 0x1B up to and with "}").
    std::string command;  ///< The command text of a frame, without framing and checksum.
    bool checksum_ok = false;
};

/// A frame is 0x1B, the command, two checksum bytes (each 0x80..0xFF), "}". A "}" ends the frame
/// only when the two bytes before it can be a checksum, so a "}" inside a command is kept. An
/// unfinished frame is dropped at the next 0x1B, after a pause without bytes, or when it grows past
/// `max_frame` bytes; bytes that follow an overlong frame are noise until the next 0x1B.
class FrameParser {
  public:
    using Clock = std::chrono::steady_clock;

    static constexpr std::chrono::milliseconds kDefaultPause{1000};
    static constexpr std::size_t kDefaultMaxFrame = 4096;

    explicit FrameParser(std::chrono::milliseconds pause = kDefaultPause,
                         std::size_t max_frame = kDefaultMaxFrame);

    /// Takes the bytes that arrived at @p now and returns what they completed, in order.
    std::vector<LineEvent> feed(std::string_view bytes, Clock::time_point now);

    /// Drops an unfinished frame whose last byte came at least the pause before @p now.
    std::vector<LineEvent> expire(Clock::time_point now);

    /// When an unfinished frame will be dropped if no byte comes; meaningful while in_frame().
    Clock::time_point deadline() const { return last_byte_ + pause_; }

    bool in_frame() const { return in_frame_; }
    std::size_t buffered() const { return frame_.size(); }

  private:
    void drop(LineEvent::Kind why, std::vector<LineEvent> &out);

    std::chrono::milliseconds pause_;
    std::size_t max_frame_;
    bool in_frame_ = false;
    std::string frame_;
    Clock::time_point last_byte_{};
};

}  // namespace zarvo::sim
