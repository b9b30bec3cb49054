// SPDX-License-Identifier: MIT
// The double of libZarvo.so: scripted reply files, set results, an optional delay, a call record.
#include "fake_zarvo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Zarvo.h"

namespace {

struct ScriptedExchange {
    std::optional<std::string> file;
    int32_t result = 0;
};

struct State {
    std::mutex mutex;
    std::map<int32_t, int32_t> abreResults;
    std::map<int32_t, int32_t> fechaResults;
    std::deque<ScriptedExchange> script;
    std::vector<fake_call> calls;
    int32_t delayMs = 0;
    bool inTxrx = false;
    int32_t lastTxrxResult = 0;
};

State &state() {
    static State s;
    return s;
}

fake_call record(const char *function, int32_t port) {
    fake_call call{};
    std::snprintf(call.function, sizeof call.function, "%s", function);
    call.port = port;
    return call;
}

int32_t resultFor(const std::map<int32_t, int32_t> &results, int32_t port) {
    const auto found = results.find(port);
    return found == results.end() ? 0 : found->second;
}

}  // namespace

extern "C" {

int32_t Abre(int32_t port) {
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.calls.push_back(record("Abre", port));
    return resultFor(s.abreResults, port);
}

int32_t Fecha(int32_t port) {
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.calls.push_back(record("Fecha", port));
    return resultFor(s.fechaResults, port);
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
    State &s = state();
    ScriptedExchange exchange{std::string(".-0001ERRO:         99}\r\n"), 0};
    int32_t delayMs = 0;
    {
        std::lock_guard lock(s.mutex);
        fake_call call = record("TXRX", port);
        call.timeout_s = timeout_s;
        if (command != nullptr) {
            std::memcpy(&call.count, command - 4, 4);  // little-endian on every target we build
            const auto kept = static_cast<std::size_t>(
                std::min<int32_t>(std::max<int32_t>(call.count, 0), sizeof call.command - 1));
            std::memcpy(call.command, command, kept);
            call.nul_after = call.count >= 0 && command[call.count] == '\0' ? 1 : 0;
        }
        s.calls.push_back(call);
        if (!s.script.empty()) {
            exchange = s.script.front();
            s.script.pop_front();
        }
        delayMs = s.delayMs;
        s.inTxrx = true;
    }
    if (delayMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    }
    int32_t result = exchange.result;
    if (exchange.file && !writeReplyFile(*exchange.file)) {
        result = ZARVO_LOG_FAILED;
    }
    std::lock_guard lock(s.mutex);
    s.inTxrx = false;
    s.lastTxrxResult = result;
    return result;
}
#endif

// What the library finds in the way when its write fails, told from what the test planted: a
// link, a directory or another kind of file under the name, or a mode that refuses the write.
int32_t ZarvoReplyFileFailure(int32_t *system_error) {
    int32_t error = 0;
    int32_t cause = ZARVO_REPLY_FILE_WRITTEN;
    bool failed;
    {
        std::lock_guard lock(state().mutex);
        failed = state().lastTxrxResult == ZARVO_LOG_FAILED;
    }
    struct stat info {};
    if (failed && ::lstat("RespApf.txt", &info) == 0) {
        if (S_ISLNK(info.st_mode)) {
            cause = ZARVO_REPLY_FILE_LINK;
        } else if (S_ISDIR(info.st_mode)) {
            cause = ZARVO_REPLY_FILE_DIRECTORY;
        } else if (!S_ISREG(info.st_mode)) {
            cause = ZARVO_REPLY_FILE_NOT_PLAIN;
        } else if (::faccessat(AT_FDCWD, "RespApf.txt", W_OK, AT_EACCESS) != 0) {
            cause = ZARVO_REPLY_FILE_READ_ONLY;
            error = errno;
        }
    } else if (failed && ::faccessat(AT_FDCWD, ".", W_OK, AT_EACCESS) != 0) {
        cause = ZARVO_REPLY_FILE_DIRECTORY_READ_ONLY;
        error = errno;
    }
    if (system_error != nullptr) {
        *system_error = error;
    }
    return cause;
}

void fake_reset(void) {
    State &s = state();
    std::lock_guard lock(s.mutex);
    s.abreResults.clear();
    s.fechaResults.clear();
    s.script.clear();
    s.calls.clear();
    s.delayMs = 0;
    s.lastTxrxResult = 0;
}

void fake_set_abre_result(int32_t port, int32_t result) {
    std::lock_guard lock(state().mutex);
    state().abreResults[port] = result;
}

void fake_set_fecha_result(int32_t port, int32_t result) {
    std::lock_guard lock(state().mutex);
    state().fechaResults[port] = result;
}

void fake_push_txrx(const char *bytes, int32_t length, int32_t result) {
    ScriptedExchange exchange;
    if (bytes != nullptr) {
        exchange.file = std::string(bytes, static_cast<std::size_t>(length));
    }
    exchange.result = result;
    std::lock_guard lock(state().mutex);
    state().script.push_back(std::move(exchange));
}

void fake_push_reply(const char *reply) {
    const std::string line = std::string(reply) + "\r\n";
    fake_push_txrx(line.data(), static_cast<int32_t>(line.size()), 0);
}

void fake_set_txrx_delay_ms(int32_t ms) {
    std::lock_guard lock(state().mutex);
    state().delayMs = ms;
}

int32_t fake_txrx_in_progress(void) {
    std::lock_guard lock(state().mutex);
    return state().inTxrx ? 1 : 0;
}

int32_t fake_call_count(void) {
    std::lock_guard lock(state().mutex);
    return static_cast<int32_t>(state().calls.size());
}

int32_t fake_get_call(int32_t index, struct fake_call *out) {
    std::lock_guard lock(state().mutex);
    if (out == nullptr || index < 0 || static_cast<std::size_t>(index) >= state().calls.size()) {
        return -1;
    }
    *out = state().calls[static_cast<std::size_t>(index)];
    return 0;
}

}  // extern "C"
