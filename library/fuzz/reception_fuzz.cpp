// SPDX-License-Identifier: MIT
// Fuzz target: one TXRX or RX over a scripted serial layer on a fake clock, checked end to end.
//
// Input: timeout, flags, getch and wait failure patterns, the command's length and bytes, then
// chunks of line bytes, each a gap byte, a length byte and the bytes. The line bytes arrive in
// order on the fake clock; nothing really sleeps.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "API232.h"
#include "Zarvo.h"
#include "exchange.h"
#include "fuzz_check.h"
#include "receive_reply.h"
#include "reply_file.h"
#include "test_support.h"
#include "timing.h"

namespace {

using fuzz_check::InScratchDirectory;
using fuzz_check::makeScratchDirectory;

using std::chrono::microseconds;
using std::chrono::milliseconds;
using std::chrono::nanoseconds;

// Far more reads than any honest wait of the fuzzed timeouts makes: past it the wait spins.
constexpr unsigned kMostCalls = 400000;
constexpr microseconds kReadCost{1};
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

// The port as the serial layer shows it, and the clock of the wait.
struct Port final : zarvo::Timing {
    struct Arrival {
        nanoseconds at;
        char byte;
    };
    std::vector<Arrival> line;  ///< Every byte the port will give, in order of arrival.
    std::size_t taken = 0;      ///< How many of them sio_getch has handed out.
    std::uint8_t getch_failures = 0, wait_failures = 0;  ///< Bit i: call i modulo 8 fails.
    bool write_fails = false;
    unsigned getch_calls = 0, wait_calls = 0, write_calls = 0, failures = 0;
    std::string frame;
    mutable nanoseconds clock{};

    std::chrono::steady_clock::time_point now() const override {
        return std::chrono::steady_clock::time_point{
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(clock)};
    }
    void sleep(milliseconds duration) const override {
        CHECK(duration.count() > 0);
        clock += duration;
    }
    bool arrived() const { return taken < line.size() && line[taken].at <= clock; }
};

Port *g_port = nullptr;

bool failsOn(std::uint8_t pattern, unsigned call) {
    return (pattern >> (call % 8)) & 1;
}

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
    const nanoseconds reading_cost = kReadCost * port.getch_calls;
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

void removeScratchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(fuzz_check::scratch_directory, ignored);
}

}  // namespace

extern "C" {

int32_t sio_open(int32_t) {
    return SIO_OK;
}
int32_t sio_ioctl(int32_t, int32_t, int32_t) {
    return SIO_OK;
}
int32_t sio_close(int32_t) {
    return SIO_OK;
}

int32_t sio_write(int32_t, const char *buf, int32_t len) {
    Port &p = *g_port;
    ++p.write_calls;
    CHECK(len >= 0);
    p.frame.assign(buf, static_cast<std::size_t>(len));
    return p.write_fails ? SIO_IO_ERROR : len;
}

int32_t sio_getch(int32_t) {
    Port &p = *g_port;
    CHECK(++p.getch_calls < kMostCalls);
    p.clock += kReadCost;
    if (failsOn(p.getch_failures, p.getch_calls)) {
        ++p.failures;
        return SIO_IO_ERROR;
    }
    if (!p.arrived()) {
        return 0;
    }
    return static_cast<unsigned char>(p.line[p.taken++].byte);  // a zero byte reads as nothing
}

int32_t sio_wait(int32_t, int32_t ms) {
    Port &p = *g_port;
    CHECK(++p.wait_calls < kMostCalls);
    if (failsOn(p.wait_failures, p.wait_calls)) {
        ++p.failures;
        return SIO_IO_ERROR;
    }
    const nanoseconds deadline = p.clock + milliseconds{std::max(ms, 0)};
    if (p.taken < p.line.size() && p.line[p.taken].at <= deadline) {
        p.clock = std::max(p.clock, p.line[p.taken].at);
        std::int32_t waiting = 0;
        for (std::size_t i = p.taken; i < p.line.size() && p.line[i].at <= p.clock; ++i) {
            ++waiting;
        }
        return waiting;
    }
    p.clock = deadline;
    return 0;
}

int LLVMFuzzerInitialize(int *, char ***) {
    makeScratchDirectory();
    std::atexit(removeScratchDirectory);
    return 0;
}

int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    Input in(data, size);
    Port port;
    g_port = &port;
    const std::int32_t timeout_s = timeoutFrom(in.byte());
    const std::uint8_t flags = in.byte();
    port.getch_failures = in.byte();
    port.wait_failures = in.byte();
    const bool through_rx = flags & 1;
    port.write_fails = flags & 2;
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
        CHECK(port.write_calls == 0);
        checkReception(port, timeout_s, outcome);
        return 0;
    }

    const InScratchDirectory scratch;
    const std::string block =
        support::counted(command, bad_count ? std::optional<std::int32_t>(-1) : std::nullopt);
    const std::int32_t result = zarvo::exchange(7, timeout_s, block.data() + 4, port);
    const std::string file = support::read_file(zarvo::kReplyFileName);
    CHECK(file.size() >= 2 && file.ends_with("\r\n"));
    const std::string outcome = file.substr(0, file.size() - 2);
    if (bad_count || port.write_fails) {
        CHECK(result == ZARVO_WRITE_FAILED);
        CHECK(outcome == zarvo::kNotWrittenText);
        CHECK(port.getch_calls == 0 && port.write_calls == (bad_count ? 0u : 1u));
        return 0;
    }
    CHECK(result == ZARVO_WRITTEN && port.write_calls == 1);
    checkFrame(port.frame, command);
    checkReception(port, timeout_s, outcome);
    return 0;
}

}  // extern "C"
