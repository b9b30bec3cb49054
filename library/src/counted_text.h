// SPDX-License-Identifier: MIT
// Counted texts: a 32-bit little-endian count in the 4 bytes before the first character, a NUL
// after.
#ifndef ZARVO_COUNTED_TEXT_H
#define ZARVO_COUNTED_TEXT_H

#include <optional>
#include <string_view>

namespace zarvo {

/// The characters of the counted text at @p text; NULL is the empty text. The count rules, so the
/// text may hold 0 bytes. A negative count gives nullopt and no character is read.
std::optional<std::string_view> read_counted_text(const char *text) noexcept;

/// A new counted text holding @p chars, in one malloc'ed block (count, characters, NUL); the
/// result points at the first character. nullptr when memory runs out or @p chars is too long to
/// count. Release with free(result - 4).
char *make_counted_text(std::string_view chars) noexcept;

}  // namespace zarvo

#endif  // ZARVO_COUNTED_TEXT_H
