// SPDX-License-Identifier: MIT
// What a call of the library reports while it runs, to whoever watches it: the protocol trace
// (trace.h). Each report does nothing here, and none asks the call for anything it would not do
// anyway, so a watched call makes the same calls to the serial layer as one nobody watches.
#ifndef ZARVO_EXCHANGE_OBSERVER_H
#define ZARVO_EXCHANGE_OBSERVER_H

#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zarvo {

struct ReplyFileFailure;

/// How a wait for the reply ended: with its "}", at its timeout, or when the serial layer said the
/// device is gone for good (SIO_GONE), which no "}" can follow.
enum class WaitEnd { reply, timeout, device_gone };

class ExchangeObserver {
  public:
    virtual ~ExchangeObserver() = default;

    /// Abre or Fecha returned @p result.
    virtual void port_call(const char * /*call*/, std::int32_t /*result*/) noexcept {}

    /// TXRX begins with @p command, or nullopt when its count is negative.
    virtual void txrx_begins(std::int32_t /*timeout_s*/,
                             std::optional<std::string_view> /*command*/) noexcept {}
    /// RX begins: a wait with nothing sent.
    virtual void rx_begins(std::int32_t /*timeout_s*/) noexcept {}
    /// The frame was handed to sio_write, which returned @p result; @p frame is empty when the
    /// command could not be framed.
    virtual void frame_sent(std::optional<std::int32_t> /*result*/,
                            std::string_view /*frame*/) noexcept {}

    /// The wait for the reply begins at @p start; @p has_sio_wait tells whether the serial layer
    /// can block, and so whether the wait can tell a byte 0 from an empty read.
    virtual void wait_begins(std::chrono::steady_clock::time_point /*start*/,
                             bool /*has_sio_wait*/) noexcept {}
    /// The wait took @p byte off the line in the pass that began at @p at; a byte 0 only when the
    /// wait could tell it from an empty read (ReceiveReply says when).
    virtual void byte_taken(char /*byte*/, std::chrono::steady_clock::time_point /*at*/) noexcept {}
    /// The wait is over, @p how; @p received holds every byte it took, 0 bytes dropped, also when
    /// it ends without a reply.
    virtual void wait_ends(WaitEnd /*how*/, std::string_view /*received*/) noexcept {}

    /// TXRX ends with @p result and @p outcome; @p failure is set when RespApf.txt was not
    /// written.
    virtual void txrx_ends(std::int32_t /*result*/, const ReplyFileFailure * /*failure*/,
                           std::string_view /*outcome*/) noexcept {}
    /// RX ends with @p outcome; @p handed_back is false when no memory could be had for it.
    virtual void rx_ends(bool /*handed_back*/, std::string_view /*outcome*/) noexcept {}
};

/// An observer that watches nothing, for calls made with no trace.
inline ExchangeObserver &unobserved() noexcept {
    static ExchangeObserver none;
    return none;
}

}  // namespace zarvo

#endif  // ZARVO_EXCHANGE_OBSERVER_H
