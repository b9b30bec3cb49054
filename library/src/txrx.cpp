// SPDX-License-Identifier: MIT
// TXRX and RX behind the C ABI: what is sent, what is waited for, what is recorded.
#include "txrx.h"

#include <atomic>
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

namespace zarvo {
namespace {

// sio_write takes the frame length as an int32, and the frame adds 4 bytes to the command.
constexpr std::size_t kLongestCommand = std::numeric_limits<std::int32_t>::max() - 4;

// The latest txrx's finding on RespApf.txt: the cause in the high half, the error in the low.
std::atomic<std::uint64_t> g_reply_file_failure{0};

void keep_reply_file_failure(std::int32_t cause, std::int32_t system_error) noexcept {
    g_reply_file_failure.store(std::uint64_t{static_cast<std::uint32_t>(cause)} << 32 |
                               static_cast<std::uint32_t>(system_error));
}

// Sends the frame of @p command; false when it could not be handed to the port. A negative count
// or a command too long for one write counts as a frame that could not be written.
bool send_command(std::int32_t port, std::int32_t timeout_s, const char *command,
                  ExchangeObserver &observer) {
    const std::optional<std::string_view> text = read_counted_text(command);
    observer.txrx_begins(timeout_s, text);
    if (!text || text->size() > kLongestCommand) {
        observer.frame_sent(std::nullopt, {});
        return false;
    }
    const std::string frame = build_frame(*text);
    const std::int32_t result =
        sio_write(port, frame.data(), static_cast<std::int32_t>(frame.size()));
    observer.frame_sent(result, frame);
    return result >= 0;
}

}  // namespace

std::int32_t txrx(std::int32_t port, std::int32_t timeout_s, const char *command,
                  const Timing &timing, ExchangeObserver &observer) noexcept {
    bool written = false;
    std::string reply;
    std::string_view outcome = kNotWrittenText;
    try {
        written = send_command(port, timeout_s, command, observer);
        if (written) {
            reply = ReceiveReply(port, timeout_s, timing, find_sio_wait(), observer);
            outcome = reply;
        }
    } catch (...) {
        // Out of memory for the frame or the reply: the frame did not go out, or no reply could be
        // kept, which the caller sees like a reply that never came.
        outcome = written ? kNoReplyText : kNotWrittenText;
    }
    ReplyFileFailure failure;
    const bool recorded = write_reply_file(outcome, failure);
    keep_reply_file_failure(recorded ? ZARVO_REPLY_FILE_WRITTEN : failure.cause,
                            recorded ? 0 : failure.system_error);
    const std::int32_t result = !recorded ? ZARVO_LOG_FAILED
                                : written ? ZARVO_WRITTEN
                                          : ZARVO_WRITE_FAILED;
    observer.txrx_ends(result, recorded ? nullptr : &failure, outcome);
    return result;
}

char *receive_counted_reply(std::int32_t port, std::int32_t timeout_s, const Timing &timing,
                            ExchangeObserver &observer) noexcept {
    observer.rx_begins(timeout_s);
    std::string reply;
    std::string_view outcome = kNoReplyText;
    try {
        reply = ReceiveReply(port, timeout_s, timing, find_sio_wait(), observer);
        outcome = reply;
    } catch (...) {
        // No memory to keep the reply: it is lost, as after a timeout.
    }
    char *text = make_counted_text(outcome);
    if (text == nullptr && outcome.size() != kNoReplyText.size()) {
        // Too long to count in 32 bits, or no memory for it: still try the short timeout reply.
        text = make_counted_text(kNoReplyText);
        outcome = kNoReplyText;
    }
    observer.rx_ends(text != nullptr, outcome);
    return text;
}

std::int32_t reply_file_failure(std::int32_t &system_error) noexcept {
    const std::uint64_t kept = g_reply_file_failure.load();
    system_error = static_cast<std::int32_t>(static_cast<std::uint32_t>(kept));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(kept >> 32));
}

}  // namespace zarvo
