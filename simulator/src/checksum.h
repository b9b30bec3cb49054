// SPDX-License-Identifier: MIT
// The frame checksum: what the link library appends to every command it sends.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo::sim {

/// Sum of the command's bytes from the 4th on, modulo 65536; the first three are never summed.
std::uint16_t command_sum(std::string_view command);

/// The two checksum bytes as they travel, low byte first. A byte of 0x80 or more goes unchanged,
/// a smaller one as 255 minus its value, so both always lie in 0x80..0xFF.
std::array<unsigned char, 2> encode_checksum(std::uint16_t sum);

/// The whole frame for @p command as the link library sends it: 0x1B, the command, the encoded
/// checksum, "}".
std::string build_frame(std::string_view command);

}  // namespace zarvo::sim
