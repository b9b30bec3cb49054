// SPDX-License-Identifier: MIT
// Commands and the frames they go out in, byte for byte: the one table against which both the
// link library's framing and the printer simulator's, written apart on purpose so that one fault
// cannot hide on both ends of the line, are checked.
#pragma once

#include <string>
#include <vector>

namespace known_frames {

struct KnownFrame {
    const char *name;
    std::string command, frame;
};

/// ESC, the command, the checksum (the characters from the 4th on, modulo 65536; each byte, low
/// first, unchanged when 0x80 or more, else 255 minus it) and "}".
inline const std::vector<KnownFrame> &all() {
    static const std::string ff129(129, '\xFF'), ff258(258, '\xFF');
    static const std::vector<KnownFrame> frames = {
        {"status", ".28", "\x1B.28\xFF\xFF}"},
        {"summer_time", ".36S", "\x1B.36S\xAC\xFF}"},
        {"ccf", ".5618", "\x1B.5618\x96\xFF}"},
        {"hash", "#", "\x1B#\xFF\xFF}"},
        {"empty", "", "\x1B\xFF\xFF}"},
        {"sum_0x0083", "abcAB",
         "\x1B"
         "abcAB\x83\xFF}"},
        {"sum_0x01FE", "abc\xFF\xFF",
         "\x1B"
         "abc\xFF\xFF\xFE\xFE}"},
        {"sum_0x807F", "abc" + ff129,
         "\x1B"
         "abc" +
             ff129 + "\x80\x80}"},
        {"sum_wraps", "abc" + ff258,
         "\x1B"
         "abc" +
             ff258 + "\xFE\xFF}"},
        {"zero_byte_inside", {".15\0\x07", 5}, {"\x1B.15\0\x07\xF8\xFF}", 9}},
        {"esc_and_brace_unescaped", ".28}\x1B", "\x1B.28}\x1B\x98\xFF}"},
    };
    return frames;
}

}  // namespace known_frames
