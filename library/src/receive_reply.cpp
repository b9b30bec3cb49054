// SPDX-License-Identifier: MIT
// ReceiveReply: collect the reply up to its "}" or give the timeout reply, without spinning.
#include "receive_reply.h"

#include <algorithm>
#include <limits>

#include "API232.h"

namespace zarvo {
namespace {

using std::chrono::milliseconds;

// A wake from sio_wait followed by an empty read is normal once (the byte waiting was a 0, which
// sio_getch hands back as "nothing"). After that many empty passes in a row the serial layer is
// no longer trusted to block, and a growing pause is added so the wait cannot spin.
constexpr int kTrustedEmptyPasses = 2;

class ReplyWait {
  public:
    ReplyWait(std::int32_t port, std::int32_t timeout_s, const Timing &timing, SioWait wait,
              ReceptionNotes *notes)
        : port_(port),
          limit_ms_(std::int64_t{timeout_s} * 1000),
          timing_(timing),
          wait_(wait),
          notes_(notes),
          start_(timing.now()) {
        if (notes_ != nullptr) {
            notes_->wait_start = start_.time_since_epoch();
            notes_->zeros_known = wait_ != nullptr;
        }
    }

    std::string run() {
        std::string reply;
        for (;;) {
            // Tested before the read, so there is always one read, and the pass that notices the
            // timeout still takes its byte.
            const bool timed_out = elapsed_ms() > limit_ms_;
            const bool byte_waiting = notes_ != nullptr && wait_ != nullptr && wait_(port_, 0) > 0;
            const std::int32_t value = sio_getch(port_);
            if (notes_ != nullptr) {
                note(value, byte_waiting, timed_out);
            }
            if (timed_out || value == SIO_GONE) {
                note_gone(value);
                return std::string(kNoReplyText);
            }
            if (value > 0) {
                reply.push_back(static_cast<char>(value));
                empty_passes_ = 0;
                if (value == '}') {
                    return reply;
                }
            } else {
                // Capped: the pause stops growing long before that.
                empty_passes_ = std::min(empty_passes_ + 1, kTrustedEmptyPasses + 8);
                if (!wait_for_input()) {
                    note_gone(SIO_GONE);
                    return std::string(kNoReplyText);
                }
            }
        }
    }

  private:
    void note(std::int32_t value, bool byte_waiting, bool timed_out) {
        const auto since_start = timing_.now() - start_;
        if (value > 0) {
            if (!notes_->first_byte) {
                notes_->first_byte = since_start;
            }
            notes_->received.push_back(static_cast<char>(value));
            if (value == '}' && !timed_out) {
                notes_->brace = since_start;
            }
        } else if (value == 0 && byte_waiting) {
            ++notes_->zeros;
        }
        notes_->timed_out = timed_out;
    }

    void note_gone(std::int32_t value) {
        if (notes_ != nullptr && value == SIO_GONE) {
            notes_->gone = timing_.now() - start_;
        }
    }

    std::int64_t elapsed_ms() const {
        return std::chrono::duration_cast<milliseconds>(timing_.now() - start_).count();
    }

    // Milliseconds until the next pass is sure to notice the timeout; 0 or less once it will.
    std::int64_t until_timeout_noticed() const { return limit_ms_ - elapsed_ms() + 1; }

    // False when the serial layer says the device is gone for good: no "}" can come any more.
    bool wait_for_input() {
        const std::int64_t left = until_timeout_noticed();
        if (left <= 0) {
            return true;
        }
        const auto wait_ms = static_cast<std::int32_t>(
            std::min<std::int64_t>(left, std::numeric_limits<std::int32_t>::max()));
        if (wait_ == nullptr) {
            pause(kPaceSlice);
            return true;
        }
        const std::int32_t waiting = wait_(port_, wait_ms);
        if (waiting == SIO_GONE) {
            return false;
        }
        if (waiting < 0) {
            // The device failed; the port may still recover, so keep reading until the timeout, at
            // a slow pace.
            pause(kRetrySlice);
            return true;
        }
        // Fewer bytes waiting than at the last wait: the empty read took a 0 byte off the line.
        // A run of them is input arriving, not a layer that fails to block, and must not be paced,
        // or a reply behind a few hundred 0 bytes would miss its timeout.
        if (waiting > 0 && waiting < last_waiting_) {
            empty_passes_ = 0;
        }
        last_waiting_ = waiting;
        if (empty_passes_ > kTrustedEmptyPasses) {
            const int doublings = std::min(empty_passes_ - kTrustedEmptyPasses - 1, 5);
            pause(std::min(milliseconds{1 << doublings}, kRetrySlice));
        }
        return true;
    }

    // Sleeps @p slice, but never beyond the moment the next pass notices the timeout.
    void pause(milliseconds slice) {
        const std::int64_t left = until_timeout_noticed();
        if (left > 0) {
            timing_.sleep(std::min(slice, milliseconds{left}));
        }
    }

    const std::int32_t port_;
    const std::int64_t limit_ms_;
    const Timing &timing_;
    const SioWait wait_;           ///< The serial layer's sio_wait; null when it has none.
    ReceptionNotes *const notes_;  ///< Null unless the trace is on.
    const std::chrono::steady_clock::time_point start_;
    int empty_passes_ = 0;           ///< Passes in a row that read nothing.
    std::int32_t last_waiting_ = 0;  ///< What the last sio_wait said was waiting.
};

}  // namespace

std::string ReceiveReply(std::int32_t port, std::int32_t timeout_s, const Timing &timing,
                         SioWait wait, ReceptionNotes *notes) {
    return ReplyWait(port, timeout_s, timing, wait, notes).run();
}

}  // namespace zarvo
