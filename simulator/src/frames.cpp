// SPDX-License-Identifier: MIT
// Command frames: the checksum, building a frame, and cutting the line's bytes into frames.
#include "frames.h"

namespace zarvo::sim {

// The simulator sums and encodes the checksum itself instead of sharing the link library's code,
// on purpose: the end-to-end tests put the two on either side of the line, so a fault in one
// cannot hide behind the same fault in the other.
std::uint16_t command_sum(std::string_view command) {
    std::uint32_t sum = 0;
    for (std::size_t i = 3; i < command.size(); ++i) {
        sum += static_cast<unsigned char>(command[i]);
    }
    return static_cast<std::uint16_t>(sum & 0xFFFFu);
}

namespace {
unsigned char encode_byte(unsigned value) {
    return static_cast<unsigned char>(value >= 0x80 ? value : 255 - value);
}
}  // namespace

std::array<unsigned char, 2> encode_checksum(std::uint16_t sum) {
    return {encode_byte(sum & 0xFFu), encode_byte(sum >> 8)};
}

std::string build_frame(std::string_view command) {
    const auto checksum = encode_checksum(command_sum(command));
    std::string frame;
    frame.reserve(command.size() + 4);
    frame += '\x1B';
    frame += command;
    frame += static_cast<char>(checksum[0]);
    frame += static_cast<char>(checksum[1]);
    frame += '}';
    return frame;
}

namespace {
constexpr char kStart = '\x1B';
constexpr char kEnd = '}';

bool can_be_checksum(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}
}  // namespace

FrameParser::FrameParser(std::chrono::milliseconds pause, std::size_t max_frame)
    : pause_(pause), max_frame_(max_frame < 4 ? 4 : max_frame) {
    frame_.reserve(max_frame_);
}

void FrameParser::drop(LineEvent::Kind why, std::vector<LineEvent> &out) {
    out.push_back({why, frame_, {}, false});
    frame_.clear();
    in_frame_ = false;
}

std::vector<LineEvent> FrameParser::feed(std::string_view bytes, Clock::time_point now) {
    if (bytes.empty()) {
        return {};
    }
    std::vector<LineEvent> out = expire(now);
    last_byte_ = now;

    std::string noise;
    auto flush_noise = [&] {
        if (!noise.empty()) {
            out.push_back({LineEvent::Kind::noise, std::move(noise), {}, false});
            noise.clear();
        }
    };

    for (const char c : bytes) {
        if (c == kStart) {
            flush_noise();
            if (in_frame_) {
                drop(LineEvent::Kind::dropped_restart, out);
            }
            in_frame_ = true;
            frame_.assign(1, c);
            continue;
        }
        if (!in_frame_) {
            noise += c;
            continue;
        }
        frame_ += c;
        // The body is everything after the start byte; its last two bytes before "}" are the
        // checksum.
        const std::size_t body = frame_.size() - 1;
        if (c == kEnd && body >= 3 && can_be_checksum(frame_[frame_.size() - 2]) &&
            can_be_checksum(frame_[frame_.size() - 3])) {
            std::string command = frame_.substr(1, frame_.size() - 4);
            const auto expected = encode_checksum(command_sum(command));
            const bool ok = static_cast<unsigned char>(frame_[frame_.size() - 3]) == expected[0] &&
                            static_cast<unsigned char>(frame_[frame_.size() - 2]) == expected[1];
            out.push_back({LineEvent::Kind::frame, std::move(frame_), std::move(command), ok});
            frame_.clear();
            in_frame_ = false;
            continue;
        }
        if (frame_.size() >= max_frame_) {
            drop(LineEvent::Kind::dropped_overflow, out);
        }
    }
    flush_noise();
    return out;
}

std::vector<LineEvent> FrameParser::expire(Clock::time_point now) {
    std::vector<LineEvent> out;
    if (in_frame_ && now - last_byte_ >= pause_) {
        drop(LineEvent::Kind::dropped_pause, out);
    }
    return out;
}

}  // namespace zarvo::sim
