// SPDX-License-Identifier: MIT
// The frame checksum: what the link library appends to every command it sends.
#include "checksum.h"

namespace zarvo::sim {

std::uint16_t command_sum(std::string_view command) {
    std::uint32_t sum = 0;
    for (std::size_t i = 3; i < command.size(); ++i) {
        sum += static_cast<unsigned char>(command[i]);
    }
    return static_cast<std::uint16_t>(sum & 0xFFFFu);
}

namespace {
unsigned char encode_byte(unsigned value) {
    return static_cast<unsigned char>(value >= 0x80 ? value : 255 - value);
}
}  // namespace

std::array<unsigned char, 2> encode_checksum(std::uint16_t sum) {
    return {encode_byte(sum & 0xFFu), encode_byte(sum >> 8)};
}

std::string build_frame(std::string_view command) {
    const auto checksum = encode_checksum(command_sum(command));
    std::string frame;
    frame.reserve(command.size() + 4);
    frame += '\x1B';
    frame += command;
    frame += static_cast<char>(checksum[0]);
    frame += static_cast<char>(checksum[1]);
    frame += '}';
    return frame;
}

}  // namespace zarvo::sim
