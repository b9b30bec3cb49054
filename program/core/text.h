// SPDX-License-Identifier: MIT
// Conversions of the window's 16-bit texts, and the helpers the routines use to build them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "view.h"

namespace zarvo::window {

/// UTF-8 bytes (the system's messages, file names) as 16-bit text; a byte that is no part of a
/// valid UTF-8 sequence is taken as a Latin-1 character.
Text fromUtf8(std::string_view bytes);

/// 16-bit text as UTF-8 (a lone surrogate becomes U+FFFD).
std::string toUtf8(const Text &text);

/// ASCII or Latin-1 bytes as 16-bit text: "Abre", a file name, a number.
Text fromLatin1(std::string_view bytes);

/// @p text as the 8-bit bytes that go on the line: a Latin-1 character is its byte, any other
/// character (a surrogate pair counting as one) becomes "?".
std::string latin1Bytes(const Text &text);

/// The characters of @p text from 1-based @p position on, @p length at most; shorter or empty
/// when the text ends first.
Text field(const Text &text, std::size_t position, std::size_t length = Text::npos);

/// The C library's words for the errno value @p error (what fopen and its kind set).
Text systemReason(int error);

}  // namespace zarvo::window
