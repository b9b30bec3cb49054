// SPDX-License-Identifier: MIT
// The tests' handle on the link library double (fake_zarvo.cpp): the state of the same file that
// Module1 loads. Plain C++, shared by the core's GoogleTest tests, the Qt tests and a fuzz target.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fake_zarvo.h"

class FakeLibrary {
    template <typename Steps>
    auto locked(Steps steps) const {
        std::lock_guard lock(state_->mutex);
        return steps(*state_);
    }

  public:
    /// Loads the double (or finds it loaded); its script and record stay as they are.
    explicit FakeLibrary(const char *path = FAKE_ZARVO_PATH)
        : handle_(dlopen(path, RTLD_NOW | RTLD_LOCAL)) {
        void *state = handle_ != nullptr ? dlsym(handle_, "fake_state") : nullptr;
        if (state == nullptr) {
            throw std::runtime_error(std::string("cannot load the double: ") + dlerror());
        }
        state_ = reinterpret_cast<decltype(&fake_state)>(state)();
    }
    ~FakeLibrary() { dlclose(handle_); }
    FakeLibrary(const FakeLibrary &) = delete;
    FakeLibrary &operator=(const FakeLibrary &) = delete;

    /// Forgets the script, the calls and the results set; the delay returns to 0.
    void reset() const {
        locked([](FakeState &s) {
            s.abreResults.clear();
            s.fechaResults.clear();
            s.script.clear();
            s.calls.clear();
            s.delayMs = 0;
            s.last = {};
        });
    }
    /// Abre (Fecha) on @p port returns @p result from now on.
    void setAbreResult(int32_t port, int32_t result) const {
        locked([&](FakeState &s) { s.abreResults[port] = result; });
    }
    void setFechaResult(int32_t port, int32_t result) const {
        locked([&](FakeState &s) { s.fechaResults[port] = result; });
    }
    /// The next TXRX writes @p reply and CR LF to RespApf.txt and returns 0.
    void pushReply(const std::string &reply) const { pushFile(reply + "\r\n"); }
    /// The next TXRX writes exactly @p bytes as RespApf.txt and returns @p result.
    void pushFile(const std::string &bytes, int32_t result = 0) const {
        locked([&](FakeState &s) {
            s.script.push_back({bytes, result, ZARVO_REPLY_FILE_WRITTEN, 0});
        });
    }
    /// The next TXRX leaves RespApf.txt as it is and returns @p result; for -2, the library's
    /// finding on the failure is @p cause, with the system's @p error.
    void pushNoFile(int32_t result, int32_t cause = ZARVO_REPLY_FILE_WRITTEN,
                    int32_t error = 0) const {
        locked([&](FakeState &s) { s.script.push_back({std::nullopt, result, cause, error}); });
    }
    /// Every TXRX from now on takes @p ms before it writes the reply file.
    void setDelayMs(int32_t ms) const {
        locked([&](FakeState &s) { s.delayMs = ms; });
    }
    bool inTxrx() const {
        return locked([](FakeState &s) { return s.inTxrx; });
    }
    FakeCall call(std::size_t index) const {
        return locked([&](FakeState &s) { return s.calls.at(index); });
    }
    /// The calls as "Abre 1", "Fecha 1", "TXRX 1 3 .28" (the command's bytes as they came).
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        for (const FakeCall &c : locked([](FakeState &s) { return s.calls; })) {
            lines.push_back(c.function + ' ' + std::to_string(c.port));
            if (c.function == "TXRX") {
                lines.back() += ' ' + std::to_string(c.timeout_s) + ' ' + c.command;
            }
        }
        return lines;
    }

  private:
    void *handle_;
    FakeState *state_ = nullptr;
};
