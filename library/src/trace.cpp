// SPDX-License-Identifier: MIT
// The protocol trace's records: time stamps, bytes as hex and escaped text, the wait's story.
#include "trace.h"

#include <atomic>
#include <cstdio>
#include <ctime>

#include "platform.h"

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

std::string trace_reception(const ReceptionNotes &notes, std::int32_t timeout_s) {
    std::string line = notes.brace ? "RX reply"
                       : notes.gone
                           ? "RX the device is gone (SIO_GONE) after " + milliseconds(*notes.gone) +
                                 ", no \"}\" can come, the 99 reply"
                           : "RX no \"}\" within " + std::to_string(timeout_s) + " s, the 99 reply";
    line += notes.first_byte ? ", first byte after " + milliseconds(*notes.first_byte)
                             : ", nothing received";
    if (notes.brace) {
        line += ", \"}\" after " + milliseconds(*notes.brace);
    }
    line += notes.zeros_known ? ", bytes 0 dropped: " + std::to_string(notes.zeros)
                              : ", bytes 0 dropped: not known (the serial layer has no sio_wait)";
    if (notes.first_byte || notes.zeros > 0) {
        line += trace_bytes(notes.received, !notes.brace);
    }
    return line;
}

TraceRecord::TraceRecord(const char *file, std::int32_t port, const Timing &timing) noexcept
    : file_(file),
      port_(port),
      timing_(timing),
      wall_start_(std::chrono::system_clock::now()),
      start_(timing.now()) {}

void TraceRecord::add_line(std::string_view text) {
    // Stamped on the call's own clock (a fake one in the tests), from the wall time of its start.
    const auto at = wall_start_ + std::chrono::duration_cast<std::chrono::system_clock::duration>(
                                      timing_.now() - start_);
    text_ +=
        stamp(at) + " pid " + std::to_string(process_id()) + " port " + std::to_string(port_) + ' ';
    text_ += text;
    text_ += '\n';
}

void TraceRecord::write() noexcept {
    if (broken_ || text_.empty()) {
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
