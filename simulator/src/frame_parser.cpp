// SPDX-License-Identifier: MIT
// Cuts the byte stream from the line into command frames, with bounded memory whatever arrives.
#include "frame_parser.h"

#include "checksum.h"

namespace zarvo::sim {

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
