// SPDX-License-Identifier: MIT
// The port numbers there are, and the words for a number that is none of them.
#ifndef API232_PORT_NUMBERS_H
#define API232_PORT_NUMBERS_H

#include <cstdint>
#include <string>

namespace zarvo::serial {

inline constexpr std::int32_t kFirstPort = 1;
inline constexpr std::int32_t kLastPort = 255;

constexpr bool is_port(std::int64_t number) {
    return number >= kFirstPort && number <= kLastPort;
}

/// "a porta 300 está fora de 1..255", for the number as it was given.
inline std::string outside_ports(const std::string &number) {
    return "a porta " + number + " está fora de " + std::to_string(kFirstPort) + ".." +
           std::to_string(kLastPort);
}

}  // namespace zarvo::serial

#endif  // API232_PORT_NUMBERS_H
