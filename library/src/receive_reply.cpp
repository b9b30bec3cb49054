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
              ExchangeObserver &observer)
        : port_(port),
          limit_ms_(std::int64_t{timeout_s} * 1000),
          timing_(timing),
          wait_(wait),
          observer_(observer),
          start_(timing.now()) {
        observer_.wait_begins(start_, wait_ != nullptr);
    }

    std::string run() {
        std::string reply;
        for (;;) {
            // Tested before the read, so there is always one read, and the pass that notices the
            // timeout still takes its byte.
            const auto at = timing_.now();
            const bool timed_out = elapsed_ms(at) > limit_ms_;
            const std::int32_t value = sio_getch(port_);
            if (took_byte(value)) {
                observer_.byte_taken(static_cast<char>(value), at);
                if (value > 0) {
                    // Kept also in the pass that notices the timeout, for the observer.
                    reply.push_back(static_cast<char>(value));
                }
            }
            if (timed_out || value == SIO_GONE) {
                return no_reply(value == SIO_GONE, reply);
            }
            if (value > 0) {
                empty_passes_ = 0;
                if (value == '}') {
                    observer_.wait_ends(WaitEnd::reply, reply);
                    return reply;
                }
            } else {
                // Capped: the pause stops growing long before that.
                empty_passes_ = std::min(empty_passes_ + 1, kTrustedEmptyPasses + 8);
                if (!wait_for_input()) {
                    return no_reply(true, reply);
                }
            }
        }
    }

  private:
    // The timeout reply, also when the device is gone for good and no "}" can come any more;
    // @p received is what the wait took until then.
    std::string no_reply(bool gone, std::string_view received) {
        observer_.wait_ends(gone ? WaitEnd::device_gone : WaitEnd::timeout, received);
        return std::string(kNoReplyText);
    }

    std::int64_t elapsed_ms(std::chrono::steady_clock::time_point at) const {
        return std::chrono::duration_cast<milliseconds>(at - start_).count();
    }

    // Milliseconds until the next pass is sure to notice the timeout; 0 or less once it will.
    std::int64_t until_timeout_noticed() const { return limit_ms_ - elapsed_ms(timing_.now()) + 1; }

    // Whether the read that gave @p value took a byte off the line. sio_getch gives 0 both for a
    // byte 0 and for nothing waiting; it was a byte when the last sio_wait counted more bytes
    // waiting than the wait has taken since.
    bool took_byte(std::int32_t value) {
        if (value < 0 || (value == 0 && counted_ == 0)) {
            return false;
        }
        if (counted_ > 0) {
            --counted_;
        }
        return true;
    }

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
        counted_ = std::max(waiting, 0);
        if (waiting < 0) {
            // The device failed; the port may still recover, so keep reading until the timeout, at
            // a slow pace.
            pause(kRetrySlice);
            return true;
        }
        // Fewer bytes waiting than at the last wait: the empty read took a 0 byte off the line.
        // A run of them is input arriving, not a layer that fails to block, and must not be paced,
        // or a reply behind a few hundred 0 bytes would miss its timeout. (A 0 read while counted_
        // was above 0 is no proof here: a layer that claims input it does not have would never be
        // paced.)
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
    const SioWait wait_;  ///< The serial layer's sio_wait; null when it has none.
    ExchangeObserver &observer_;
    const std::chrono::steady_clock::time_point start_;
    int empty_passes_ = 0;           ///< Passes in a row that read nothing.
    std::int32_t last_waiting_ = 0;  ///< What the last sio_wait said was waiting.
    std::int32_t counted_ = 0;       ///< Of those, the bytes not taken since.
};

}  // namespace

std::string ReceiveReply(std::int32_t port, std::int32_t timeout_s, const Timing &timing,
                         SioWait wait, ExchangeObserver &observer) {
    return ReplyWait(port, timeout_s, timing, wait, observer).run();
}

}  // namespace zarvo
