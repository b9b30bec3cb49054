// SPDX-License-Identifier: MIT
// The link library's double (fake_zarvo.cpp) and the state that steers and records it. A test
// reaches the state of the very file the window loaded through fake_state() (fake_library.h).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Zarvo.h"

/// One call received by the double.
struct FakeCall {
    std::string function;  ///< "Abre", "Fecha" or "TXRX"
    std::int32_t port = 0;
    std::int32_t timeout_s = 0;  ///< TXRX only, as every field below
    std::int32_t count = 0;      ///< the count in the 4 bytes before the command
    bool nulAfter = false;       ///< whether a NUL follows the counted bytes
    std::string command;         ///< the counted bytes
};

/// What one TXRX does: writes @c file as the whole of ./RespApf.txt (nothing: leaves the file as
/// it is) and returns @c result; after a -2, ZarvoReplyFileFailure tells @c cause and @c error.
struct FakeExchange {
    std::optional<std::string> file;
    std::int32_t result = 0;
    std::int32_t cause = ZARVO_REPLY_FILE_WRITTEN;
    std::int32_t error = 0;
};

struct FakeState {
    std::mutex mutex;  // TXRX runs on a view's worker thread while the test reads the state
    std::map<std::int32_t, std::int32_t> abreResults, fechaResults;  // by port; 0 if not set
    std::deque<FakeExchange> script;  // empty: the timeout reply ".-0001ERRO:         99}"
    std::vector<FakeCall> calls;
    std::int32_t delayMs = 0;  // every TXRX waits this long before it writes the reply file
    bool inTxrx = false;
    FakeExchange last;
};

extern "C" __attribute__((visibility("default"))) FakeState *fake_state();
