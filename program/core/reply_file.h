// SPDX-License-Identifier: MIT
// The reply file RespApf.txt that the link library writes in the current directory.
#pragma once

#include <cstdint>

#include "view.h"

namespace zarvo::window::reply_file {

/// The file's name; it has no directory part.
inline constexpr char kName[] = "RespApf.txt";

/// The first line of the file, read as Latin-1: up to the first CR, a lone LF staying in the line.
/// Throws HandlerError when the file cannot be opened or read, or holds no line at all.
Text readFirstLine();

/// Throws HandlerError telling why the library could not write the file (TXRX gave -2), from
/// the library's own finding and error number (Module1::replyFileFailure).
[[noreturn]] void reportNotWritten(std::int32_t finding, std::int32_t error);

}  // namespace zarvo::window::reply_file
