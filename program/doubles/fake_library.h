// SPDX-License-Identifier: MIT
// The tests' handle on the link library double (fake_zarvo.cpp): dlopen of the same file that
// Module1 loads. Plain C++, shared by the core's GoogleTest tests, the Qt tests and a fuzz target.
#pragma once

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "fake_zarvo.h"

class FakeLibrary {
  public:
    /// Loads the double (or finds it loaded); its script and record stay as they are.
    explicit FakeLibrary(const char *path = FAKE_ZARVO_PATH) {
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            throw std::runtime_error(std::string("cannot load the double: ") + dlerror());
        }
    }
    ~FakeLibrary() { dlclose(handle_); }
    FakeLibrary(const FakeLibrary &) = delete;
    FakeLibrary &operator=(const FakeLibrary &) = delete;

    /// Forgets the script, the calls and the results set.
    void reset() const { get<decltype(fake_reset)>("fake_reset")(); }
    void setAbreResult(int32_t port, int32_t result) const {
        get<decltype(fake_set_abre_result)>("fake_set_abre_result")(port, result);
    }
    void setFechaResult(int32_t port, int32_t result) const {
        get<decltype(fake_set_fecha_result)>("fake_set_fecha_result")(port, result);
    }
    /// The next TXRX writes @p reply and CR LF to RespApf.txt and returns 0.
    void pushReply(const std::string &reply) const {
        get<decltype(fake_push_reply)>("fake_push_reply")(reply.c_str());
    }
    /// The next TXRX writes exactly @p bytes as RespApf.txt and returns @p result.
    void pushFile(const std::string &bytes, int32_t result = 0) const {
        get<decltype(fake_push_txrx)>("fake_push_txrx")(bytes.data(), int32_t(bytes.size()),
                                                        result);
    }
    /// The next TXRX leaves RespApf.txt as it is and returns @p result.
    void pushNoFile(int32_t result) const {
        get<decltype(fake_push_txrx)>("fake_push_txrx")(nullptr, 0, result);
    }
    /// Every TXRX from now on takes @p ms before it writes the reply file.
    void setDelayMs(int32_t ms) const {
        get<decltype(fake_set_txrx_delay_ms)>("fake_set_txrx_delay_ms")(ms);
    }
    bool inTxrx() const { return get<decltype(fake_txrx_in_progress)>("fake_txrx_in_progress")(); }

    fake_call call(int index) const {
        fake_call out{};
        if (get<decltype(fake_get_call)>("fake_get_call")(index, &out) != 0) {
            throw std::out_of_range("no such call");
        }
        return out;
    }
    /// The calls as "Abre 1", "Fecha 1", "TXRX 1 3 .28" (the command's bytes as they came).
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        const int count = get<decltype(fake_call_count)>("fake_call_count")();
        for (int i = 0; i < count; ++i) {
            const fake_call c = call(i);
            std::string line = std::string(c.function) + ' ' + std::to_string(c.port);
            if (std::string(c.function) == "TXRX") {
                line += ' ' + std::to_string(c.timeout_s) + ' ' + std::string(c.command);
            }
            lines.push_back(line);
        }
        return lines;
    }

  private:
    template <typename Function>
    Function *get(const char *name) const {
        auto *address = reinterpret_cast<Function *>(dlsym(handle_, name));
        if (address == nullptr) {
            throw std::runtime_error(std::string("the double lacks ") + name);
        }
        return address;
    }

    void *handle_ = nullptr;
};
