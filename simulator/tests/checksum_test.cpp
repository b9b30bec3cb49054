// SPDX-License-Identifier: MIT
// Frames the simulator must accept: the link library's checksum, byte for byte.
#include <gtest/gtest.h>

#include <string>

#include "checksum.h"

namespace zarvo::sim {
namespace {

std::string bytes(std::initializer_list<int> values) {
    std::string out;
    for (const int v : values) {
        out += static_cast<char>(v);
    }
    return out;
}

struct FrameCase {
    std::string command;
    std::uint16_t sum;
    std::string tail;  // the two encoded checksum bytes and "}"
};

TEST(Checksum, FramesMatchTheLinkLibrary) {
    const FrameCase cases[] = {
        {".28", 0x0000, bytes({0xFF, 0xFF, 0x7D})},
        {".36S", 0x0053, bytes({0xAC, 0xFF, 0x7D})},
        {".5618", 0x0069, bytes({0x96, 0xFF, 0x7D})},
        {"#", 0x0000, bytes({0xFF, 0xFF, 0x7D})},
        {"", 0x0000, bytes({0xFF, 0xFF, 0x7D})},
        // A low byte of 0x80 or more goes unchanged.
        {"abcAB", 0x0083, bytes({0x83, 0xFF, 0x7D})},
        // 129 bytes 0xFF after three characters: 0x807F.
        {"abc" + std::string(129, '\xFF'), 0x807F, bytes({0x80, 0x80, 0x7D})},
        // 258 bytes 0xFF wrap past 65535 to 0x00FE.
        {"abc" + std::string(258, '\xFF'), 0x00FE, bytes({0xFE, 0xFF, 0x7D})},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.command.size() < 20 ? c.command
                                           : std::to_string(c.command.size()) + " bytes");
        EXPECT_EQ(command_sum(c.command), c.sum);
        EXPECT_EQ(build_frame(c.command), "\x1B" + c.command + c.tail);
    }
}

TEST(Checksum, EveryEncodedByteIsHighAndNeverTheEndMark) {
    for (unsigned sum = 0; sum <= 0xFFFF; sum += 0x0101) {
        for (const unsigned char b : encode_checksum(static_cast<std::uint16_t>(sum))) {
            EXPECT_GE(b, 0x80);
        }
    }
}

}  // namespace
}  // namespace zarvo::sim
