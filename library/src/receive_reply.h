// SPDX-License-Identifier: MIT
// The wait for the printer's reply, shared by TXRX and RX.
#ifndef ZARVO_RECEIVE_REPLY_H
#define ZARVO_RECEIVE_REPLY_H

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "exchange_observer.h"
#include "platform.h"
#include "timing.h"

namespace zarvo {

/// The library's own outcomes, laid out like a printer's refusal: "-" at 2, the code at 21 and 22.
inline constexpr std::string_view kNoReplyText = ".-0001ERRO:         99}";
inline constexpr std::string_view kNotWrittenText = ".-0001ERRO:         98}";

/// The longest pause after a wait on the port failed, so a vanished device costs no CPU.
inline constexpr std::chrono::milliseconds kRetrySlice{20};
/// The pause between reads when the serial layer has no sio_wait: short, so a reply is taken
/// within a few bytes' time at 9600 bit/s, yet no spin.
inline constexpr std::chrono::milliseconds kPaceSlice{5};

/**
 * Reads port @p port until a "}" arrives or more than @p timeout_s seconds (compared in whole
 * milliseconds) have passed since the start. The timeout is tested before each read, so there is
 * always at least one read, and a "}" taken in the pass that notices the timeout still counts as
 * a timeout. Bytes 0 are dropped; bytes after the "}" stay unread. Between passes that read
 * nothing it blocks in sio_wait instead of polling; with no sio_wait (@p wait null) it sleeps
 * kPaceSlice, never beyond the moment the timeout is noticed. Each byte taken is reported to
 * @p observer with the time of its pass, and so is how the wait ended; watching adds no call to the
 * serial layer. sio_getch gives 0 for a byte 0 and for no byte alike; the observer is told of a
 * byte 0 when the last sio_wait counted more bytes waiting than the wait has taken since. One that
 * no count announced (at the very start of the wait, or arriving just after the counted bytes were
 * taken) passes for an empty read.
 * When the serial layer says the device is gone for good (SIO_GONE from sio_getch or sio_wait:
 * unplugged, hung up), no "}" can come any more, and the wait ends at once as a timeout would;
 * any other failure counts as nothing read.
 * @return the reply up to and including its "}", or kNoReplyText after a timeout or a device gone.
 */
std::string ReceiveReply(std::int32_t port, std::int32_t timeout_s, const Timing &timing,
                         SioWait wait = find_sio_wait(), ExchangeObserver &observer = unobserved());

}  // namespace zarvo

#endif  // ZARVO_RECEIVE_REPLY_H
