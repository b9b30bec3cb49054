// SPDX-License-Identifier: MIT
// Faults chosen on the command line: silence, forced refusals, and replies damaged on the way out.
#include "faults.h"

#include <algorithm>

namespace zarvo::sim {

namespace {
bool pattern_matches(std::string_view pattern, std::string_view command) {
    return pattern == "*" || command.starts_with(pattern);
}
}  // namespace

bool FaultLayer::any_matches(const std::vector<std::string> &patterns, std::string_view command) {
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const std::string &p) { return pattern_matches(p, command); });
}

bool FaultLayer::silent_for(long number) const {
    return settings_.silent || (settings_.silent_after && number > *settings_.silent_after);
}

std::optional<int> FaultLayer::forced_refusal(std::string_view command) const {
    for (const auto &[pattern, code] : settings_.refuse) {
        if (pattern_matches(pattern, command)) {
            return code;
        }
    }
    return std::nullopt;
}

std::string FaultLayer::shape(std::string_view command, std::string reply) const {
    std::size_t at = std::min(kInsertAfter, reply.empty() ? 0 : reply.size() - 1);
    if (any_matches(settings_.noise, command)) {
        reply.insert(at, kNoise);
        at += kNoise.size();
    }
    if (any_matches(settings_.cr, command)) {
        reply.insert(at, 1, '\r');
        ++at;
    }
    if (any_matches(settings_.lf, command)) {
        reply.insert(at, 1, '\n');
    }
    if (any_matches(settings_.nul, command) && !reply.empty()) {
        reply.insert(reply.size() - 1, 1, '\0');
        reply.insert(std::min<std::size_t>(2, reply.size()), 1, '\0');
        reply.insert(0, 1, '\0');
    }
    if (any_matches(settings_.cut, command) && !reply.empty() && reply.back() == '}') {
        reply.pop_back();
    }
    for (const auto &[pattern, text] : settings_.extra) {
        if (pattern_matches(pattern, command)) {
            reply += text;
        }
    }
    return reply;
}

bool FaultLayer::close_after(const ModelReply &reply) const {
    return settings_.close_after_block && reply.block > 0 &&
           reply.block == *settings_.close_after_block;
}

}  // namespace zarvo::sim
