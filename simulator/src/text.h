// SPDX-License-Identifier: MIT
// Small text helpers: fixed-width numbers, money, and bytes shown for the log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarvo::sim {

/// Whether @p text is one or more ASCII digits.
bool all_digits(std::string_view text);

/// @p value as decimal digits, padded on the left with zeros to @p width (never cut).
std::string zero_padded(std::uint64_t value, int width);

/// An amount in cents in the Brazilian way: thousands with ".", cents after ",": 1.234.567,89.
std::string money(std::int64_t cents);

/// The bytes in hexadecimal, two digits each, separated by blanks: "1B 2E 32".
std::string hex_bytes(std::string_view bytes);

/// The bytes as a readable UTF-8 line: printable ASCII as is, Latin-1 letters (0xA0..0xFF) as
/// their characters, "\\" as "\\\\", every other byte as \xNN.
std::string readable(std::string_view bytes);

}  // namespace zarvo::sim
