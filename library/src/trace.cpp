// SPDX-License-Identifier: MIT
// The protocol trace's records: time stamps, bytes as hex and escaped text, the wait's story.
#include "trace.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform.h"
#include "receive_reply.h"
#include "reply_file_writer.h"

namespace zarvo {
namespace {

void append_hex(std::string &out, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (!out.empty() && out.back() != ' ') {
            out += ' ';
        }
        out += kDigits[c >> 4];
        out += kDigits[c & 0x0F];
    }
}

void append_text(std::string &out, std::string_view bytes) {
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out += "\\\\";
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else if (c >= 0xA0) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        }
    }
}

std::string stamp(std::chrono::system_clock::time_point at) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count() % 1000;
    std::tm local{};
    char text[40] = "0000-00-00 00:00:00";
    std::size_t n = 19;
    if (local_time(seconds, local)) {
        n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    }
    std::snprintf(text + n, sizeof text - n, ".%03d", static_cast<int>(millis));
    return text;
}

std::atomic<bool> g_told{false};

}  // namespace

std::string trace_bytes(std::string_view bytes, bool bounded) {
    std::string out = " | " + std::to_string(bytes.size()) + " bytes", hex, text;
    if (bounded && bytes.size() > kTraceWhole) {
        const std::string_view first = bytes.substr(0, kTraceEnds);
        const std::string_view last = bytes.substr(bytes.size() - kTraceEnds);
        out += ", the first and the last " + std::to_string(kTraceEnds) + " shown";
        append_hex(hex, first);
        hex += " ...";
        append_hex(hex, last);
        append_text(text, first);
        text += " ... ";
        append_text(text, last);
    } else {
        append_hex(hex, bytes);
        append_text(text, bytes);
    }
    return out + " | " + hex + " | " + text;
}

Trace::Trace(std::int32_t port, const Timing &timing) noexcept
    : file_(nullptr), port_(port), timing_(timing) {
    const char *file = std::getenv("ZARVO_TRACE");
    if (file != nullptr && *file != '\0') {
        file_ = file;
        wall_start_ = std::chrono::system_clock::now();
        start_ = timing.now();
    }
}

void Trace::port_call(const char *call, std::int32_t result) noexcept {
    add([&] { return std::string(call) + " result " + std::to_string(result); });
    write();
}

void Trace::txrx_begins(std::int32_t timeout_s, std::optional<std::string_view> command) noexcept {
    timeout_s_ = timeout_s;
    add([&] {
        const std::string head = "TXRX timeout " + std::to_string(timeout_s) + " s, command";
        return command ? head + trace_bytes(*command, true) : head + " with a negative count";
    });
}

void Trace::rx_begins(std::int32_t timeout_s) noexcept {
    timeout_s_ = timeout_s;
    add([&] { return "RX timeout " + std::to_string(timeout_s) + " s, nothing sent"; });
}

void Trace::frame_sent(std::optional<std::int32_t> result, std::string_view frame) noexcept {
    add([&] {
        if (!result) {
            return std::string("TX nothing: the command cannot be sent");
        }
        return "TX frame, sio_write " + std::to_string(*result) +
               (*result >= 0 ? "" : " (failed: nothing is read, the 98 reply)") +
               trace_bytes(frame, true);
    });
}

void Trace::wait_begins(std::chrono::steady_clock::time_point start, bool has_sio_wait) noexcept {
    wait_start_ = start;
    zeros_known_ = has_sio_wait;
}

void Trace::byte_taken(char byte, std::chrono::steady_clock::time_point at) noexcept {
    if (byte == '\0') {
        ++zeros_;
        return;
    }
    if (!first_byte_) {
        first_byte_ = at;
    }
    last_byte_ = at;
}

void Trace::wait_ends(WaitEnd how, std::string_view received) noexcept {
    replied_ = how == WaitEnd::reply;
    add([&] {
        std::string line =
            replied_ ? "RX reply"
            : how == WaitEnd::device_gone
                ? "RX the device is gone (SIO_GONE) after " + since_wait(timing_.now()) +
                      ", no \"}\" can come, the 99 reply"
                : "RX no \"}\" within " + std::to_string(timeout_s_) + " s, the 99 reply";
        line +=
            first_byte_ ? ", first byte after " + since_wait(*first_byte_) : ", nothing received";
        if (replied_) {
            line += ", \"}\" after " + since_wait(last_byte_);
        }
        line += zeros_known_ ? ", bytes 0 dropped: " + std::to_string(zeros_)
                             : ", bytes 0 dropped: not known (the serial layer has no sio_wait)";
        if (first_byte_ || zeros_ > 0) {
            line += trace_bytes(received, !replied_);
        }
        return line;
    });
}

void Trace::txrx_ends(std::int32_t result, const ReplyFileFailure *failure,
                      std::string_view outcome) noexcept {
    add([&] {
        return "TXRX result " + std::to_string(result) +
               (failure == nullptr ? ", RespApf.txt written"
                                   : ", RespApf.txt not written (" + failure->message + ")") +
               ", outcome " + outcome_text(outcome);
    });
    write();
}

void Trace::rx_ends(bool handed_back, std::string_view outcome) noexcept {
    add([&] {
        return std::string(handed_back ? "RX handed back" : "RX handed back nothing (no memory)") +
               ", outcome " + outcome_text(outcome);
    });
    write();
}

std::string Trace::since_wait(std::chrono::steady_clock::time_point at) const {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms",
                  std::chrono::duration<double, std::milli>(at - wait_start_).count());
    return text;
}

std::string Trace::outcome_text(std::string_view outcome) const {
    // The library's own outcomes are shown whole; so is a wait's outcome when the "}" never came
    // or the reply could not be kept.
    const bool own = outcome == kNoReplyText || outcome == kNotWrittenText;
    if (replied_ && !own) {
        return "the reply";
    }
    return std::string(outcome == kNotWrittenText ? "the 98 reply" : "the 99 reply") +
           trace_bytes(outcome);
}

void Trace::add_line(std::string_view text) {
    // Stamped on the call's own clock (a fake one in the tests), from the wall time of its start.
    const auto at = wall_start_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                      timing_.now() - start_);
    text_ +=
        stamp(at) + " pid " + std::to_string(process_id()) + " port " + std::to_string(port_) + ' ';
    text_ += text;
    text_ += '\n';
}

void Trace::write() noexcept {
    if (!on() || broken_ || text_.empty()) {
        return;
    }
    std::string why;
    if (!append_to_trace(file_, text_, why) && !g_told.exchange(true)) {
        std::fprintf(stderr,
                     "Zarvo: cannot write the trace file %s: %s; the exchanges go on "
                     "without it\n",
                     file_, why.c_str());
    }
}

}  // namespace zarvo
