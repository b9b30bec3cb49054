// SPDX-License-Identifier: MIT
// One command exchange (TXRX) and one bare wait (RX), on an injectable clock, reported to an
// observer.
#ifndef ZARVO_TXRX_H
#define ZARVO_TXRX_H

#include <cstdint>

#include "exchange_observer.h"
#include "timing.h"

namespace zarvo {

/// TXRX on @p timing's clock: frame and send the counted @p command, wait for the reply, record
/// the outcome in RespApf.txt, and keep why it could not be (reply_file_failure). Returns
/// ZARVO_WRITTEN, ZARVO_WRITE_FAILED or ZARVO_LOG_FAILED.
std::int32_t txrx(std::int32_t port, std::int32_t timeout_s, const char *command,
                  const Timing &timing, ExchangeObserver &observer = unobserved()) noexcept;

/// RX on @p timing's clock: the outcome of one wait as a new counted text, or nullptr when memory
/// for it runs out.
char *receive_counted_reply(std::int32_t port, std::int32_t timeout_s, const Timing &timing,
                            ExchangeObserver &observer = unobserved()) noexcept;

/// Why the latest txrx of the process could not write RespApf.txt: a zarvo_reply_file_failure,
/// with the system's error number in @p system_error.
std::int32_t reply_file_failure(std::int32_t &system_error) noexcept;

}  // namespace zarvo

#endif  // ZARVO_TXRX_H
