// SPDX-License-Identifier: MIT
// Fuzz target: one TXRX or RX over a scripted serial layer on a fake clock, checked end to end.
//
// Input: timeout, flags, getch and wait failure patterns, the command's length and bytes, then
// chunks of line bytes, each a gap byte, a length byte and the bytes. The line bytes arrive in
// order on the fake clock; nothing really sleeps.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "API232.h"
#include "Zarvo.h"
#include "ZarvoCountedText.h"
#include "fuzz_check.h"
#include "receive_reply.h"
#include "reply_file_writer.h"
#include "scratch_directory.h"
#include "scripted_serial.h"
#include "txrx.h"

namespace {

using Port = zarvo::testing::ScriptedSerial;
using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Far more reads than any honest wait of the fuzzed timeouts makes: past it the wait spins.
constexpr unsigned kMostCalls = 400000;
// The longest pause the wait may add after a failed or empty read, plus a rounding millisecond.
constexpr milliseconds kPauseAllowance{21};

class Input {
  public:
    Input(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    std::string bytes(std::size_t n) {
        n = std::min(n, size_ - pos_);
        std::string out(reinterpret_cast<const char *>(data_ + pos_), n);
        pos_ += n;
        return out;
    }
    bool empty() const { return pos_ >= size_; }

  private:
    const std::uint8_t *data_;
    std::size_t size_, pos_ = 0;
};

std::int32_t timeoutFrom(std::uint8_t value) {
    if (value == 0x80) {
        return INT32_MIN;
    }
    return static_cast<std::int8_t>(value) / 4;  // -32 to 31 seconds
}

unsigned char encoded(unsigned value) {
    return static_cast<unsigned char>(value >= 0x80 ? value : 0xFF - value);
}

void checkFrame(const std::string &frame, const std::string &command) {
    CHECK(frame.size() == command.size() + 4);
    CHECK(frame.front() == '\x1B' && frame.back() == '}');
    CHECK(frame.compare(1, command.size(), command) == 0);
    unsigned sum = 0;
    for (std::size_t i = 3; i < command.size(); ++i) {
        sum += static_cast<unsigned char>(command[i]);
    }
    sum %= 65536;
    const auto low = static_cast<unsigned char>(frame[command.size() + 1]);
    const auto high = static_cast<unsigned char>(frame[command.size() + 2]);
    CHECK(low >= 0x80 && high >= 0x80);
    CHECK(low == encoded(sum % 256) && high == encoded(sum / 256));
}

// What the port gave up to its first "}", zero bytes dropped, and when that "}" arrived.
struct Expected {
    std::string reply;
    bool has_brace = false;
    std::size_t brace_index = 0;
    nanoseconds brace_at{};
};

Expected expectedFrom(const Port &port) {
    Expected e;
    for (std::size_t i = 0; i < port.line.size(); ++i) {
        if (port.line[i].byte != '\0') {
            e.reply += port.line[i].byte;
        }
        if (port.line[i].byte == '}') {
            e.has_brace = true;
            e.brace_index = i;
            e.brace_at = port.line[i].at;
            break;
        }
    }
    return e;
}

void checkReception(const Port &port, std::int32_t timeout_s, const std::string &outcome) {
    const Expected e = expectedFrom(port);
    // The reply, read to its "}" and not a byte further, or else the 99 reply. A printer may well
    // send the 99 reply's text itself, so only what was read tells the two apart.
    const bool timed_out = !(e.has_brace && outcome == e.reply && port.taken == e.brace_index + 1);
    CHECK(!timed_out || outcome == zarvo::kNoReplyText);
    CHECK(!e.has_brace || port.taken <= e.brace_index + 1);

    const std::int64_t limit_ms = std::int64_t{timeout_s} * 1000;
    const nanoseconds reading_cost = Port::kReadCost * port.getch_calls;
    // Every pause of the wait is a real one.
    CHECK(std::all_of(port.sleeps.begin(), port.sleeps.end(),
                      [](milliseconds pause) { return pause.count() > 0; }));
    if (limit_ms < 0) {
        CHECK(timed_out && port.getch_calls == 1);
        return;
    }
    // The timeout ends the wait neither early nor late.
    if (timed_out) {
        CHECK(port.clock >= milliseconds{limit_ms + 1});
    }
    CHECK(port.clock <= milliseconds{limit_ms + 2} + reading_cost);
    // A "}" that came in good time is never lost: only failed reads may slow the wait down.
    if (e.has_brace && timed_out) {
        const nanoseconds slack = kPauseAllowance * (port.failures + 3) + reading_cost;
        CHECK(e.brace_at + slack > milliseconds{limit_ms});
    }
}

}  // namespace

extern "C" {

int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Input in(data, size);
    Port &port = Port::reset();
    port.keep_log = false;
    port.most_calls = kMostCalls;
    const std::int32_t timeout_s = timeoutFrom(in.byte());
    const std::uint8_t flags = in.byte();
    port.getch_failures = in.byte();
    port.wait_failures = in.byte();
    const bool through_rx = flags & 1;
    if (flags & 2) {
        port.write_result = SIO_IO_ERROR;
    }
    const bool bad_count = (flags & 0x0C) == 0x0C;
    const std::string command = in.bytes(in.byte());
    nanoseconds at{};
    while (!in.empty()) {
        const unsigned gap = in.byte();
        at += microseconds{gap * gap * 64};  // up to about 4 s between chunks
        for (const char byte : in.bytes(in.byte())) {
            port.line.push_back({at, byte});
        }
    }

    if (through_rx) {
        char *text = zarvo::receive_counted_reply(7, timeout_s, port);
        CHECK(text != nullptr);
        std::int32_t count = 0;
        std::memcpy(&count, text - 4, 4);
        CHECK(count >= 0 && text[count] == '\0');
        const std::string outcome(text, static_cast<std::size_t>(count));
        std::free(text - 4);
        CHECK(port.frames.empty());
        checkReception(port, timeout_s, outcome);
        return 0;
    }

    // RespApf.txt goes there, not into the directory the run started in.
    const zarvo::testing::ScratchDirectory scratch("zarvo-fuzz");
    const std::string block =
        zarvo::counted_text(command, bad_count ? std::optional<std::int32_t>(-1) : std::nullopt);
    const std::int32_t result = zarvo::txrx(7, timeout_s, block.data() + 4, port);
    const std::string file = zarvo::testing::read_file(zarvo::kReplyFileName);
    CHECK(file.size() >= 2 && file.ends_with("\r\n"));
    const std::string outcome = file.substr(0, file.size() - 2);
    if (bad_count || port.write_result) {
        CHECK(result == ZARVO_WRITE_FAILED);
        CHECK(outcome == zarvo::kNotWrittenText);
        CHECK(port.getch_calls == 0 && port.frames.size() == (bad_count ? 0u : 1u));
        return 0;
    }
    CHECK(result == ZARVO_WRITTEN && port.frames.size() == 1);
    checkFrame(port.frames.back(), command);
    checkReception(port, timeout_s, outcome);
    return 0;
}

}  // extern "C"
