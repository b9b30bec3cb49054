// SPDX-License-Identifier: MIT
// Command frames as they come over the line: 0x1B, the command, a two-byte checksum, "}". The
// checksum, building a frame, and cutting the byte stream into frames with bounded memory.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarvo::sim {

/// Sum of the command's bytes from the 4th on, modulo 65536; the first three are never summed.
std::uint16_t command_sum(std::string_view command);

/// The two checksum bytes as they travel, low byte first. A byte of 0x80 or more goes unchanged,
/// a smaller one as 255 minus its value, so both always lie in 0x80..0xFF.
std::array<unsigned char, 2> encode_checksum(std::uint16_t sum);

/// The whole frame for @p command as the link library sends it: 0x1B, the command, the encoded
/// checksum, "}".
std::string build_frame(std::string_view command);

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
