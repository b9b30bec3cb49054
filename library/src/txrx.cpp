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
#include "receive_reply.h"
#include "reply_file_writer.h"

namespace zarvo {
namespace {

// sio_write takes the frame length as an int32, and the frame adds 4 bytes to the command.
constexpr std::size_t kLongestCommand = std::numeric_limits<std::int32_t>::max() - 4;

// Sends the frame of @p command; false when it could not be handed to the port. A negative count
// or a command too long for one write counts as a frame that could not be written.
bool send_command(std::int32_t port, const char *command) {
    const std::optional<std::string_view> text = read_counted_text(command);
    if (!text || text->size() > kLongestCommand) {
        return false;
    }
    const std::string frame = build_frame(*text);
    return sio_write(port, frame.data(), static_cast<std::int32_t>(frame.size())) >= 0;
}

}  // namespace

std::int32_t txrx(std::int32_t port, std::int32_t timeout_s, const char *command,
                  const Timing &timing) noexcept {
    bool written = false;
    std::string reply;
    std::string_view outcome = kNotWrittenText;
    try {
        written = send_command(port, command);
        if (written) {
            reply = ReceiveReply(port, timeout_s, timing);
            outcome = reply;
        }
    } catch (...) {
        // Out of memory for the frame or the reply: the frame did not go out, or no reply could be
        // kept, which the caller sees like a reply that never came.
        outcome = written ? kNoReplyText : kNotWrittenText;
    }
    if (!write_reply_file(outcome)) {
        return ZARVO_LOG_FAILED;
    }
    return written ? ZARVO_WRITTEN : ZARVO_WRITE_FAILED;
}

char *receive_counted_reply(std::int32_t port, std::int32_t timeout_s,
                            const Timing &timing) noexcept {
    std::string reply;
    std::string_view outcome = kNoReplyText;
    try {
        reply = ReceiveReply(port, timeout_s, timing);
        outcome = reply;
    } catch (...) {
        // No memory to keep the reply: it is lost, as after a timeout.
    }
    char *text = make_counted_text(outcome);
    if (text == nullptr && outcome.size() != kNoReplyText.size()) {
        // Too long to count in 32 bits, or no memory for it: still try the short timeout reply.
        text = make_counted_text(kNoReplyText);
    }
    return text;
}

}  // namespace zarvo
