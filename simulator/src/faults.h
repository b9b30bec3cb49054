// SPDX-License-Identifier: MIT
// Faults chosen on the command line: silence, forced refusals, and replies damaged on the way out.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "printer_model.h"

namespace zarvo::sim {

/// Each CMD pattern matches a command that begins with it; "*" matches every command.
struct FaultSettings {
    bool silent = false;                              ///< Never reply.
    std::optional<long> silent_after;                 ///< Reply to the first N commands only.
    std::vector<std::pair<std::string, int>> refuse;  ///< CMD=CODE: refuse with that code.
    std::vector<std::string> cut;                     ///< Send the reply without its "}".
    std::vector<std::string> nul;                     ///< Put 0 bytes into the reply.
    std::vector<std::string> noise;                   ///< Put noise bytes into the reply.
    std::vector<std::string> cr;                      ///< Put a CR into the reply.
    std::vector<std::string> lf;                      ///< Put a LF into the reply.
    std::vector<std::pair<std::string, std::string>> extra;  ///< Send TEXT after the "}".
    std::optional<int> close_after_block;  ///< Close the line once this reading block is sent.
};

/// The noise bytes that --noise-in-reply puts after the reply's 6th character.
inline constexpr std::string_view kNoise{"\xFF\x7E\x01\x80", 4};
/// What --extra-after sends after the "}" when no text is given.
inline constexpr std::string_view kDefaultExtra{"EXTRA"};
/// Where noise, CR and LF go in: after this many characters of the reply.
inline constexpr std::size_t kInsertAfter = 6;

class FaultLayer {
  public:
    explicit FaultLayer(FaultSettings settings) : settings_(std::move(settings)) {}

    /// Whether the printer ignores its @p number-th command (counting from 1): no reply, no effect.
    bool silent_for(long number) const;

    /// The code of the first --refuse whose pattern matches @p command.
    std::optional<int> forced_refusal(std::string_view command) const;

    /// The bytes that go out for @p reply to @p command. In this order: noise, then CR, then LF
    /// after the 6th character; a 0 byte at the start, after the 2nd character and before the
    /// final "}"; the final "}" cut off; the extra text appended.
    std::string shape(std::string_view command, std::string reply) const;

    /// Whether the line closes once @p reply has gone out.
    bool close_after(const ModelReply &reply) const;

  private:
    static bool any_matches(const std::vector<std::string> &patterns, std::string_view command);

    FaultSettings settings_;
};

}  // namespace zarvo::sim
