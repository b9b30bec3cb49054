// SPDX-License-Identifier: MIT
// TXRX and RX behind the C ABI: what is sent, what is waited for, what is recorded.
#include "txrx.h"

#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "API232.h"
#include "Zarvo.h"
#include "counted_text.h"
#include "frame.h"
#include "platform.h"
#include "receive_reply.h"
#include "reply_file_writer.h"
#include "trace.h"

namespace zarvo {
namespace {

// sio_write takes the frame length as an int32, and the frame adds 4 bytes to the command.
constexpr std::size_t kLongestCommand = std::numeric_limits<std::int32_t>::max() - 4;

// Sends the frame of @p command; false when it could not be handed to the port. A negative count
// or a command too long for one write counts as a frame that could not be written.
bool send_command(std::int32_t port, std::int32_t timeout_s, const char *command,
                  TraceRecord *trace) {
    const std::optional<std::string_view> text = read_counted_text(command);
    if (trace != nullptr) {
        trace->add([&] {
            const std::string head = "TXRX timeout " + std::to_string(timeout_s) + " s, command";
            return text ? head + trace_bytes(*text, true) : head + " with a negative count";
        });
    }
    if (!text || text->size() > kLongestCommand) {
        if (trace != nullptr) {
            trace->add([] { return std::string("TX nothing: the command cannot be sent"); });
        }
        return false;
    }
    const std::string frame = build_frame(*text);
    const std::int32_t result =
        sio_write(port, frame.data(), static_cast<std::int32_t>(frame.size()));
    if (trace != nullptr) {
        trace->add([&] {
            return "TX frame, sio_write " + std::to_string(result) +
                   (result >= 0 ? "" : " (failed: nothing is read, the 98 reply)") +
                   trace_bytes(frame, true);
        });
    }
    return result >= 0;
}

// The end of a record: the outcome, whole unless it is the reply already shown.
std::string outcome_text(std::string_view outcome, bool is_reply) {
    if (is_reply) {
        return "the reply";
    }
    return std::string(outcome == kNotWrittenText ? "the 98 reply" : "the 99 reply") +
           trace_bytes(outcome);
}

}  // namespace

std::int32_t txrx(std::int32_t port, std::int32_t timeout_s, const char *command,
                  const Timing &timing) noexcept {
    const char *const file = trace_file();
    std::optional<TraceRecord> trace;
    ReceptionNotes notes;
    if (file != nullptr) {
        trace.emplace(file, port, timing);
    }
    TraceRecord *const record = trace ? &*trace : nullptr;
    bool written = false;
    bool received = false;
    std::string reply;
    std::string_view outcome = kNotWrittenText;
    try {
        written = send_command(port, timeout_s, command, record);
        if (written) {
            reply = ReceiveReply(port, timeout_s, timing, find_sio_wait(),
                                 record != nullptr ? &notes : nullptr);
            outcome = reply;
            received = notes.brace.has_value();
            if (record != nullptr) {
                record->add([&] { return trace_reception(notes, timeout_s); });
            }
        }
    } catch (...) {
        // Out of memory for the frame or the reply: the frame did not go out, or no reply could be
        // kept, which the caller sees like a reply that never came.
        outcome = written ? kNoReplyText : kNotWrittenText;
        received = false;
    }
    std::string why;
    const bool recorded = write_reply_file(outcome, record != nullptr ? &why : nullptr);
    const std::int32_t result = !recorded ? ZARVO_LOG_FAILED
                                : written ? ZARVO_WRITTEN
                                          : ZARVO_WRITE_FAILED;
    if (record != nullptr) {
        record->add([&] {
            return "TXRX result " + std::to_string(result) +
                   (recorded ? ", RespApf.txt written"
                             : ", RespApf.txt not written (" + why + ")") +
                   ", outcome " + outcome_text(outcome, received);
        });
        record->write();
    }
    return result;
}

char *receive_counted_reply(std::int32_t port, std::int32_t timeout_s,
                            const Timing &timing) noexcept {
    const char *const file = trace_file();
    std::optional<TraceRecord> trace;
    ReceptionNotes notes;
    if (file != nullptr) {
        trace.emplace(file, port, timing);
        trace->add([&] { return "RX timeout " + std::to_string(timeout_s) + " s, nothing sent"; });
    }
    std::string reply;
    std::string_view outcome = kNoReplyText;
    bool received = false;
    try {
        reply = ReceiveReply(port, timeout_s, timing, find_sio_wait(), trace ? &notes : nullptr);
        outcome = reply;
        received = notes.brace.has_value();
        if (trace) {
            trace->add([&] { return trace_reception(notes, timeout_s); });
        }
    } catch (...) {
        // No memory to keep the reply: it is lost, as after a timeout.
    }
    char *text = make_counted_text(outcome);
    if (text == nullptr && outcome.size() != kNoReplyText.size()) {
        // Too long to count in 32 bits, or no memory for it: still try the short timeout reply.
        text = make_counted_text(kNoReplyText);
        received = false;
        outcome = kNoReplyText;
    }
    if (trace) {
        trace->add([&] {
            return std::string(text != nullptr ? "RX handed back"
                                               : "RX handed back nothing (no "
                                                 "memory)") +
                   ", outcome " + outcome_text(outcome, received);
        });
        trace->write();
    }
    return text;
}

}  // namespace zarvo
