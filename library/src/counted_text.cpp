// SPDX-License-Identifier: MIT
// Reading the caller's counted command text and building the counted reply text.
#include "counted_text.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "ZarvoCountedText.h"

namespace zarvo {

std::optional<std::string_view> read_counted_text(const char *text) noexcept {
    if (text == nullptr) {
        return std::string_view{};
    }
    const std::uint32_t raw = load_count(text - kCountSize);
    if (raw > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max())) {
        return std::nullopt;
    }
    return std::string_view{text, raw};
}

char *make_counted_text(std::string_view chars) noexcept {
    if (chars.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        return nullptr;
    }
    auto *block = static_cast<char *>(std::malloc(kCountSize + chars.size() + 1));
    if (block == nullptr) {
        return nullptr;
    }
    store_count(static_cast<std::uint32_t>(chars.size()), block);
    char *first = block + kCountSize;
    if (!chars.empty()) {
        std::memcpy(first, chars.data(), chars.size());
    }
    first[chars.size()] = '\0';
    return first;
}

}  // namespace zarvo
