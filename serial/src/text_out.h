// SPDX-License-Identifier: MIT
// Texts handed to a C caller, into a fixed field of a record or into a buffer the caller gives
// with its size, always cut at a UTF-8 character boundary and NUL-ended; and a field's text read
// back from a record a caller gives.
#ifndef API232_TEXT_OUT_H
#define API232_TEXT_OUT_H

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace zarvo::serial {

/// How many bytes of @p text fit in @p room bytes without cutting a UTF-8 character.
inline std::size_t fitting_length(const std::string &text, std::size_t room) {
    std::size_t length = std::min(text.size(), room);
    if (length < text.size()) {
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    return length;
}

/// Copies @p text into a field of @p size bytes, the rest of it zeroed.
template <std::size_t size>
void copy_field(char (&field)[size], const std::string &text) {
    const std::size_t length = fitting_length(text, size - 1);
    std::memcpy(field, text.data(), length);
    std::memset(field + length, 0, size - length);
}

/// The text of a field of a caller's record, up to its NUL or the field's end.
template <std::size_t size>
std::string field_text(const char (&field)[size]) {
    return std::string(field,
                       static_cast<std::size_t>(std::find(field, field + size, '\0') - field));
}

/// Copies what fits of @p text into @p out, of @p size bytes (none when it is 0), and gives the
/// whole text's length; the caller has checked that @p out and @p size go together.
inline std::int32_t copy_out(const std::string &text, char *out, std::int32_t size) {
    if (size > 0) {
        const std::size_t length = fitting_length(text, static_cast<std::size_t>(size) - 1);
        std::memcpy(out, text.data(), length);
        out[length] = '\0';
    }
    return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

/// True when @p out and @p size can take a text: a size of 0 or more, and room when above 0.
inline bool room_for_text(const char *out, std::int32_t size) {
    return size >= 0 && (out != nullptr || size == 0);
}

}  // namespace zarvo::serial

#endif  // API232_TEXT_OUT_H
