// SPDX-License-Identifier: MIT
// Reading the caller's counted command text and building the counted reply text.
#include "counted_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace zarvo {
namespace {

constexpr std::size_t kCountSize = 4;

}  // namespace

std::optional<std::string_view> read_counted_text(const char *text) noexcept {
    if (text == nullptr) {
        return std::string_view{};
    }
    unsigned char count_bytes[kCountSize];
    std::memcpy(count_bytes, text - kCountSize, kCountSize);
    // Assembled byte by byte so the little-endian count reads the same on any host.
    const std::uint32_t raw = std::uint32_t{count_bytes[0]} | std::uint32_t{count_bytes[1]} << 8 |
                              std::uint32_t{count_bytes[2]} << 16 |
                              std::uint32_t{count_bytes[3]} << 24;
    if (raw > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return std::string_view{text, raw};
}

char *make_counted_text(std::string_view chars) noexcept {
    if (chars.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return nullptr;
    }
    auto *block = static_cast<unsigned char *>(std::malloc(kCountSize + chars.size() + 1));
    if (block == nullptr) {
        return nullptr;
    }
    const auto count = static_cast<std::uint32_t>(chars.size());
    for (std::size_t i = 0; i < kCountSize; ++i) {
        block[i] = static_cast<unsigned char>(count >> (8 * i));
    }
    char *first = reinterpret_cast<char *>(block + kCountSize);
    if (!chars.empty()) {
        std::memcpy(first, chars.data(), chars.size());
    }
    first[chars.size()] = '\0';
    return first;
}

}  // namespace zarvo
