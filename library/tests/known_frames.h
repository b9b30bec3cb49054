// SPDX-License-Identifier: MIT
// Commands and the frames they go out in, byte for byte: the one table against which both the
// link library's framing and the printer simulator's, written apart on purpose so that one fault
// cannot hide on both ends of the line, are checked.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace known_frames {

/// ESC, the command, the checksum (the characters from the 4th on, modulo 65536; each byte, low
/// first, unchanged when 0x80 or more, else 255 minus it) and "}".
struct KnownFrame {
    KnownFrame(const char *name, const std::string &command, std::string_view checksum)
        : name(name), command(command), frame("\x1B" + command + std::string(checksum) + "}") {}
    const char *name;
    std::string command, frame;
};

inline const std::vector<KnownFrame> &all() {
    static const std::string ff128(128, '\xFF'), ff129(129, '\xFF'), ff258(258, '\xFF');
    static const std::vector<KnownFrame> frames = {
        {"status", ".28", "\xFF\xFF"},
        {"summer_time", ".36S", "\xAC\xFF"},
        {"ccf", ".5618", "\x96\xFF"},
        {"hash", "#", "\xFF\xFF"},
        {"empty", "", "\xFF\xFF"},
        {"sum_0x0083", "abcAB", "\x83\xFF"},
        {"sum_0x01FE", "abc\xFF\xFF", "\xFE\xFE"},
        // 0x7F and 0x80 in either byte: where the encoding turns.
        {"sum_0x7F80", "abc" + ff128, "\x80\x80"},
        {"sum_0x807F", "abc" + ff129, "\x80\x80"},
        {"sum_wraps", "abc" + ff258, "\xFE\xFF"},
        {"zero_byte_inside", {".15\0\x07", 5}, "\xF8\xFF"},
        {"esc_and_brace_unescaped", ".28}\x1B", "\x98\xFF"},
    };
    return frames;
}

}  // namespace known_frames
