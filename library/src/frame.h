// SPDX-License-Identifier: MIT
// The frame that carries one command to the printer: start byte, command, checksum, "}".
#ifndef ZARVO_FRAME_H
#define ZARVO_FRAME_H

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo {

inline constexpr char kFrameStart = '\x1B';
inline constexpr char kFrameEnd = '}';

/// Sum of the character codes from the 4th character on, modulo 65536.
std::uint16_t command_checksum(std::string_view command) noexcept;

/// One checksum byte as it goes on the line: 0x80 and above unchanged, below that 255 - value,
/// so a checksum byte is never "}" or any other ASCII character.
unsigned char encode_checksum_byte(unsigned char value) noexcept;

/// ESC, the command unchanged, the encoded low and high checksum bytes, "}".
std::string build_frame(std::string_view command);

}  // namespace zarvo

#endif  // ZARVO_FRAME_H
