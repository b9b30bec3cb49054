// SPDX-License-Identifier: MIT
// Counted texts, as TXRX takes its command and RX gives its reply: a 32-bit little-endian count
// in the 4 bytes before the first character, the characters, a NUL. Header-only C++ for every
// C++ caller of Zarvo.h (the window, the tests, the link library itself): it adds nothing to the
// library's C ABI.
#ifndef ZARVO_COUNTED_TEXT_H_PUBLIC
#define ZARVO_COUNTED_TEXT_H_PUBLIC

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zarvo {

inline constexpr std::size_t kCountSize = 4;

/// Writes @p count into the 4 bytes at @p into, least significant first on any host.
inline void store_count(std::uint32_t count, char *into) noexcept {
    for (std::size_t i = 0; i < kCountSize; ++i) {
        into[i] = static_cast<char>((count >> (8 * i)) & 0xFF);
    }
}

/// The count in the 4 bytes at @p from.
inline std::uint32_t load_count(const char *from) noexcept {
    std::uint32_t count = 0;
    for (std::size_t i = 0; i < kCountSize; ++i) {
        count |= std::uint32_t{static_cast<unsigned char>(from[i])} << (8 * i);
    }
    return count;
}

/// The whole block of a counted text holding @p chars: pass data() + kCountSize to TXRX. A
/// @p count other than the length is for tests that hand the library a count that lies.
inline std::string counted_text(std::string_view chars, std::optional<std::int32_t> count = {}) {
    std::string block(kCountSize, '\0');
    store_count(static_cast<std::uint32_t>(count.value_or(static_cast<std::int32_t>(chars.size()))),
                block.data());
    return block.append(chars) + '\0';
}

}  // namespace zarvo

#endif  // ZARVO_COUNTED_TEXT_H_PUBLIC
