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

std::string milliseconds(std::chrono::steady_clock::duration duration) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms",
                  std::chrono::duration<double, std::milli>(duration).count());
    return text;
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
    std::string out = " | " + std::to_string(bytes.size()) + " bytes";
    if (bounded && bytes.size() > kTraceWhole) {
        const std::string_view first = bytes.substr(0, kTraceEnds);
        const std::string_view last = bytes.substr(bytes.size() - kTraceEnds);
        out += ", the first and the last " + std::to_string(kTraceEnds) + " shown | ";
        std::string hex;
        append_hex(hex, first);
        hex += " ...";
        append_hex(hex, last);
        out += hex + " | ";
        append_text(out, first);
        out += " ... ";
        append_text(out, last);
        return out;
    }
    std::string hex;
    append_hex(hex, bytes);
    out += " | " + hex + " | ";
    append_text(out, bytes);
    return out;
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

void Trace::wait_begins(bool has_sio_wait) noexcept {
    if (on()) {
        wait_start_ = timing_.now();
        zeros_known_ = has_sio_wait;
    }
}

void Trace::byte_read(std::int32_t value, bool byte_waiting, bool timed_out) noexcept {
    if (!on()) {
        return;
    }
    const auto since_start = timing_.now() - wait_start_;
    if (value > 0) {
        if (!first_byte_) {
            first_byte_ = since_start;
        }
        if (value == '}' && !timed_out) {
            brace_ = since_start;
        }
    } else if (value == 0 && byte_waiting) {
        ++zeros_;
    }
}

void Trace::device_gone() noexcept {
    if (on()) {
        gone_ = timing_.now() - wait_start_;
    }
}

void Trace::wait_ends(std::string_view received) noexcept {
    add([&] {
        std::string line =
            brace_  ? "RX reply"
            : gone_ ? "RX the device is gone (SIO_GONE) after " + milliseconds(*gone_) +
                          ", no \"}\" can come, the 99 reply"
                    : "RX no \"}\" within " + std::to_string(timeout_s_) + " s, the 99 reply";
        line +=
            first_byte_ ? ", first byte after " + milliseconds(*first_byte_) : ", nothing received";
        if (brace_) {
            line += ", \"}\" after " + milliseconds(*brace_);
        }
        line += zeros_known_ ? ", bytes 0 dropped: " + std::to_string(zeros_)
                             : ", bytes 0 dropped: not known (the serial layer has no sio_wait)";
        if (first_byte_ || zeros_ > 0) {
            line += trace_bytes(received, !brace_);
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

std::string Trace::outcome_text(std::string_view outcome) const {
    // The library's own outcomes are shown whole; so is a wait's outcome when the "}" never came
    // or the reply could not be kept.
    const bool own = outcome == kNoReplyText || outcome == kNotWrittenText;
    if (brace_ && !own) {
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
