// SPDX-License-Identifier: MIT
// Fuzz target: the simulator's frame parser over arbitrary line bytes cut at arbitrary points.
//
// Input: the frame size limit, then chunks, each a gap byte, a length byte and the bytes. The
// chunks are fed once as they come (gaps on a fake clock, so quiet lines drop unfinished frames),
// once all at the same instant, and once as a single feed; the last two must agree.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "frames.h"
#include "fuzz_check.h"

namespace {

using zarvo::sim::FrameParser;
using zarvo::sim::LineEvent;
using Kind = LineEvent::Kind;

constexpr char kStart = '\x1B';

struct Chunk {
    std::chrono::milliseconds gap;
    std::string bytes;
};

bool high(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// The first "}" that the two bytes before it let pass as a checksum, counted from the start byte.
std::size_t firstPossibleEnd(std::string_view frame) {
    for (std::size_t i = 3; i < frame.size(); ++i) {
        if (frame[i] == '}' && high(frame[i - 1]) && high(frame[i - 2])) {
            return i;
        }
    }
    return std::string_view::npos;
}

bool checksumMatches(std::string_view command, char low, char high_byte) {
    unsigned sum = 0;
    for (std::size_t i = 3; i < command.size(); ++i) {
        sum += static_cast<unsigned char>(command[i]);
    }
    sum %= 65536;
    const auto encode = [](unsigned v) { return v >= 0x80 ? v : 0xFF - v; };
    return static_cast<unsigned char>(low) == encode(sum % 256) &&
           static_cast<unsigned char>(high_byte) == encode(sum / 256);
}

void checkEvent(const LineEvent &e, std::size_t max_frame) {
    if (e.kind == Kind::noise) {
        CHECK(!e.bytes.empty() && e.bytes.find(kStart) == std::string::npos);
        return;
    }
    // Whatever the parser holds or hands over of one frame stays within the limit.
    CHECK(!e.bytes.empty() && e.bytes.size() <= max_frame);
    CHECK(e.bytes.front() == kStart && e.bytes.find(kStart, 1) == std::string::npos);
    if (e.kind != Kind::frame) {
        CHECK(firstPossibleEnd(e.bytes) == std::string::npos);
        CHECK(e.command.empty() && !e.checksum_ok);
        return;
    }
    const std::string_view frame = e.bytes;
    CHECK(frame.size() >= 4 && firstPossibleEnd(frame) == frame.size() - 1);
    CHECK(e.command == frame.substr(1, frame.size() - 4));
    CHECK(e.checksum_ok ==
          checksumMatches(e.command, frame[frame.size() - 3], frame[frame.size() - 2]));
}

struct Run {
    std::vector<LineEvent> events;
    std::string seen;  ///< The bytes of every event, in order.
    std::size_t fed = 0;
};

void take(Run &run, std::vector<LineEvent> events, std::size_t max_frame) {
    for (LineEvent &e : events) {
        checkEvent(e, max_frame);
        run.seen += e.bytes;
        run.events.push_back(std::move(e));
    }
}

void feed(Run &run, FrameParser &parser, std::string_view bytes, FrameParser::Clock::time_point at,
          std::size_t max_frame, const std::string &line) {
    take(run, parser.feed(bytes, at), max_frame);
    run.fed += bytes.size();
    // Nothing is lost or made up: what was handed over, then what is held, is what came in.
    CHECK(parser.buffered() <= max_frame);
    CHECK(run.seen.size() + parser.buffered() == run.fed);
    CHECK(std::string_view(line).substr(0, run.seen.size()) == run.seen);
    CHECK(parser.in_frame() == (parser.buffered() > 0));
}

// Events with runs of noise joined, since noise is reported once per feed.
std::vector<LineEvent> joinNoise(const std::vector<LineEvent> &events) {
    std::vector<LineEvent> joined;
    for (const LineEvent &e : events) {
        if (e.kind == Kind::noise && !joined.empty() && joined.back().kind == Kind::noise) {
            joined.back().bytes += e.bytes;
        } else {
            joined.push_back(e);
        }
    }
    return joined;
}

bool sameEvents(const std::vector<LineEvent> &a, const std::vector<LineEvent> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.kind == y.kind && x.bytes == y.bytes && x.command == y.command &&
               x.checksum_ok == y.checksum_ok;
    });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::size_t pos = 0;
    auto byte = [&] { return pos < size ? data[pos++] : std::uint8_t{0}; };
    const std::uint8_t limit = byte();
    const std::size_t max_frame = limit < 0xF0 ? std::max<std::size_t>(4, limit) : 4096;
    std::vector<Chunk> chunks;
    std::string line;
    while (pos < size) {
        const std::chrono::milliseconds gap{byte() * 8};  // up to about 2 s: some drop a frame
        const std::size_t wanted = byte();
        const std::size_t n = std::min(wanted, size - pos);
        chunks.push_back({gap, std::string(reinterpret_cast<const char *>(data + pos), n)});
        line += chunks.back().bytes;
        pos += n;
    }

    FrameParser::Clock::time_point now{};
    FrameParser timed(FrameParser::kDefaultPause, max_frame);
    Run timed_run;
    for (const Chunk &chunk : chunks) {
        now += chunk.gap;
        take(timed_run, timed.expire(now), max_frame);
        feed(timed_run, timed, chunk.bytes, now, max_frame, line);
    }
    take(timed_run, timed.expire(now + FrameParser::kDefaultPause), max_frame);
    CHECK(!timed.in_frame() && timed_run.seen == line);

    // Where the line is cut does not change what it holds.
    FrameParser pieces(FrameParser::kDefaultPause, max_frame),
        whole(FrameParser::kDefaultPause, max_frame);
    Run pieces_run, whole_run;
    for (const Chunk &chunk : chunks) {
        feed(pieces_run, pieces, chunk.bytes, {}, max_frame, line);
    }
    feed(whole_run, whole, line, {}, max_frame, line);
    CHECK(pieces.buffered() == whole.buffered());
    CHECK(sameEvents(joinNoise(pieces_run.events), joinNoise(whole_run.events)));

    // Any command the link library frames comes back whole with its checksum, unless it holds a
    // start byte or a "}" that looks like the frame's end.
    const std::string frame = zarvo::sim::build_frame(line.substr(0, max_frame - 4));
    if (frame.find(kStart, 1) == std::string::npos && firstPossibleEnd(frame) == frame.size() - 1) {
        FrameParser parser(FrameParser::kDefaultPause, max_frame);
        const std::vector<LineEvent> events = parser.feed(frame, {});
        CHECK(events.size() == 1 && events[0].kind == Kind::frame && events[0].checksum_ok);
        CHECK(events[0].command == line.substr(0, max_frame - 4));
    }
    return 0;
}
