// SPDX-License-Identifier: MIT
// Frames: the known frames byte for byte, then the parser: split feeds, noise, bad
// checksums, frames that never end, bounded memory. Random lines are the fuzz target's part
// (simulator/fuzz: nothing lost or made up, the buffer bounded, any cut the same).
#include <gtest/gtest.h>

#include <string>

#include "frames.h"
#include "known_frames.h"

namespace zarvo::sim {
namespace {

// The table holds 0x7F and 0x80 in either checksum byte, where the encoding turns, so it also
// shows every encoded byte to be 0x80 or more, never the end mark.
TEST(Checksum, FramesMatchTheKnownFrames) {
    for (const auto &known : known_frames::all()) {
        SCOPED_TRACE(known.name);
        EXPECT_EQ(build_frame(known.command), known.frame);
    }
}

using namespace std::chrono_literals;
using Kind = LineEvent::Kind;
using Clock = FrameParser::Clock;

const Clock::time_point t0{};

std::vector<LineEvent> of_kind(const std::vector<LineEvent> &events, Kind kind) {
    std::vector<LineEvent> out;
    for (const auto &e : events) {
        if (e.kind == kind) {
            out.push_back(e);
        }
    }
    return out;
}

// One feed each: what the parser reports, event by event (kind, command or bytes, checksum).
TEST(FrameParser, WhatOneFeedGives) {
    struct Event {
        Kind kind;
        std::string text;  ///< The command of a frame, the bytes of anything else.
        bool checksum_ok = true;
    };
    std::string bad = build_frame(".36S");
    bad[bad.size() - 3] = '\xAD';  // the low byte, off by one
    const std::pair<std::string, std::vector<Event>> cases[] = {
        {build_frame(".28"), {{Kind::frame, ".28"}}},
        {"xx}\x7F" + build_frame(".23") + "tail",
         {{Kind::noise, "xx}\x7F"}, {Kind::frame, ".23"}, {Kind::noise, "tail"}}},
        {bad, {{Kind::frame, ".36S", false}}},
        {build_frame("#}a}"), {{Kind::frame, "#}a}"}}},  // a "}" inside does not end the frame
        {"\x1B.15000" + build_frame(".28"),
         {{Kind::dropped_restart, "\x1B.15000"}, {Kind::frame, ".28"}}},
    };
    for (const auto &[input, expected] : cases) {
        SCOPED_TRACE(input);
        FrameParser parser;
        const auto events = parser.feed(input, t0);
        ASSERT_EQ(events.size(), expected.size());
        for (std::size_t i = 0; i < events.size(); ++i) {
            EXPECT_EQ(events[i].kind, expected[i].kind) << i;
            if (events[i].kind == Kind::frame) {
                EXPECT_EQ(events[i].command, expected[i].text);
                EXPECT_EQ(events[i].checksum_ok, expected[i].checksum_ok);
            } else {
                EXPECT_EQ(events[i].bytes, expected[i].text);
            }
        }
        EXPECT_FALSE(parser.in_frame());
    }
    EXPECT_EQ(FrameParser().feed(build_frame(".28"), t0)[0].bytes, build_frame(".28"));
}

TEST(FrameParser, FramesSplitAcrossFeedsAtEveryPoint) {
    const std::string stream = build_frame(".1500011000#") + build_frame(".36S");
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        FrameParser parser;
        auto events = parser.feed(stream.substr(0, cut), t0);
        const auto rest = parser.feed(stream.substr(cut), t0 + 10ms);
        events.insert(events.end(), rest.begin(), rest.end());
        ASSERT_EQ(events.size(), 2u) << "cut at " << cut;
        EXPECT_EQ(events[0].command, ".1500011000#");
        EXPECT_EQ(events[1].command, ".36S");
        EXPECT_TRUE(events[0].checksum_ok && events[1].checksum_ok);
    }
}

// An unfinished frame is dropped once no byte came for the pause, and what comes after it is
// noise; bytes that keep coming within the pause keep the frame alive.
TEST(FrameParser, UnfinishedFrameDroppedAfterThePause) {
    const std::string frame = build_frame(".28");
    const std::string start = frame.substr(0, 3);
    FrameParser parser(1000ms);
    EXPECT_TRUE(parser.feed(start, t0).empty());
    EXPECT_TRUE(parser.in_frame());
    EXPECT_EQ(parser.deadline(), t0 + 1000ms);
    EXPECT_TRUE(parser.expire(t0 + 999ms).empty());
    const auto dropped = parser.expire(t0 + 1000ms);
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].kind, Kind::dropped_pause);
    EXPECT_EQ(dropped[0].bytes, start);
    EXPECT_FALSE(parser.in_frame());
    EXPECT_EQ(parser.buffered(), 0u);

    parser.feed(start, t0);
    const auto late = parser.feed(frame.substr(3), t0 + 1500ms);  // expire() not called in time
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].kind, Kind::dropped_pause);
    EXPECT_EQ(late[1].kind, Kind::noise);

    parser.feed(frame.substr(0, 2), t0);
    parser.feed(frame.substr(2, 1), t0 + 900ms);
    const auto done = parser.feed(frame.substr(3), t0 + 1800ms);
    ASSERT_EQ(done.size(), 1u);
    EXPECT_EQ(done[0].command, ".28");
}

TEST(FrameParser, OverlongFrameIsDroppedAndMemoryStaysBounded) {
    FrameParser parser(1000ms, 64);
    std::vector<LineEvent> events = parser.feed("\x1B", t0);
    for (int i = 0; i < 1000; ++i) {
        const auto e = parser.feed(std::string(100, 'A'), t0);
        events.insert(events.end(), e.begin(), e.end());
        ASSERT_LE(parser.buffered(), 64u);
    }
    EXPECT_EQ(of_kind(events, Kind::dropped_overflow).size(), 1u);
    // The line recovers at the next start byte.
    const auto after = parser.feed(build_frame(".28"), t0);
    ASSERT_EQ(of_kind(after, Kind::frame).size(), 1u);
    EXPECT_EQ(of_kind(after, Kind::frame)[0].command, ".28");
}

}  // namespace
}  // namespace zarvo::sim
