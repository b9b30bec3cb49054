// SPDX-License-Identifier: MIT
// The frame that carries one command to the printer: start byte, command, checksum, "}".
#ifndef ZARVO_FRAME_H
#define ZARVO_FRAME_H

#include <string>
#include <string_view>

namespace zarvo {

/// ESC, the command unchanged, the low and high bytes of its checksum, "}". The checksum is the
/// sum of the character codes from the 4th character on, modulo 65536; each of its bytes goes out
/// unchanged from 0x80 up and as 255 minus its value below, so it is never "}" or any other ASCII
/// character.
std::string build_frame(std::string_view command);

}  // namespace zarvo

#endif  // ZARVO_FRAME_H
