// SPDX-License-Identifier: MIT
// The double of libZarvo.so: scripted reply files, set results, an optional delay, a call record.
#include "fake_zarvo.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

FakeState *fake_state() {
    static FakeState state;
    return &state;
}

namespace {

std::int32_t openOrClose(const char *function, std::int32_t port,
                         const std::map<std::int32_t, std::int32_t> FakeState::*results) {
    FakeState &s = *fake_state();
    std::lock_guard lock(s.mutex);
    s.calls.push_back({function, port, 0, 0, false, {}});
    const auto found = (s.*results).find(port);
    return found == (s.*results).end() ? 0 : found->second;
}

}  // namespace

extern "C" {

int32_t Abre(int32_t port) {
    return openOrClose("Abre", port, &FakeState::abreResults);
}

int32_t Fecha(int32_t port) {
    return openOrClose("Fecha", port, &FakeState::fechaResults);
}

#ifndef FAKE_ZARVO_WITHOUT_TXRX
static bool writeReplyFile(const std::string &bytes) {
    std::FILE *file = std::fopen("RespApf.txt", "wb");
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

int32_t TXRX(int32_t port, int32_t timeout_s, const char *command) {
    FakeState &s = *fake_state();
    FakeExchange exchange{".-0001ERRO:         99}\r\n", 0, ZARVO_REPLY_FILE_WRITTEN, 0};
    int32_t delayMs = 0;
    {
        std::lock_guard lock(s.mutex);
        FakeCall call{"TXRX", port, timeout_s, 0, false, {}};
        std::memcpy(&call.count, command - 4, 4);  // little-endian on every target we build
        call.command.assign(command, static_cast<std::size_t>(std::max(call.count, 0)));
        call.nulAfter = call.count >= 0 && command[call.count] == '\0';
        s.calls.push_back(call);
        if (!s.script.empty()) {
            exchange = s.script.front();
            s.script.pop_front();
        }
        delayMs = s.delayMs;
        s.inTxrx = true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    if (exchange.file && !writeReplyFile(*exchange.file)) {
        exchange.result = ZARVO_LOG_FAILED;  // as the library does when its write fails
    }
    std::lock_guard lock(s.mutex);
    s.inTxrx = false;
    s.last = exchange;
    return exchange.result;
}
#endif

int32_t ZarvoReplyFileFailure(int32_t *system_error) {
    std::lock_guard lock(fake_state()->mutex);
    const FakeExchange &last = fake_state()->last;
    const bool failed = last.result == ZARVO_LOG_FAILED;
    if (system_error != nullptr) {
        *system_error = failed ? last.error : 0;
    }
    return failed ? last.cause : ZARVO_REPLY_FILE_WRITTEN;
}

}  // extern "C"
