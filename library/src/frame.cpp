// SPDX-License-Identifier: MIT
// Framing and checksum of a command.
#include "frame.h"

#include <cstdint>

namespace zarvo {
namespace {

constexpr char kFrameStart = '\x1B';
constexpr char kFrameEnd = '}';

std::uint16_t command_checksum(std::string_view command) noexcept {
    std::uint16_t sum = 0;
    // The printer leaves the first three characters (the command's dot and number) out of the sum.
    for (std::size_t i = 3; i < command.size(); ++i) {
        sum = static_cast<std::uint16_t>(sum + static_cast<unsigned char>(command[i]));
    }
    return sum;
}

char encode_checksum_byte(std::uint8_t value) noexcept {
    return static_cast<char>(value >= 0x80 ? value : 0xFF - value);
}

}  // namespace

std::string build_frame(std::string_view command) {
    const std::uint16_t sum = command_checksum(command);
    std::string frame;
    frame.reserve(command.size() + 4);
    frame.push_back(kFrameStart);
    frame.append(command);
    frame.push_back(encode_checksum_byte(static_cast<std::uint8_t>(sum & 0xFF)));
    frame.push_back(encode_checksum_byte(static_cast<std::uint8_t>(sum >> 8)));
    frame.push_back(kFrameEnd);
    return frame;
}

}  // namespace zarvo
